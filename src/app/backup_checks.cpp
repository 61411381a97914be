#include "app/backup_checks.h"

#include <cstdio>

#include "app/verify_job.h"
#include "engine/loop_turns.h"
#include "platform/percent.h"

namespace qm {
namespace {

// The date-time field's text for `now`: "YYYY-MM-DD HH:MM:SS".
std::string MomentText(TDateTime now) {
  const DateParts p = DecodeDateTime(now);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

}  // namespace

// A job as the window runs it: records go to the log, progress to the statistics page, and
// the window's Stop ends it. Without a view it is the dialog's dry run: silent, never stopped.
class BackupChecks::Host final : public BackupJobHost {
 public:
  Host(RunSession& session, RunView* view, std::string profile)
      : session_(session), view_(view), profile_(std::move(profile)) {
    started_at_ = session_.clock().Now();
    started_ = DateTimeToDisplay(started_at_, session_.formats());
  }
  FileSystem& fs() override { return session_.file_system(); }
  ui::MessageLoop& loop() override { return session_.loop(); }
  void Record(LogKind kind, const std::string& text) override {
    if (view_ != nullptr) session_.WriteLog(kind, text);
  }
  // The records hold every error; the box at the end points to them.
  void Error(const std::string& /*text*/) override {}
  void Line(const std::string& /*text*/, bool /*bad*/) override {}
  void Progress(int64_t done, int64_t total, int64_t /*bytes*/, const std::string& file) override {
    if (view_ == nullptr) return;
    StatisticsSnapshot s;
    s.files_today = session_.counters.FilesToday;
    s.files_this_hour = session_.counters.FilesThisHour;
    s.files_this_minute = session_.counters.FilesThisMinute;
    s.profiles_queued = 1;
    s.files_total = s.current_files = total;
    s.files_left = s.current_files_left = total - done;
    if (total >= 1) s.total_percent = s.profile_percent = HalfEvenPercent(done, total);
    if (total >= 1 && done >= 1)
      s.finish_expected = s.current_finish_expected = DateTimeToDisplay(
          FinishEstimate(started_at_, session_.clock().Now(), total, done), session_.formats());
    s.current_profile = profile_;
    s.current_started = started_;
    s.current_file = file;
    view_->ShowStatistics(s);
    LoopTurn(session_.loop());
  }
  void FileProgress(int64_t done, int64_t total) override {
    if (view_ != nullptr) view_->FileProgress(done, total);
  }
  bool Stopped() override { return view_ != nullptr && !session_.state.Running; }

 private:
  RunSession& session_;
  RunView* view_;
  std::string profile_;
  TDateTime started_at_ = 0;
  std::string started_;
};

BackupChecks::BackupChecks(RunSession& session, RunView& view, ui::Dialogs& dialogs,
                           std::function<std::optional<ProfileRecord>()> current,
                           std::function<void(bool)> busy)
    : session_(session),
      view_(view),
      dialogs_(dialogs),
      current_(std::move(current)),
      busy_changed_(std::move(busy)) {
  for (ui::MenuItem* item : {&restore_menu_item, &tray_restore_menu_item})
    item->SetHint("Bring back the current profile's files from its backup");
  for (ui::MenuItem* item : {&verify_menu_item, &tray_verify_menu_item})
    item->SetHint("Compare the current profile's files with its backup");
  restore_menu_item.OnClick = tray_restore_menu_item.OnClick = [this] { Restore(); };
  verify_menu_item.OnClick = tray_verify_menu_item.OnClick = [this] { Verify(); };
}

void BackupChecks::SetPresenter(RestoreDialogPresenter* presenter) {
  presenter_ = presenter;
  UpdateItems();
}

bool BackupChecks::CanStart() const {
  const RunState& s = session_.state;
  return !busy_ && !s.Running && !s.EngineBusy && s.Mode == RunMode::kIdle &&
         !session_.profile_table.IsEmpty();
}

void BackupChecks::UpdateItems() {
  const bool can = CanStart();
  restore_menu_item.SetEnabled(can && presenter_ != nullptr);
  tray_restore_menu_item.SetEnabled(can && presenter_ != nullptr);
  verify_menu_item.SetEnabled(can);
  tray_verify_menu_item.SetEnabled(can);
}

void BackupChecks::RunJob(const std::string& status, const std::function<void()>& job) {
  RunState& s = session_.state;
  busy_ = true;
  s.Running = true;
  s.EngineBusy = true;
  s.RunStartedAt = session_.clock().Now();
  UpdateItems();
  busy_changed_(true);
  session_.EmptyLogBuffer();
  StatisticsSnapshot start;
  start.files_today = session_.counters.FilesToday;
  start.files_this_hour = session_.counters.FilesThisHour;
  start.files_this_minute = session_.counters.FilesThisMinute;
  start.profiles_queued = 1;
  view_.ProfileQueued(RunSnapshot());  // the page's start time
  view_.ShowStatistics(start);
  view_.ShowStatus(status);
  struct Release {
    BackupChecks& c;
    ~Release() {
      RunState& s = c.session_.state;
      s.EngineBusy = false;
      s.Running = false;
      s.RunStartedAt = 0;
      c.session_.EmptyLogBuffer();
      StatisticsSnapshot over;
      over.batch_over = true;
      c.view_.ShowStatistics(over);
      c.busy_ = false;
      c.busy_changed_(false);
      c.UpdateItems();
    }
  } release{*this};
  job();
}

void BackupChecks::Restore() {
  if (!CanStart() || presenter_ == nullptr) return;
  const std::optional<ProfileRecord> profile = current_();
  if (!profile) return;
  const std::string locks = session_.state.LockDirectory;
  RestoreDialog dialog(profile->Name(), profile->SrcDir(), MomentText(session_.clock().Now()),
                       dialogs_, session_.loop(), [this, &profile, &locks](RestoreChoice choice) {
                         Host quiet(session_, nullptr, profile->Name());
                         choice.lock_directory = locks;
                         return RestoreProfile(quiet, *profile, choice);
                       });
  if (!presenter_->Show(dialog)) return;
  std::optional<RestoreChoice> choice = dialog.Choice();
  // A background run may have begun while the dialog was open.
  if (!choice || !CanStart()) return;
  choice->lock_directory = locks;
  RestoreTally tally;
  RunJob("Restoring the files of \"" + profile->Name() + "\"...", [&] {
    Host host(session_, &view_, profile->Name());
    tally = RestoreProfile(host, *profile, *choice);
  });
  if (!tally.failure.empty())
    dialogs_.ShowErrorBox(tally.failure);
  else
    dialogs_.ShowInformation(RestoreSummary(tally));
}

void BackupChecks::Verify() {
  if (!CanStart()) return;
  const std::optional<ProfileRecord> profile = current_();
  if (!profile) return;
  VerifyTally tally;
  RunJob("Verifying the backup of \"" + profile->Name() + "\"...", [&] {
    Host host(session_, &view_, profile->Name());
    VerifyProfile(host, *profile, session_.state.LockDirectory, tally);
  });
  if (!tally.failure.empty()) {
    dialogs_.ShowErrorBox(tally.failure);
    return;
  }
  std::string text = VerifySummary(tally);
  // Missing and outdated files are information records, which the log may be set to leave out.
  const LogOptions& log = session_.log_options();
  const bool logged = (tally.Bad() && LogKindEnabled(log, LogKind::kError)) ||
                      (tally.Found() && !tally.Bad() && LogKindEnabled(log, LogKind::kInfo));
  if (logged) text += "\n" + std::string(kSeeTheLog);
  dialogs_.ShowInformation(text);
}

}  // namespace qm
