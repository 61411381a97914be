#include "app/run_view.h"

#include <string>

#include "platform/percent.h"

namespace qm {

namespace {

constexpr std::string_view kReady = "Ready.";
constexpr std::string_view kScanning = "Scanning the folders...";

std::string Percent(int64_t value) {
  return std::to_string(value) + " %";
}

}  // namespace

std::string PercentText(int64_t done, int64_t total) {
  return Percent(HalfEvenPercent(done, total));
}

RunView::RunView(StatisticsPageControls controls, const RegionalFormats& formats,
                 const RunState& state, const NamedList<RunSnapshot>& run_list, TrayOutput tray,
                 ui::MessageLoop& loop)
    : c_(controls),
      formats_(formats),
      state_(state),
      run_list_(run_list),
      tray_(std::move(tray)),
      loop_(loop),
      refresh_timer_(loop, "view_refresh_timer", kViewRefreshMs) {
  file_.max = c_.file_progress.Max();
  file_.position = c_.file_progress.Position();
  refresh_timer_.OnTimer = [this] { Refresh(); };
}

void RunView::RefreshSoon() {
  if (!last_refresh_ || loop_.TickCount() - *last_refresh_ >= kViewRefreshMs) {
    Refresh();
  } else if (!refresh_timer_.Enabled()) {
    refresh_timer_.SetEnabled(true);
  }
}

void RunView::Refresh() {
  refresh_timer_.SetEnabled(false);
  if (!file_waits_ && !figures_waiting_) return;
  last_refresh_ = loop_.TickCount();
  if (figures_waiting_) {
    // Moved out first: showing it may run handlers that bring new figures.
    const StatisticsSnapshot figures = std::move(*figures_waiting_);
    figures_waiting_.reset();
    ShowFigures(figures);
  }
  if (file_waits_) {
    file_waits_ = false;
    c_.file_progress.SetRange(0, file_.max);
    c_.file_progress.SetPosition(file_.position);
    if (file_.percent) {
      c_.file_percent_label.SetCaption(PercentText(file_.percent->first, file_.percent->second));
      file_.percent.reset();
    }
  }
}

void RunView::ProfileQueued(const RunSnapshot& /*item*/) noexcept {
  Refresh();
  c_.started_at_label.SetCaption(DateTimeToDisplay(state_.RunStartedAt, formats_));
  c_.finish_expected_label.SetCaption("");
  c_.profiles_to_operate_label.SetCaption(std::to_string(run_list_.Count()));
  if (status_ == Status::kReady) {
    c_.status_label.SetCaption(std::string(kScanning));
    status_ = Status::kScanning;
  }
}

void RunView::ProfileScanned(const RunSnapshot& /*item*/) noexcept {
  if (status_ == Status::kScanning) ShowStatus("On duty...");
}

void RunView::ProfileTaken(const RunSnapshot& /*item*/) noexcept {
  if (tray_.animate) tray_.animate(true);
}

void RunView::StatusChanged(std::string_view text) noexcept {
  ShowStatus(text);
}

void RunView::EngineStopped() noexcept {
  Refresh();
  c_.current_file_label.SetCaption("");
}

void RunView::FileProgress(int64_t done, int64_t total) noexcept {
  if (done == 0) {
    file_.max = total;
    file_.position = 0;
    file_.percent = {0, 0};
  } else {
    file_.position = done;
    if (total > 0) file_.percent = {done, total};
  }
  file_waits_ = true;
  RefreshSoon();
}

void RunView::FileCopyEnded() noexcept {
  file_.position = 0;
  file_waits_ = true;
  RefreshSoon();
}

void RunView::ShowStatus(std::string_view text) {
  Refresh();
  c_.status_label.SetCaption(std::string(text));
  status_ = text == kReady ? Status::kReady : Status::kOther;
}

void RunView::ResetPage(std::string_view status) {
  ShowStatus(status);
  for (ui::Label* l :
       {&c_.started_at_label, &c_.finish_expected_label, &c_.profiles_to_operate_label,
        &c_.files_total_label, &c_.files_left_label, &c_.current_profile_label,
        &c_.profile_started_at_label, &c_.profile_finish_expected_label, &c_.profile_files_label,
        &c_.profile_files_left_label, &c_.current_file_label})
    l->SetCaption("");
  file_.position = 0;
  for (ui::ProgressBar* b : {&c_.file_progress, &c_.profile_progress, &c_.total_progress})
    b->SetPosition(0);
  for (ui::Label* l : {&c_.profile_percent_label, &c_.total_percent_label})
    l->SetCaption(Percent(0));
}

void RunView::ShowStopped() {
  if (tray_.animate) tray_.animate(false);
  ResetPage("Stoped.");
  if (tray_.hint) tray_.hint("Quillmor stoped.");
}

void RunView::ShowStatistics(const StatisticsSnapshot& s) {
  if (s.batch_over) {
    ResetPage(kReady);
    c_.file_percent_label.SetCaption(Percent(0));
    if (tray_.animate) tray_.animate(false);
    return;
  }
  figures_waiting_ = s;
  RefreshSoon();
}

void RunView::ShowFigures(const StatisticsSnapshot& s) {
  c_.files_today_label.SetCaption(std::to_string(s.files_today));
  c_.files_this_hour_label.SetCaption(std::to_string(s.files_this_hour));
  c_.files_this_minute_label.SetCaption(std::to_string(s.files_this_minute));
  c_.profiles_to_operate_label.SetCaption(std::to_string(s.profiles_queued));
  c_.files_total_label.SetCaption(std::to_string(s.files_total));
  c_.files_left_label.SetCaption(std::to_string(s.files_left));
  if (s.finish_expected) c_.finish_expected_label.SetCaption(*s.finish_expected);
  if (s.total_percent) {
    c_.total_progress.SetPosition(*s.total_percent);
    c_.total_percent_label.SetCaption(Percent(*s.total_percent));
  }
  c_.current_profile_label.SetCaption(s.current_profile);
  c_.profile_started_at_label.SetCaption(s.current_started);
  c_.profile_files_label.SetCaption(std::to_string(s.current_files));
  c_.profile_files_left_label.SetCaption(std::to_string(s.current_files_left));
  c_.current_file_label.SetCaption(s.current_file);
  if (s.current_finish_expected)
    c_.profile_finish_expected_label.SetCaption(*s.current_finish_expected);
  if (s.profile_percent) {
    c_.profile_progress.SetPosition(*s.profile_percent);
    c_.profile_percent_label.SetCaption(Percent(*s.profile_percent));
  }
  if (tray_.hint) tray_.hint(s.TrayHint());
}

}  // namespace qm
