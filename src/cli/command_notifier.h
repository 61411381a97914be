// Desktop notices of the headless background mode through the desktop's `notify-send`, a
// child process, so that the core build needs no desktop library. Without the command, or
// without a desktop to show them, the notices are simply not shown: the log keeps the errors.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/failure_notice.h"

namespace qm::cli {

class CommandNotifier : public DesktopNotifier {
 public:
  explicit CommandNotifier(std::string command = "notify-send") : command_(std::move(command)) {}
  ~CommandNotifier() override;
  CommandNotifier(const CommandNotifier&) = delete;
  CommandNotifier& operator=(const CommandNotifier&) = delete;

  // Starts the command and returns at once: a desktop that is slow to answer never holds up
  // the backups.
  void ShowNotification(const std::string& title, const std::string& text) override;
  // Waits until every command started has ended (tests).
  void WaitForCommands();

 private:
  // Collects the commands that have ended, so that none stays behind as a zombie.
  void Reap();

  std::string command_;
  std::vector<pid_t> running_;
};

}  // namespace qm::cli
