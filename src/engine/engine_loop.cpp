#include "engine/engine_loop.h"

#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "engine/backup_pass.h"
#include "engine/copier.h"
#include "engine/copy_failure.h"
#include "engine/loop_turns.h"
#include "engine/removal_pass.h"
#include "engine/run_abandoned.h"
#include "engine/run_lock.h"
#include "engine/scan.h"
#include "engine/sync_conflicts.h"
#include "engine/sync_passes.h"

namespace qm {

namespace {

// A source top directory that is gone or cannot be listed: its empty scan must not look like
// a source whose files were all deleted.
bool SourceDirectoryReadable(FileSystem& fs, const std::string& dir) {
  // An empty mount point of an unplugged volume is not the source the user meant.
  if (!fs.NotReadyMountPlace(dir).empty()) return false;
  Result<DirEntry> st = fs.Stat(dir);
  if (!st.ok() || !st.value().is_directory()) return false;
  return fs.ListDirectory(dir).ok();
}

// An error that escaped a snapshot and ended the loop is reported as the run's failure; a break
// the user asked for has been answered already and is not reported again.
void ReportEscapedError(EngineContext& ctx, std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const RunBroken&) {
  } catch (const RunAbandoned&) {
    // The front end that abandoned the run knows why; nothing to report.
  } catch (const std::exception& e) {
    ctx.observer.RunFailed(e.what());
  } catch (...) {
    ctx.observer.RunFailed("Unknown error.");
  }
}

// The longest sleep of the idle background mode; whatever ends the idleness wakes it sooner.
constexpr uint32_t kIdleWaitMs = 3'600'000;

// PauseWithMessages that sleeps in the loop until an event comes or the pause is over, so that
// the background mode waiting for work wakes only for its rounds and its timers.
void WaitWithMessages(ui::MessageLoop& loop, uint32_t ms) {
  const uint64_t start = loop.TickCount();
  for (;;) {
    const uint64_t elapsed = loop.TickCount() - start;
    if (elapsed >= ms) return;
    loop.WaitForMessages(static_cast<uint32_t>(ms - elapsed));
  }
}

void ReportUnchangedPasses(EngineContext& ctx, RunSnapshot& item) {
  if (item.Profile.SyncMethod() == kSyncOneWay) {
    ctx.observer.StatusChanged("Backing up...");
    ctx.observer.PassStarted(PassKind::kBackup, item);
  } else {
    ctx.observer.StatusChanged("Synchronizing ->...");
    ctx.observer.PassStarted(PassKind::kSyncForward, item);
    ctx.observer.StatusChanged("Synchronizing <-...");
    ctx.observer.PassStarted(PassKind::kSyncBack, item);
  }
  item.FilesDone = static_cast<int32_t>(item.UnchangedFiles);
}

}  // namespace

bool OutsideDailyWindow(const ProfileRecord& profile, TDateTime now) {
  const TDateTime t = TimeOf(now);
  const TDateTime from = TimeOf(profile.StartTime());
  const TDateTime to = TimeOf(profile.FinishTime());
  if (from <= to) return t < from || t > to;
  // A start later than the finish is a night window such as 22:00 to 06:00: it admits the times
  // after the start and before the finish, not the day between them.
  return t < from && t > to;
}

void RunSelectedProfiles(EngineContext& ctx, std::span<const ProfileRecord> selected,
                         const std::function<void(const ProfileRecord&)>& queue_profile) {
  ctx.state.SelectedRun = true;
  for (const ProfileRecord& record : selected) queue_profile(record);
  ProcessRunList(ctx);
  ctx.state.SelectedRun = false;
}

