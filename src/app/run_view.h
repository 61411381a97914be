// What the main window shows of a run: the status line, the statistics page and the tray's
// animation and hint, driven by the run's events and the session's statistics. The engine and
// the session never touch a control; this view is the one place that turns them into captions.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/engine_context.h"
#include "stats/statistics.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

namespace qm {

// The statistics page's controls.
struct StatisticsPageControls {
  ui::Label& status_label;
  ui::Label& files_today_label;
  ui::Label& files_this_hour_label;
  ui::Label& files_this_minute_label;
  ui::Label& started_at_label;
  ui::Label& finish_expected_label;
  ui::Label& profiles_to_operate_label;
  ui::Label& files_total_label;
  ui::Label& files_left_label;
  ui::ProgressBar& total_progress;
  ui::Label& total_percent_label;
  ui::Label& current_profile_label;
  ui::Label& profile_started_at_label;
  ui::Label& profile_finish_expected_label;
  ui::Label& profile_files_label;
  ui::Label& profile_files_left_label;
  ui::ProgressBar& profile_progress;
  ui::Label& profile_percent_label;
  ui::Label& current_file_label;
  ui::ProgressBar& file_progress;
  ui::Label& file_percent_label;
};

// The statistics page's controls of a window, found under their own names, so that the main
// window and a stand-in for it hand in the same set.
template <class Window>
StatisticsPageControls StatisticsPageOf(Window& w) {
  return StatisticsPageControls{w.status_label,
                                w.files_today_label,
                                w.files_this_hour_label,
                                w.files_this_minute_label,
                                w.started_at_label,
                                w.finish_expected_label,
                                w.profiles_to_operate_label,
                                w.files_total_label,
                                w.files_left_label,
                                w.total_progress,
                                w.total_percent_label,
                                w.current_profile_label,
                                w.profile_started_at_label,
                                w.profile_finish_expected_label,
                                w.profile_files_label,
                                w.profile_files_left_label,
                                w.profile_progress,
                                w.profile_percent_label,
                                w.current_file_label,
                                w.file_progress,
                                w.file_percent_label};
}

// "<p> %" for `done` of `total`, p rounded to the nearest whole number, halves to even.
std::string PercentText(int64_t done, int64_t total);

// The tray's share of a run.
struct TrayOutput {
  std::function<void(bool)> animate;
  std::function<void(const std::string&)> hint;
};

// The controls follow the run at most every kViewRefreshMs, from its latest state, however
// many files pass: a person reads no more, and each change costs a repaint. What waits is
// shown by a timer, and before anything shown at once (a status, a stop, the end of a batch),
// so the page never goes back to an older figure and its last state is always shown.
inline constexpr uint32_t kViewRefreshMs = 50;

class RunView final : public RunObserver {
 public:
  RunView(StatisticsPageControls controls, const RegionalFormats& formats, const RunState& state,
          const NamedList<RunSnapshot>& run_list, TrayOutput tray, ui::MessageLoop& loop);

  // Every queued profile resets the estimate and the count; a status line at rest says that
  // folders are being scanned, until the lists are made.
  void ProfileQueued(const RunSnapshot& item) noexcept override;
  void ProfileScanned(const RunSnapshot& item) noexcept override;
  void ProfileTaken(const RunSnapshot& item) noexcept override;
  void StatusChanged(std::string_view text) noexcept override;
  void EngineStopped() noexcept override;
  void FileProgress(int64_t done, int64_t total) noexcept override;
  void FileCopyEnded() noexcept override;

  // The statistics update: the figures while profiles are queued, the page at rest after the
  // last one.
  void ShowStatistics(const StatisticsSnapshot& snapshot);
  // The page after a stop.
  void ShowStopped();
  void ShowStatus(std::string_view text);

 private:
  enum class Status { kOther, kReady, kScanning };
  // The file bar as the copier left it, shown at the next refresh.
  struct FileBar {
    int64_t max = 0;
    int64_t position = 0;
    // The percentage to write, as done of total; none when the label keeps its text.
    std::optional<std::pair<int64_t, int64_t>> percent;
  };
  // Empties the run's figures; `status` goes on the status line.
  void ResetPage(std::string_view status);
  // Something waits to be shown: at once when the last refresh is kViewRefreshMs old,
  // otherwise by the refresh timer.
  void RefreshSoon();
  // Shows what waits now.
  void Refresh();
  void ShowFigures(const StatisticsSnapshot& s);

  StatisticsPageControls c_;
  const RegionalFormats& formats_;
  const RunState& state_;
  const NamedList<RunSnapshot>& run_list_;
  TrayOutput tray_;
  ui::MessageLoop& loop_;
  ui::Timer refresh_timer_;
  std::optional<uint64_t> last_refresh_;
  FileBar file_;
  bool file_waits_ = false;
  std::optional<StatisticsSnapshot> figures_waiting_;
  // What the status line says, so that the scanning notice replaces only a line at rest.
  Status status_ = Status::kOther;
};

}  // namespace qm
