// The desktop notice after a background-mode profile that recorded errors, so that failures
// of unattended runs do not go unnoticed. It names the profile, the number of errors and the
// log file, and comes at most once per profile every ten minutes, so a profile that fails on
// every pass of a short interval does not flood the desktop.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace qm {

// Shows a desktop notification; the front end decides how (the tray's message, or the
// desktop's notification service). A click on it shows the main window.
class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  virtual void ShowNotification(const std::string& title, const std::string& text) = 0;
};

inline constexpr uint64_t kFailureNoticePauseMs = 10 * 60 * 1000;

struct FailureNoticeText {
  std::string title;
  std::string text;
};

// `log_file` is empty when the errors were not written to a log.
FailureNoticeText MakeFailureNoticeText(const std::string& profile, int64_t errors,
                                        const std::string& log_file);

// Follows the profiles of a run: the errors recorded between a profile's start and its end.
class FailureNotice {
 public:
  void SetNotifier(DesktopNotifier* notifier) { notifier_ = notifier; }

  void ProfileStarted(const std::string& profile);
  void ErrorRecorded() { ++errors_; }
  // Notifies when the finished profile recorded errors in the background mode and its last
  // notice is ten minutes old or more. `now_ms` is the tick count.
  void ProfileFinished(bool background_mode, const std::string& log_file, uint64_t now_ms);

 private:
  DesktopNotifier* notifier_ = nullptr;
  std::string profile_;
  int64_t errors_ = 0;
  // Tick count of the last notice per profile name.
  std::map<std::string, uint64_t> last_notice_;
};

}  // namespace qm