PassOutcome ProcessSnapshot(EngineContext& ctx, RunSnapshot& item) {
  ctx.observer.ProfileTaken(item);

  const ProfileRecord& p = item.Profile;
  // A "Start selected" run ignores the daily window.
  if (ctx.state.Mode != RunMode::kSelected && p.UseStartTimeEndTime() &&
      OutsideDailyWindow(p, ctx.clock.Now())) {
    ctx.observer.ProfileDropped(item);
    return PassOutcome::kCompleted;
  }

  // One run per folder at a time: another run on the destination (or, both ways, on the
  // source) refuses this profile rather than interleave with it. A preview writes nothing and
  // takes no lock.
  std::unique_ptr<RunLock> lock;
  const int16_t method = p.SyncMethod();
  // Nor does an unchanged snapshot, which touches neither folder.
  if (!ctx.state.Preview && !item.Unchanged && (method == kSyncOneWay || method == kSyncBothWays)) {
    std::vector<std::string> folders{p.DestDir()};
    if (method == kSyncBothWays) folders.push_back(p.SrcDir());
    Result<std::unique_ptr<RunLock>> locked =
        RunLock::Acquire(folders, LockDirectoryOr(ctx.state.LockDirectory));
    if (!locked.ok()) {
      ctx.observer.ProfileLocked(item, locked.error());
      ctx.observer.ProfileDropped(item);
      return PassOutcome::kCompleted;
    }
    lock = std::move(locked.value());
  }

  const int32_t files = static_cast<int32_t>(FileCount(item));
  ctx.observer.StatusChanged("Preparing...");
  item.StartedAt = ctx.clock.Now();
  item.FilesDone = 0;
  item.FilesLeft = files;
  item.CurrentFile.clear();
  item.SrcFiles.ClearMatched();
  item.DestFiles.ClearMatched();
  ctx.observer.ProfileStarted(item);

  // The destination (and, both ways, the source) is pinned for the run: everything is written
  // relative to the volumes found now, and a volume that goes meanwhile fails what is left.
  std::unique_ptr<FileSystem> pinned;
  if (!ctx.state.Preview && (method == kSyncOneWay || method == kSyncBothWays)) {
    std::vector<std::string> roots{p.DestDir()};
    if (method == kSyncBothWays) roots.push_back(p.SrcDir());
    Result<std::unique_ptr<FileSystem>> pin = ctx.fs.Pin(roots);
    if (pin.ok()) pinned = std::move(pin.value());
  }
  EngineContext run{pinned ? *pinned : ctx.fs,
                    ctx.clock,
                    ctx.loop,
                    ctx.formats,
                    ctx.state,
                    ctx.run_list,
                    ctx.observer};

  if (lock) {
    // A run on these folders was cut off: its temporaries are debris now, whether or not
    // their source files still exist.
    if (lock->LastRunCutOff()) {
      (void)RemoveStaleTemporaries(run.fs, p.DestDir());
      if (method == kSyncBothWays) (void)RemoveStaleTemporaries(run.fs, p.SrcDir());
    }
    lock->MarkRunning();
  }
  if (item.Unchanged && (method == kSyncOneWay || method == kSyncBothWays)) {
    // Nothing changed since the last complete pass: its passes would find every file up to
    // date, so they are told as such a pass tells them, without a look at the folders.
    ReportSkippedEntries(ctx, item);
    ReportUnchangedPasses(ctx, item);
  } else if ((method == kSyncOneWay || method == kSyncBothWays) &&
             !SourceDirectoryReadable(ctx.fs, p.SrcDir())) {
    ctx.observer.SourceUnreadable(p.SrcDir());
  } else if (method == kSyncOneWay || method == kSyncBothWays) {
    ReportUnlistedSourceDirectories(ctx, item);
    ReportSkippedEntries(ctx, item);
    // Two ways, what the last completed run left tells edits made on both sides since.
    std::optional<SyncHistory> history;
    if (method == kSyncBothWays)
      history = SyncHistory::Open(ctx, item, ctx.state.SyncStateDirectory);
    const PassOutcome passes =
        method == kSyncOneWay ? RunBackupPass(run, item) : RunSyncPasses(run, item, &*history);
    if (passes == PassOutcome::kStopped) {
      if (lock) lock->MarkFinished();  // stopped between files: nothing left half-done
      ctx.observer.ProfileDropped(item);
      return PassOutcome::kStopped;
    }
    if (history) history->Save(ctx, item);
    if (method == kSyncOneWay && p.RemoveDeleted()) RunRemovalPass(run, item);
  }

  if (lock) lock->MarkFinished();
  ctx.observer.ProfileFinished(item);
  return PassOutcome::kCompleted;
}

void ProcessRunList(EngineContext& ctx) {
  RunState& state = ctx.state;
  if (state.EngineBusy) return;
  state.EngineBusy = true;
  state.VolumesWithoutModes.clear();
  std::exception_ptr escaped;
  try {
    while (state.Running) {
      if (!ctx.run_list.Empty()) {
        if (ProcessSnapshot(ctx, ctx.run_list.Object(0)) == PassOutcome::kStopped) break;
        ctx.run_list.Delete(0);
        ctx.observer.ProfileLeftList();
      }
      if (ctx.run_list.Empty() && state.SelectedRun) {
        ctx.observer.BatchFinished();
        // A batch that is over must not leave the run going, even when nobody ended it: it
        // would finish again every round.
        state.Running = false;
      }
      // A run that has ended only hands on what is waiting: the pause would delay its end.
      if (state.Running && ctx.run_list.Empty() && state.Mode == RunMode::kBackground) {
        // The background mode with nothing to do sleeps until a timer queues a profile, an
        // event comes or the mode is stopped: an idle scheduler costs no wake-ups of its own.
        ctx.loop.WaitForMessages(kIdleWaitMs);
      } else if (state.Running) {
        WaitWithMessages(ctx.loop, 10);
      } else {
        LoopTurnNow(ctx.loop);
      }
    }
  } catch (...) {
    escaped = std::current_exception();
  }
  ctx.observer.StatusChanged("Ready.");
  state.EngineBusy = false;
  ctx.observer.EngineStopped();
  ctx.run_list.Clear();
  // Reported only now: the box is modal and pumps messages, and the engine has ended.
  if (escaped) ReportEscapedError(ctx, escaped);
}

}  // namespace qm
