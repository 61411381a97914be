// A child process for tests: the real program (or a function in a fork of the test), with its
// own arguments and environment, its output read, signalled, waited for within a bound, and
// killed when the test ends before it does.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

// Where a child's stdout or stderr goes: a file's path, or one of these.
inline const std::string kInherit;            // the test's own
inline const std::string kPipe = "\x01pipe";  // read by ReadLine and Finish

struct ChildOptions {
  std::vector<std::string> args = {};  // without the program
  // Changes to the test's environment, in the child only; nullopt unsets a variable.
  std::vector<std::pair<std::string, std::optional<std::string>>> env = {};
  std::string out = "/dev/null";
  std::string err = kInherit;
};

// The environment that keeps a started program's options below root/config and its data files
// below root/data, whatever the test's own environment says.
std::vector<std::pair<std::string, std::optional<std::string>>> IsolatedEnvironment(
    const std::string& root);

struct Outcome {
  int status = -1;
  std::string out, err;
};

class ChildProcess {
 public:
  // Runs `program`.
  ChildProcess(const std::string& program, ChildOptions options);
  // Runs `body` in a fork of the test; its result is the exit status.
  ChildProcess(const std::function<int()>& body, ChildOptions options);
  // Kills and reaps a child still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Sends `signal` unless the child was already reaped.
  void Signal(int signal) const;
  // Waits for the end, at most `limit`; a child still running then is killed and the test
  // fails. The exit status, or -1 when a signal ended the child (TermSignal() says which).
  int Wait(std::chrono::milliseconds limit = std::chrono::seconds(60));
  int TermSignal() const { return term_signal_; }
  // The next line of a piped stdout without its newline; nullopt at its end or after `limit`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Reads the piped outputs to their ends, then waits as Wait does.
  Outcome Finish(std::chrono::milliseconds limit = std::chrono::seconds(60));

 private:
  void Start(const std::function<int()>& body, const ChildOptions& options);

  pid_t pid_ = -1;
  int out_fd_ = -1, err_fd_ = -1;
  std::string out_buffer_;
  int status_ = -1, term_signal_ = 0;
};

// Polls `done` until it holds or `limit` has passed; its last answer.
bool PollUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

#ifdef QUILLMOR_EXE
// The real program with its options and data files below `root`.
inline ChildProcess StartQuillmor(const std::string& root, ChildOptions options) {
  auto env = IsolatedEnvironment(root);
  env.insert(env.end(), options.env.begin(), options.env.end());
  options.env = std::move(env);
  return ChildProcess(QUILLMOR_EXE, std::move(options));
}
// Runs the real program to its end with its outputs caught.
inline Outcome RunQuillmor(
    const std::string& root, std::vector<std::string> args,
    std::vector<std::pair<std::string, std::optional<std::string>>> env = {}) {
  return StartQuillmor(root, {std::move(args), std::move(env), kPipe, kPipe}).Finish();
}
#endif

}  // namespace qm::test
