// `quillmor --background`: the background mode without a window, for machines without a
// desktop and for a systemd user service. The same scheduler and engine as the window's, on the
// headless loop, until SIGTERM or SIGINT.
#pragma once

#include <iosfwd>
#include <string>

namespace qm::cli {

struct BackgroundRequest {
  std::string store_path;  // the --store value; empty for the default store
  bool verbose = false;    // -v: every log record also to stderr
};

// Runs the background mode and returns the exit status: 0 after a stop by SIGTERM or SIGINT
// (the copy under way abandoned, its temporary removed, the log flushed), 1 when the store's
// scheduler already runs elsewhere or the mode could not start.
int RunBackground(const BackgroundRequest& request, std::ostream& err);

}  // namespace qm::cli
