// The abandon of a run: a front end's RunObserver::Update() throws it to end the run at once
// (the headless commands do so on SIGINT or SIGTERM). The copy or pack under way is dropped at
// its next block, its temporary removed and the old target left as it was; the copies already
// complete are committed as at the end of a pass; the engine loop then ends quietly.
// The window's "Stop" is not an abandon: it clears Running and lets the copy under way finish.
#pragma once

#include <exception>

namespace qm {

class RunAbandoned : public std::exception {
 public:
  const char* what() const noexcept override { return "The run was abandoned"; }
};

}  // namespace qm
