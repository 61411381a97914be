#include "cli/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "engine/run_abandoned.h"

namespace qm::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

struct sigaction g_old_int {};
struct sigaction g_old_term {};
// Written to by the handler, read by whoever sleeps on descriptors.
int g_pipe[2] = {-1, -1};

extern "C" void OnInterrupt(int signal) {
  // The first signal decides the exit status.
  if (g_signal == 0) g_signal = signal;
  if (g_pipe[1] >= 0) {
    const int saved = errno;
    const char byte = 1;
    (void)!write(g_pipe[1], &byte, 1);
    errno = saved;
  }
}

}  // namespace

InterruptHandling::InterruptHandling() {
  g_signal = 0;
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A copy blocked in a read must not fail as an I/O error because a signal came in.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &g_old_int);
  sigaction(SIGTERM, &action, &g_old_term);
}

InterruptHandling::~InterruptHandling() {
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGTERM, &g_old_term, nullptr);
  for (int& fd : g_pipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

int InterruptDescriptor() {
  return g_pipe[0];
}

int InterruptSignal() {
  return g_signal;
}

int InterruptExitStatus() {
  return 128 + static_cast<int>(g_signal);
}

void AbandonIfInterrupted() {
  // The engine unwinds on this without an error box; a copy under way removes its temporary.
  if (g_signal != 0) throw RunAbandoned();
}

void ResetInterrupt() {
  g_signal = 0;
}

}  // namespace qm::cli
