// `quillmor --run NAME...` and `--run-all`: the profiles run headless through the main window's
// engine, with no one to answer questions, a progress line on a terminal and a summary.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/run_observer.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"
#include "profiles/profile_record.h"
#include "profiles/profile_store.h"
#include "profiles/profile_table.h"

namespace qm::cli {

// What a run did, counted from the engine's events, whatever the log options let through.
struct RunTally {
  int copied = 0;
  int packed = 0;
  int deleted = 0;
  int failed = 0;

  // Copies both ways, packs, deletions and failed files.
  void Count(const FileEvent& event);
  // An error record is a failure: a failed file's (which comes just before its event, as the
  // records hear every event first, so the two count once) or one of its own (an unreadable
  // folder, a profile refused).
  void CountRecord(LogKind kind);
  // A failure that made no record: an error that ended the engine, a log not written.
  void CountFailure() { ++failed; }
  // "copied N, packed N, deleted N, failed N"
  std::string Summary() const;

 private:
  bool error_record_pending_ = false;  // an error record that a failed file's event may follow
};

struct RunRequest {
  std::string store_path;          // the --store value; empty for the default store
  std::vector<std::string> names;  // profiles to run, in this order, enabled or not
  bool all = false;                // every enabled profile of the store, in store order
  bool dry_run = false;            // print the actions, change nothing
  bool verbose = false;            // every log record to stderr as it is made
  bool quiet = false;              // no summary, no action lines
  bool progress = false;           // the progress line; only for a terminal on stderr
  FileSystem* fs = nullptr;        // the real file system when null
  std::string lock_directory;      // where the folder locks live; empty for the user's own
};

// Runs the request and returns the exit status: 0 when nothing failed, 1 when something did
// or the store is missing, unreadable or damaged (then nothing runs), 2 when a name matches
// no profile (then nothing runs), 128 + the signal when SIGINT or SIGTERM stopped it. The
// summary and a preview's actions go to `out`; messages and the progress line to `err`.
// `watcher`, when given, hears the run's events too.
// Whether the store loaded whole; tells why not on `err`.
bool StoreUsable(const LoadResult& loaded, const std::string& store, std::ostream& err);
// The rows `request` names (every enabled one for `all`), or in `unknown` the names that
// match none.
bool SelectProfiles(const ProfileTable& table, const RunRequest& request,
                    std::vector<ProfileRecord>& selected, std::vector<std::string>& unknown);

int RunProfiles(const RunRequest& request, std::ostream& out, std::ostream& err,
                RunObserver* watcher = nullptr);

}  // namespace qm::cli
