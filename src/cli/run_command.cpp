#include "cli/run_command.h"

#include <ostream>

#include "app/run_session.h"
#include "app/stored_log_options.h"
#include "cli/command_line.h"
#include "cli/headless_host.h"
#include "cli/signals.h"
#include "engine/engine_loop.h"
#include "engine/scan.h"
#include "platform/app_paths.h"
#include "profiles/log_kind.h"
#include "profiles/profile_store.h"
#include "stats/log_writer.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

namespace {

// How often the run looks for a signal where the engine does not call Update().
constexpr uint32_t kInterruptPollMs = 50;

// The summary's second line: where the records went.
std::string LogLine(const RunSession& session, bool dry_run) {
  if (dry_run) return "dry run: nothing was changed, no log written";
  const LogOptions& options = session.log_options();
  if (!options.create) return "log: off";
  const std::string path = LogFilePath(options.dir);
  if (session.log_write_failed) return "log: " + path + " (could not be written)";
  return "log: " + path;
}

}  // namespace

// Nothing is run from a store that is missing, unreadable or damaged: a run of the profiles
// read before the damage would look like a run of them all.
bool StoreUsable(const LoadResult& loaded, const std::string& store, std::ostream& err) {
  if (!loaded.existed) {
    err << "quillmor: the profile store " << store << " does not exist\n";
    return false;
  }
  if (!loaded.opened) {
    err << "quillmor: cannot read the profile store " << store;
    if (!loaded.error.empty()) err << ": " << loaded.error;
    err << "\n";
    return false;
  }
  if (!loaded.complete) {
    err << "quillmor: the profile store " << store << " is damaged";
    if (!loaded.error.empty()) err << ": " << loaded.error;
    err << " (" << loaded.rows_loaded << " profiles read before it); nothing was run\n";
    return false;
  }
  return true;
}

// The rows to run, or the names that match none.
bool SelectProfiles(const ProfileTable& table, const RunRequest& request,
                    std::vector<ProfileRecord>& selected, std::vector<std::string>& unknown) {
  auto add_row = [&](size_t row) {
    selected.emplace_back();
    ProfileFromRow(table.Row(row), selected.back());
  };
  if (request.all) {
    for (size_t row = 0; row < table.RecordCount(); ++row)
      if (table.Row(row).Enabled) add_row(row);
    return true;
  }
  for (const std::string& name : request.names) {
    // An exact match wins; otherwise letter case is ignored, as the run list does.
    int found = -1;
    for (size_t row = 0; row < table.RecordCount() && found < 0; ++row)
      if (table.Row(row).Name == name) found = static_cast<int>(row);
    for (size_t row = 0; row < table.RecordCount() && found < 0; ++row)
      if (NamedList<RunSnapshot>::EqualsIgnoreCase(table.Row(row).Name, name))
        found = static_cast<int>(row);
    if (found < 0)
      unknown.push_back(name);
    else
      add_row(static_cast<size_t>(found));
  }
  return unknown.empty();
}

void RunTally::Count(const FileEvent& event) {
  const bool recorded = error_record_pending_;
  error_record_pending_ = false;
  switch (event.action) {
    case FileAction::kCopied:
    case FileAction::kCopiedBack:
      ++copied;
      break;
    case FileAction::kPacked:
      ++packed;
      break;
    case FileAction::kDeleted:
      ++deleted;
      break;
    case FileAction::kFailed:
      if (!recorded) ++failed;
      break;
  }
}

void RunTally::CountRecord(LogKind kind) {
  if (kind == LogKind::kError) ++failed;
  error_record_pending_ = kind == LogKind::kError;
}

std::string RunTally::Summary() const {
  return "copied " + std::to_string(copied) + ", packed " + std::to_string(packed) + ", deleted " +
         std::to_string(deleted) + ", failed " + std::to_string(failed);
}

int RunProfiles(const RunRequest& request, std::ostream& out, std::ostream& err,
                RunObserver* watcher) {
  InterruptHandling interrupts;
  ui::HeadlessMessageLoop loop;
  RunTally tally;
  RunDialogs dialogs(err, tally);
  const std::string store = StorePath(request.store_path);
  FileSystem& fs = request.fs != nullptr ? *request.fs : PosixFileSystem();
  RunSession session(fs, SystemClock(), loop, dialogs, RegionalFormats::FromLocale(), store);

  if (!StoreUsable(session.StoreLoad(), store, err)) return kExitFailed;
  std::vector<ProfileRecord> selected;
  std::vector<std::string> unknown;
  if (!SelectProfiles(session.profile_table, request, selected, unknown)) {
    for (const std::string& name : unknown)
      err << "quillmor: no profile named \"" << name << "\" in " << store << "\n";
    return kExitUsage;
  }
  session.SetLogOptions(LoadStoredLogOptions(Registry(ConfigDirectory(), fs)));
  // The window fills this in after its first show; the log goes where it would. A preview
  // writes no log, so it neither probes nor creates the directory.
  if (!request.dry_run) session.FillDefaultLogDirectory();

  // A "Start selected" run: the daily windows do not apply.
  RunState& state = session.state;
  state.Running = true;
  state.Mode = RunMode::kSelected;
  // A preview takes every decision of the real run and writes nothing.
  state.Preview = request.dry_run;
  state.LockDirectory = request.lock_directory;
  // The removal pass between files does not call Update(): a signal stops it before the next.
  ui::Timer interrupt_poll(loop, "InterruptPoll", kInterruptPollMs, true);
  interrupt_poll.OnTimer = [&state] {
    if (Interrupted()) state.Running = false;
  };
  {
    ProgressLine line(loop, err, request.progress);
    dialogs.BeforeOutput = [&line] { line.Clear(); };
    HeadlessHost host(session, tally, line, out, err, dialogs,
                      {request.dry_run, request.verbose, request.quiet}, watcher);
    EngineContext ctx = session.MakeEngineContext();
    RunSelectedProfiles(ctx, selected, [&ctx](const ProfileRecord& p) {
      if (!Interrupted()) QueueProfile(ctx, p);
    });
    dialogs.BeforeOutput = nullptr;
  }
  // The records of the file under way when the run ended are written now, not lost.
  session.FlushLog();

  if (!request.quiet) out << tally.Summary() << "\n" << LogLine(session, request.dry_run) << "\n";
  out.flush();
  if (Interrupted()) return InterruptExitStatus();
  return tally.failed > 0 ? kExitFailed : 0;
}

}  // namespace qm::cli
