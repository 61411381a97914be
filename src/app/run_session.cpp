#include "app/run_session.h"

#include "engine/engine_loop.h"
#include "engine/run_lock.h"
#include "engine/scan.h"
#include "platform/app_paths.h"
#include "platform/atomic_file.h"
#include "platform/path_style.h"
#include "profiles/log_kind.h"
#include "profiles/profile_rules.h"

namespace qm {

RunSession::RunSession(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
                       RegionalFormats formats, std::string store_path)
    : store_save_timer(loop, "store_save_timer", 1000),
      statistics_timer(loop, "statistics_timer", 1500),
      background_queue_timer(loop, "background_queue_timer", 1000),
      timer_list_platform(loop),
      timer_list(timer_list_platform, [&loop] { return loop.TickCount(); }),
      fs_(fs),
      clock_(clock),
      loop_(loop),
      dialogs_(dialogs),
      formats_(std::move(formats)),
      store_path_(std::move(store_path)),
      records_([this](LogKind kind, const std::string& text) { WriteLog(kind, text); },
               [this] { counters.CountOperatedFile(clock_.Now()); }, &dialogs) {
  observers_.Add(records_);
  observers_.Add(events_);
  statistics_timer.OnTimer = [this] { UpdateStatistics(); };
  background_queue_timer.OnTimer = [this] { ProcessListInBackground(); };
  store_save_timer.OnTimer = [this] { StoreSaveDue(); };
  timer_list.OnFinish = [this] {
    // Switched off under a running background mode: only a refused platform timer does that.
    if (state.Running && state.Mode == RunMode::kBackground) {
      timer_list_retry_ = true;
      background_queue_timer.SetEnabled(true);
    }
  };
  timer_list.OnError = [this](const std::string& message) { WriteLog(LogKind::kError, message); };
  // A stored row gets the rules of a row entered by hand: the defaults of a new row under its
  // stored values, and the check before it is posted, which ends the load at a row it refuses.
  const int defaults = profile_table.AfterInsert.Connect(
      [this] { ApplyNewRowDefaults(profile_table, clock_.Now()); });
  const int check = profile_table.BeforePost.Connect([this](bool& allow) {
    if (allow) allow = CheckRowBeforePost(profile_table, dialogs_);
  });
  // Whatever could be read is kept; a store that was not read whole is kept aside at the next
  // save instead of being overwritten by the fewer rows.
  store_load_ = LoadProfiles(store_path_, profile_table, fs_);
  store_needs_backup_ = store_load_.NeedsBackup();
  profile_table.AfterInsert.Disconnect(defaults);
  profile_table.BeforePost.Disconnect(check);
}

RunSession::~RunSession() {
  StopChangeWatch();
  timer_items.Clear();
  run_list.Clear();
}

bool RunSession::MakeStoreDirectory() {
  // The data directory does not exist before the first save of a fresh installation.
  return CreateDirectories(fs_, DirectoryOf(store_path_)).ok();
}

bool RunSession::SaveStore() {
  store_save_pending_ = false;
  if (!MakeStoreDirectory()) return false;
  const bool saved = SaveProfiles(store_path_, profile_table, fs_, store_needs_backup_);
  if (saved) store_needs_backup_ = false;
  return saved;
}

void RunSession::SaveOnEveryChange() {
  for (ui::Signal<>* changed :
       {&profile_table.AfterPost, &profile_table.AfterDelete, &profile_table.AfterSort})
    changed->Connect([this] { StoreChanged(); });
}

void RunSession::StoreChanged() {
  // Within the second after a save the change waits for its end; a typed burst of posts is
  // then one save, not one per key.
  if (store_save_timer.Enabled()) {
    store_save_pending_ = true;
    return;
  }
  (void)SaveStore();
  store_save_timer.SetEnabled(true);
}

void RunSession::StoreSaveDue() {
  if (!store_save_pending_) {
    store_save_timer.SetEnabled(false);
    return;
  }
  // The timer stays on: the next second again takes at most this one save.
  (void)SaveStore();
}

std::vector<ProfileRecord> RunSession::EnabledProfiles() const {
  std::vector<ProfileRecord> enabled;
  for (size_t row = 0; row < profile_table.RecordCount(); ++row) {
    if (!profile_table.Row(row).Enabled) continue;
    enabled.emplace_back();
    ProfileFromRow(profile_table.Row(row), enabled.back());
  }
  return enabled;
}

EngineContext RunSession::MakeEngineContext() {
  return EngineContext{fs_, clock_, loop_, formats_, state, run_list, observers_};
}

void RunSession::QueueProfile(const ProfileRecord& profile) {
  EngineContext ctx = MakeEngineContext();
  if (background_watch_ && state.Mode == RunMode::kBackground) {
    // A profile queued or in work is not queued again; its marks must stay for its next scan.
    if (run_list.IndexOf(profile.Name()) >= 0) return;
    if (!background_watch_->ScanWhenDue(profile)) {
      background_watch_->QueueUnchanged(ctx, profile);
      return;
    }
  }
  qm::QueueProfile(ctx, profile);
}

void RunSession::RunSelected(std::span<const ProfileRecord> selected) {
  EmptyLogBuffer();
  EngineContext ctx = MakeEngineContext();
  RunSelectedProfiles(ctx, selected,
                      [&ctx](const ProfileRecord& profile) { qm::QueueProfile(ctx, profile); });
  // After a Stop the copy under way still finishes and makes its record: it is written now,
  // not left in the buffer until the next run.
  EmptyLogBuffer();
}

void RunSession::StopWork() {
  state.Running = false;
  state.RunStartedAt = 0;
  EmptyLogBuffer();
}

void RunSession::SetLogOptions(LogOptions options) {
  log_options_ = std::move(options);
  state.LogFile = log_options_.create && !log_options_.dir.empty() ? LogFilePath(log_options_.dir)
                                                                   : std::string();
}

void RunSession::WriteLog(LogKind kind, const std::string& text) {
  RecordMade(kind, text);
  // A preview writes no log.
  if (state.Preview) return;
  // Counted whether or not the log keeps it: an error nobody would read is still an error.
  if (kind == LogKind::kError) notice.ErrorRecorded();
  qm::WriteLog(log_options_, kind, text, clock_.Now(), formats_, log_buffer);
}

void RunSession::FlushLog() {
  qm::FlushLog(fs_, ShowLogErrorBox(), log_options_, log_buffer, log_write_failed);
}

void RunSession::EmptyLogBuffer() {
  FlushBeforeEmptying(fs_, ShowLogErrorBox(), log_options_, log_buffer, log_write_failed);
  log_buffer.clear();
}

ShowLogError RunSession::ShowLogErrorBox() {
  return [this](const std::string& text) { dialogs_.ShowErrorBox(text); };
}

bool RunSession::CanCreateFileIn(const std::string& dir) {
  const std::string probe = AddDirSeparator(dir) + ".quillmor-write-test";
  auto file = fs_.Create(probe);
  if (!file.ok()) return false;
  const bool closed = file.value()->Close().ok();
  const bool removed = fs_.Remove(probe).ok();
  return closed && removed;
}

void RunSession::FillDefaultLogDirectory() {
  if (!log_options_.dir.empty()) return;
  LogOptions options = log_options_;
  options.dir = DefaultLogDirectory();
  SetLogOptions(std::move(options));
}

std::string RunSession::DefaultLogDirectory() {
  // On a fresh installation the store's directory comes only with the first save; the first
  // session's records must not go nowhere meanwhile.
  (void)MakeStoreDirectory();
  const std::string store_dir = DirectoryOf(store_path_);
  if (CanCreateFileIn(store_dir)) return AddDirSeparator(store_dir);
  const std::string data_dir = DataDirectory();
  (void)CreateDirectories(fs_, data_dir);
  return AddDirSeparator(data_dir);
}

void RunSession::UpdateStatistics() {
  const StatisticsSnapshot snapshot =
      ComputeStatistics(run_list, counters, clock_.Now(), state.RunStartedAt, formats_);
  if (snapshot.batch_over) {
    statistics_timer.SetEnabled(false);
    state.RunStartedAt = 0;
  }
  StatisticsUpdated(snapshot);
  FlushLog();
}

// --- the background mode

bool RunSession::StartBackgroundMode() {
  std::string error;
  if (!scheduler_lock_.Acquire(DataDirectory(), store_path_, error)) {
    dialogs_.ShowErrorBox(error);
    return false;
  }
  state.Running = true;
  state.Mode = RunMode::kBackground;
  CreateTimerItems();
  StartChangeWatch();
  SetTimerListActive(true);
  background_queue_timer.SetEnabled(true);
  return true;
}

void RunSession::StopBackgroundMode() {
  state.Mode = RunMode::kIdle;
  StopWork();
  background_queue_timer.SetEnabled(false);
  SetTimerListActive(false);
  ClearTimerItems();
  StopChangeWatch();
  scheduler_lock_.Release();
}

void RunSession::StartChangeWatch() {
  StopChangeWatch();
  // The program's own writes (locks, log, store) are no change of a profile over a home folder.
  std::vector<std::string> own{LockDirectoryOr(state.LockDirectory), store_path_,
                               SchedulerLock::PathFor(DataDirectory(), store_path_)};
  if (!state.LogFile.empty()) own.push_back(state.LogFile);
  Result<std::unique_ptr<ChangeWatch>> watch = make_change_watch();
  const Error refusal = watch.ok() ? Error{} : watch.error();
  background_watch_ = std::make_unique<BackgroundWatch>(
      watch.ok() ? std::move(watch.value()) : nullptr, refusal, loop_,
      [this](LogKind kind, const std::string& text) { WriteLog(kind, text); }, std::move(own));
  background_watch_->Start(EnabledProfiles());
  observers_.Add(*background_watch_);
}

void RunSession::StopChangeWatch() {
  if (!background_watch_) return;
  observers_.Remove(*background_watch_);
  background_watch_.reset();
}

void RunSession::CreateTimerItems() {
  state.SelectedRun = false;
  EmptyLogBuffer();
  std::vector<std::string> no_interval;
  qm::CreateTimerItems(timer_items, timer_list, *this, EnabledProfiles(), no_interval);
  for (const std::string& name : no_interval) WriteLog(LogKind::kError, NoIntervalMessage(name));
}

void RunSession::SetTimerListActive(bool active) {
  timer_list_retry_ = false;
  if (!timer_list.SetActive(active) && active) timer_list_retry_ = true;
}

void RunSession::StopTimers() {
  SetTimerListActive(false);
  statistics_timer.SetEnabled(false);
  background_queue_timer.SetEnabled(false);
  // The close saves the store itself.
  store_save_timer.SetEnabled(false);
}

void RunSession::ProcessListInBackground() {
  if (timer_list_retry_ && state.Running && state.Mode == RunMode::kBackground)
    SetTimerListActive(true);
  if (state.EngineBusy) {
    // The running loop takes the queued profiles itself; this timer only restarts it.
    if (!timer_list_retry_) background_queue_timer.SetEnabled(false);
    return;
  }
  background_queue_timer.SetEnabled(false);
  EngineContext ctx = MakeEngineContext();
  ProcessRunList(ctx);
  // An error ended the loop under a running background mode: the next tick starts it again.
  if (state.Running && state.Mode == RunMode::kBackground) background_queue_timer.SetEnabled(true);
}

// --- the session's reading of the run

void RunSession::Events::ProfileQueued(const RunSnapshot& /*item*/) noexcept {
  // The first profile of a batch dates the batch.
  if (session_.state.RunStartedAt == 0) session_.state.RunStartedAt = session_.clock_.Now();
}

void RunSession::Events::ProfileTaken(const RunSnapshot& /*item*/) noexcept {
  session_.statistics_timer.SetEnabled(true);
}

void RunSession::Events::ProfileStarted(const RunSnapshot& item) noexcept {
  session_.notice.ProfileStarted(item.Profile.Name());
}

void RunSession::Events::ProfileFinished(const RunSnapshot& /*item*/) noexcept {
  const LogOptions& options = session_.log_options_;
  const std::string log_file =
      options.create && options.errors ? LogFilePath(options.dir) : std::string();
  session_.notice.ProfileFinished(session_.state.Mode == RunMode::kBackground, log_file,
                                  session_.loop_.TickCount());
}

void RunSession::Events::ProfileLeftList() {
  session_.UpdateStatistics();
}

void RunSession::Events::EngineStopped() noexcept {
  session_.statistics_timer.SetEnabled(false);
}

}  // namespace qm
