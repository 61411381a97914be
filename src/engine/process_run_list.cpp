#include "engine/process_run_list.h"

#include <chrono>
#include <exception>
#include <thread>

#include "engine/backup_pass.h"
#include "engine/copy_failure.h"
#include "engine/removal_pass.h"
#include "engine/sync_passes.h"

namespace qm {

namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string ProfileLine(const char* what, const TDataItem& item, int32_t files) {
  const TProfileRecord& p = item.Profile;
  return std::string(what) + Quoted(p.Name()) + ", Source=" + Quoted(p.SrcDir()) +
         ", Destination=" + Quoted(p.DestDir()) + ", Files:" + std::to_string(files);
}

// A source top directory that is gone or cannot be listed: its empty scan must not look like
// a source whose files were all deleted.
bool SourceDirectoryReadable(FileSystem& fs, const std::string& dir) {
  Result<DirEntry> st = fs.Stat(dir);
  if (!st.ok() || !st.value().is_directory()) return false;
  return fs.ListDirectory(dir).ok();
}

// An error that escaped a snapshot and ended the loop goes to the application's error box; a
// break the user asked for has been answered already and is not reported again.
void ReportEscapedError(EngineContext& ctx, std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const RunBroken&) {
  } catch (const std::exception& e) {
    ctx.dialogs.ShowApplicationError(ui::ApplicationErrorText(e.what()));
  } catch (...) {
    ctx.dialogs.ShowApplicationError("Unknown error.");
  }
}

// PauseWithMessages that gives up the processor between checks when nothing is pending, so that
// the background mode waiting for work does not keep a core busy. A loop whose clock moves
// with each round (the virtual one of the tests) never sleeps.
void WaitWithMessages(ui::MessageLoop& loop, uint32_t ms) {
  const uint64_t start = loop.TickCount();
  for (;;) {
    const uint64_t before = loop.TickCount();
    if (before - start >= ms) return;
    loop.ProcessMessages();
    if (loop.TickCount() == before) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace

bool OutsideDailyWindow(const TProfileRecord& profile, TDateTime now) {
  const TDateTime t = TimeOf(now);
  return t < TimeOf(profile.StartTime()) || t > TimeOf(profile.FinishTime());
}

void RunSelectedProfiles(EngineContext& ctx, std::span<const TProfileRecord> selected,
                         const std::function<void(const TProfileRecord&)>& queue_profile) {
  ctx.state.SelectedRun = true;
  for (const TProfileRecord& record : selected) queue_profile(record);
  ProcessRunList(ctx);
  ctx.state.SelectedRun = false;
}

PassOutcome ProcessSnapshot(EngineContext& ctx, TDataItem& item) {
  ctx.host.SetTrayAnimation(true);
  ctx.host.SetStatTimerEnabled(true);

  const TProfileRecord& p = item.Profile;
  // A "Start selected" run ignores the daily window.
  if (ctx.state.Mode != RunMode::kSelected && p.UseStartTimeEndTime() &&
      OutsideDailyWindow(p, ctx.clock.Now())) {
    ctx.host.ProfileDropped(item);
    return PassOutcome::kCompleted;
  }

  const int32_t files = static_cast<int32_t>(item.SrcFiles.Count() + item.DestFiles.Count());
  ctx.host.WriteLog(lkInfo, ProfileLine("Started profile ", item, files));

  ctx.host.StatusChanged("Preparing...");
  item.StartedAt = ctx.clock.Now();
  item.FilesDone = 0;
  item.FilesLeft = files;
  item.CurrentFile.clear();
  for (size_t i = 0; i < item.SrcFiles.Count(); ++i) item.SrcFiles.Object(i).Matched = 0;
  for (size_t i = 0; i < item.DestFiles.Count(); ++i) item.DestFiles.Object(i).Matched = 0;
  ctx.host.ProfileStarted(item);

  const int16_t method = p.SyncMethod();
  if ((method == 0 || method == 1) && !SourceDirectoryReadable(ctx.fs, p.SrcDir())) {
    ctx.host.WriteLog(lkError, "Can not read source directory " + Quoted(p.SrcDir()));
  } else if (method == 0) {
    if (RunBackupPass(ctx, item) == PassOutcome::kStopped) {
      ctx.host.ProfileDropped(item);
      return PassOutcome::kStopped;
    }
    if (p.RemoveDeleted()) RunRemovalPass(ctx, item);
  } else if (method == 1) {
    if (RunSyncPasses(ctx, item) == PassOutcome::kStopped) {
      ctx.host.ProfileDropped(item);
      return PassOutcome::kStopped;
    }
  }

  ctx.host.WriteLog(lkInfo, ProfileLine("Finished profile ", item, files));
  ctx.host.ProfileFinished(item);
  return PassOutcome::kCompleted;
}

void ProcessRunList(EngineContext& ctx) {
  RunState& state = ctx.state;
  if (state.EngineBusy) return;
  state.EngineBusy = true;
  std::exception_ptr escaped;
  try {
    while (state.Running) {
      if (!ctx.RunList.Empty()) {
        if (ProcessSnapshot(ctx, ctx.RunList.Object(0)) == PassOutcome::kStopped) break;
        ctx.RunList.Delete(0);
        ctx.host.StatTimerTimer();
      }
      if (ctx.RunList.Empty() && state.SelectedRun) {
        ctx.dialogs.ShowInformation("Done.");
        if (state.Mode == RunMode::kSelected)
          ctx.host.bStartClick();
        else
          ctx.host.StopWork();
        // A click that was cancelled (a refused post) must not leave the run going: it would
        // say "Done." again every round.
        if (state.Running) ctx.host.StopWork();
      }
      WaitWithMessages(ctx.loop, 10);
    }
  } catch (...) {
    escaped = std::current_exception();
  }
  ctx.host.StatusChanged("Ready.");
  state.EngineBusy = false;
  ctx.host.EngineStopped();
  ctx.RunList.Clear();
  // Reported only now: the box is modal and pumps messages, and the engine has ended.
  if (escaped) ReportEscapedError(ctx, escaped);
}

}  // namespace qm
