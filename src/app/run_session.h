// A run session: everything a run needs and nothing a window shows. It owns the profile table
// and its store, the run state and list, the log buffer with its options, the file counters,
// the statistics timer, the background mode's timer items and the record maker, and it hands
// the engine one observer that sends every event to the records first and then to whoever
// watches. The main window's controller and each headless command hold one.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/failure_notice.h"
#include "app/run_records.h"
#include "engine/engine_context.h"
#include "engine/run_observers.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/profile_store.h"
#include "profiles/profile_table.h"
#include "profiles/run_snapshot.h"
#include "scheduler/background_timers.h"
#include "scheduler/background_watch.h"
#include "scheduler/scheduler_lock.h"
#include "scheduler/timer_list.h"
#include "stats/log_writer.h"
#include "stats/statistics.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"
#include "ui/signal.h"

namespace qm {

class RunSession : private TimerItemOwner {
 public:
  // Loads the store at `store_path` into the profile table. `dialogs` shows the log's write
  // errors and the refusal of a second scheduler, and asks the break question.
  RunSession(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
             RegionalFormats formats, std::string store_path);
  ~RunSession() override;
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  FileSystem& file_system() { return fs_; }
  Clock& clock() { return clock_; }
  ui::MessageLoop& loop() { return loop_; }
  const RegionalFormats& formats() const { return formats_; }

  // --- the profile table and its store
  ProfileTable profile_table;
  const std::string& store_path() const { return store_path_; }
  // How the store loaded: a headless run refuses a store not read whole.
  const LoadResult& StoreLoad() const { return store_load_; }
  // Writes the table to the store, creating its directory first; a store that was not read
  // whole is kept aside as a backup the first time. False when it could not be written.
  bool SaveStore();
  // From now on every posted change of the table (a post, a delete, a sort) is saved at once,
  // so that a crash or a kill loses none. A burst is saved at most once a second, its last
  // change always, when the second is over. A failed save shows nothing: the next change and
  // the close try again.
  void SaveOnEveryChange();
  ui::Timer store_save_timer;
  // The enabled rows as snapshots, in table order; the current row stays where it is.
  std::vector<ProfileRecord> EnabledProfiles() const;

  // --- the run
  RunState state;
  NamedList<RunSnapshot> run_list;
  FileCounters counters;
  // The run's events go to `observer` too, after the records and the observers added before.
  void Watch(RunObserver& observer) { observers_.Add(observer); }
  void Unwatch(RunObserver& observer) { observers_.Remove(observer); }
  // Where the break question is asked; null answers No without asking.
  void SetBreakDialogs(ui::Dialogs* ask) { records_.SetDialogs(ask); }
  EngineContext MakeEngineContext();
  // Appends a snapshot of `profile`, scanned now, unless one of that name is queued. In the
  // background mode a profile whose folders have not changed since its last complete pass is
  // queued unchanged, without a scan.
  void QueueProfile(const ProfileRecord& profile) override;
  // "Start selected": queues `selected` and works the run list off; the log buffer is written
  // before and after.
  void RunSelected(std::span<const ProfileRecord> selected);
  // What every stop does: clears the run, and writes the records made so far.
  void StopWork();

  // --- the log
  const LogOptions& log_options() const { return log_options_; }
  // The log file they name is never backed up by a profile whose folders hold it.
  void SetLogOptions(LogOptions options);
  // Hands the record to the listeners, then (unless previewing) buffers it under the options.
  void WriteLog(LogKind kind, const std::string& text);
  // Hears every record as it is made, a preview's too.
  ui::Signal<LogKind, const std::string&> RecordMade;
  // Appends the buffered records to the log file.
  void FlushLog();
  // Writes the buffered records, then empties the buffer: nothing made before is dropped.
  void EmptyLogBuffer();
  std::vector<std::string> log_buffer;
  bool log_write_failed = false;
  // Fills an empty log directory with the default one and creates that default directory when
  // it is missing. A directory the user chose is never created: it may lie on a volume that is
  // not plugged in.
  void FillDefaultLogDirectory();
  // The directory of the store (or the data directory when the store's is not writable), with
  // a trailing '/'.
  std::string DefaultLogDirectory();
  // Creates the store's directory and its missing parents; false when one cannot be made.
  bool MakeStoreDirectory();

  // --- statistics: every 1.5 seconds while a profile is worked on, and after each profile
  ui::Timer statistics_timer;
  // Rolls the counters over, takes the figures, tells the listeners and writes the log.
  void UpdateStatistics();
  ui::Signal<const StatisticsSnapshot&> StatisticsUpdated;

  // --- desktop notifications of failed background profiles
  FailureNotice notice;

  // --- the background mode
  // Claims the store's one background scheduler (false, after an error box, when another holds
  // it), then runs: a timer item for each enabled profile queues it when it falls due, and the
  // engine loop works the run list off every second.
  bool StartBackgroundMode();
  // Stops the run and the timers, and releases the scheduler.
  void StopBackgroundMode();
  // Every timer of the session off, for a close.
  void StopTimers();
  void ClearTimerItems() { timer_items.Clear(); }
  ui::Timer background_queue_timer;
  LoopPlatformTimer timer_list_platform;
  qm::TimerList timer_list;
  // After the list: each item removes its event from it when freed.
  NamedList<ProfileTimer> timer_items;
  // Where the background mode's change watch comes from; tests hand in a fake.
  std::function<Result<std::unique_ptr<ChangeWatch>>()> make_change_watch = MakeKernelChangeWatch;
  // The background mode's change watch; null outside the background mode.
  const BackgroundWatch* background_watch() const { return background_watch_.get(); }

 private:
  // The session's own reading of the events: it dates the batch, drives the statistics timer,
  // and follows the profiles for the failure notice.
  class Events final : public RunObserver {
   public:
    explicit Events(RunSession& session) : session_(session) {}
    void ProfileQueued(const RunSnapshot& item) noexcept override;
    void ProfileTaken(const RunSnapshot& item) noexcept override;
    void ProfileStarted(const RunSnapshot& item) noexcept override;
    void ProfileFinished(const RunSnapshot& item) noexcept override;
    void ProfileLeftList() override;
    void EngineStopped() noexcept override;

   private:
    RunSession& session_;
  };

  // TimerItemOwner
  size_t RunListCount() const override { return run_list.Count(); }
  const RunState& CurrentRunState() const override { return state; }
  TDateTime Now() override { return clock_.Now(); }

  void StoreChanged();
  void StoreSaveDue();
  void CreateTimerItems();
  void StartChangeWatch();
  void StopChangeWatch();
  void SetTimerListActive(bool active);
  void ProcessListInBackground();
  bool CanCreateFileIn(const std::string& dir);
  ShowLogError ShowLogErrorBox();

  FileSystem& fs_;
  Clock& clock_;
  ui::MessageLoop& loop_;
  ui::Dialogs& dialogs_;
  const RegionalFormats formats_;
  const std::string store_path_;
  LoadResult store_load_;
  bool store_needs_backup_ = false;
  // A change came within the second after the last save.
  bool store_save_pending_ = false;
  LogOptions log_options_;

  RunRecords records_;
  Events events_{*this};
  RunObservers observers_;
  SchedulerLock scheduler_lock_;
  std::unique_ptr<BackgroundWatch> background_watch_;
  // The timer list was refused its platform timer; the next tick of
  // background_queue_timer tries again.
  bool timer_list_retry_ = false;
};

}  // namespace qm
