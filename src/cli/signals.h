// SIGINT and SIGTERM for the headless commands (--run, --run-all, --background): a signal only
// sets a flag, and the work under way looks at it where it can stop cleanly. The headless
// observer's Update() turns a set flag into the abandon of the run, so a copy under way is
// dropped at its next block, its temporary removed, and the log is still flushed.
//
//   InterruptHandling interrupts;      // for the whole command
//   ... in RunObserver::Update():      AbandonIfInterrupted();
//   ... at the end:                    if (InterruptSignal()) return InterruptExitStatus();
//
// The window does not use this: its "Stop" lets the copy under way finish.
#pragma once

namespace qm::cli {

// While an instance lives, SIGINT and SIGTERM set the flag instead of ending the process, and
// interrupted system calls are restarted. The handlers it replaced come back when it goes.
// A later signal does not end the process at once either: it could leave a temporary file
// behind, and the stop it asks for is already under way.
class InterruptHandling {
 public:
  InterruptHandling();
  ~InterruptHandling();
  InterruptHandling(const InterruptHandling&) = delete;
  InterruptHandling& operator=(const InterruptHandling&) = delete;
};

// The first of SIGINT or SIGTERM received since the handling was installed; 0 when none.
int InterruptSignal();
inline bool Interrupted() {
  return InterruptSignal() != 0;
}

// The exit status of an interrupted command: 128 + the signal (130 SIGINT, 143 SIGTERM).
int InterruptExitStatus();

// Throws the engine's abandon when a signal has arrived. Call it from RunObserver::Update().
void AbandonIfInterrupted();

// A descriptor that becomes readable when SIGINT or SIGTERM arrives while the handling lives,
// so that a loop sleeping on descriptors wakes for it; -1 when no pipe could be made.
int InterruptDescriptor();

// Forgets a received signal; for a process that runs several commands, such as the tests.
void ResetInterrupt();

}  // namespace qm::cli
