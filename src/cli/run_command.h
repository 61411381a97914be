// `quillmor --run NAME...` and `--run-all`: the profiles run headless through the main window's
// engine, with no one to answer questions, a progress line on a terminal and a summary.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/run_observer.h"
#include "profiles/qmTypes.h"

namespace qm::cli {

// What a run did, counted from the engine's events (failed: its error records), whatever the
// log options let through to the file.
struct RunTally {
  int copied = 0;
  int packed = 0;
  int deleted = 0;
  int failed = 0;

  // Copies both ways, packs and deletions; a failure is counted by its error record.
  void Count(const FileEvent& event);
  void CountRecord(TLogKind kind);
  // "copied N, packed N, deleted N, failed N"
  std::string Summary() const;
};

struct RunRequest {
  std::string store_path;          // the --store value; empty for the default store
  std::vector<std::string> names;  // profiles to run, in this order
  bool all = false;                // every profile of the store, in store order
};

// Runs the request and returns the exit status: 0 when no error record was made, 1 when one
// was, 2 when a name matches no profile (then nothing runs). The summary goes to `out`;
// messages, and the progress line when `progress` is set, to `err`.
// `watcher`, when given, hears the run's events too.
int RunProfiles(const RunRequest& request, std::ostream& out, std::ostream& err, bool progress,
                RunObserver* watcher = nullptr);

}  // namespace qm::cli
