#include "app/run_view.h"

#include <string>

#include "engine/qmFileUtil.h"

namespace qm {

namespace {

constexpr std::string_view kReady = "Ready.";
constexpr std::string_view kScanning = "Scanning the folders...";

std::string Percent(int64_t value) {
  return std::to_string(value) + " %";
}

}  // namespace

void RunView::ProfileQueued(const TDataItem& /*item*/) noexcept {
  c_.lStartedAt.SetCaption(DateTimeToDisplay(state_.RunStartedAt, formats_));
  c_.lFinishExpectedAt.SetCaption("");
  c_.lProfilesToPperate.SetCaption(std::to_string(run_list_.Count()));
  if (status_ == Status::kReady) {
    c_.lStatus.SetCaption(std::string(kScanning));
    status_ = Status::kScanning;
  }
}

void RunView::ProfileScanned(const TDataItem& /*item*/) noexcept {
  if (status_ == Status::kScanning) ShowStatus("On duty...");
}

void RunView::ProfileTaken(const TDataItem& /*item*/) noexcept {
  if (tray_.animate) tray_.animate(true);
}

void RunView::StatusChanged(std::string_view text) noexcept {
  ShowStatus(text);
}

void RunView::EngineStopped() noexcept {
  // The engine's last word is "Ready.".
  status_ = Status::kReady;
  c_.lCurrentFile.SetCaption("");
}

void RunView::FileProgress(int64_t done, int64_t total) noexcept {
  if (done == 0) {
    c_.psFile.SetRange(0, total);
    c_.psFile.SetPosition(0);
    c_.lpsCurrentFile.SetCaption(Percent(0));
    return;
  }
  c_.psFile.SetPosition(done);
  if (total > 0) c_.lpsCurrentFile.SetCaption(PercentText(done, total));
}

void RunView::FileCopyEnded() noexcept {
  c_.psFile.SetPosition(0);
}

void RunView::ShowStatus(std::string_view text) {
  c_.lStatus.SetCaption(std::string(text));
  status_ = text == kReady ? Status::kReady : Status::kOther;
}

void RunView::ResetPage(std::string_view status) {
  ShowStatus(status);
  for (ui::Label* l :
       {&c_.lStartedAt, &c_.lFinishExpectedAt, &c_.lProfilesToPperate, &c_.lFilesToTotal,
        &c_.lFilesLeft, &c_.lCurrentProfile, &c_.lCurrStartedAt, &c_.lCurrFinishExpectedAt,
        &c_.lFilesToOperate, &c_.lCurrFilesLeft, &c_.lCurrentFile})
    l->SetCaption("");
  for (ui::ProgressBar* b : {&c_.psFile, &c_.psProfile, &c_.psTotal}) b->SetPosition(0);
  for (ui::Label* l : {&c_.lpsCurrentprofile, &c_.lpsTotal}) l->SetCaption(Percent(0));
}

void RunView::ShowStopped() {
  if (tray_.animate) tray_.animate(false);
  ResetPage("Stoped.");
  if (tray_.hint) tray_.hint("Quillmor stoped.");
}

void RunView::ShowStatistics(const StatisticsSnapshot& s) {
  if (s.batch_over) {
    ResetPage(kReady);
    c_.lpsCurrentFile.SetCaption(Percent(0));
    if (tray_.animate) tray_.animate(false);
    return;
  }
  c_.lfopToday.SetCaption(std::to_string(s.files_today));
  c_.lfopHour.SetCaption(std::to_string(s.files_this_hour));
  c_.lfopMinute.SetCaption(std::to_string(s.files_this_minute));
  c_.lProfilesToPperate.SetCaption(std::to_string(s.profiles_queued));
  c_.lFilesToTotal.SetCaption(std::to_string(s.files_total));
  c_.lFilesLeft.SetCaption(std::to_string(s.files_left));
  if (s.finish_expected) c_.lFinishExpectedAt.SetCaption(*s.finish_expected);
  if (s.total_percent) {
    c_.psTotal.SetPosition(*s.total_percent);
    c_.lpsTotal.SetCaption(Percent(*s.total_percent));
  }
  c_.lCurrentProfile.SetCaption(s.current_profile);
  c_.lCurrStartedAt.SetCaption(s.current_started);
  c_.lFilesToOperate.SetCaption(std::to_string(s.current_files));
  c_.lCurrFilesLeft.SetCaption(std::to_string(s.current_files_left));
  c_.lCurrentFile.SetCaption(s.current_file);
  if (s.current_finish_expected) c_.lCurrFinishExpectedAt.SetCaption(*s.current_finish_expected);
  if (s.profile_percent) {
    c_.psProfile.SetPosition(*s.profile_percent);
    c_.lpsCurrentprofile.SetCaption(Percent(*s.profile_percent));
  }
  if (tray_.hint) tray_.hint(s.TrayHint());
}

}  // namespace qm
