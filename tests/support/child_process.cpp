#include "support/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

namespace qm::test {

namespace {

using Clock = std::chrono::steady_clock;
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

int MillisecondsLeft(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads what `fd` has into `into`; false at its end.
bool ReadSome(int fd, std::string& into) {
  char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n > 0) into.append(buf, static_cast<size_t>(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

// Points `target` (1 or 2) at a file, a pipe's write end, or leaves it.
void Redirect(const std::string& where, const int pipe_fds[2], int target) {
  if (where.empty()) return;
  if (where == kPipe) {
    dup2(pipe_fds[1], target);
    return;
  }
  const int fd = open(where.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) dup2(fd, target);
}

}  // namespace

EnvChanges IsolatedEnvironment(const std::string& root) {
  return {{"QUILLMOR_CONFIG_DIR", std::nullopt},
          {"QUILLMOR_STORE", std::nullopt},
          {"XDG_CONFIG_HOME", root + "/config"},
          {"XDG_DATA_HOME", root + "/data"}};
}

ChildProcess::ChildProcess(const std::string& program, ChildOptions options) {
  std::vector<std::string> args{program};
  args.insert(args.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Start(
      [&] {
        execv(program.c_str(), argv.data());
        return 127;  // not started
      },
      options);
}

ChildProcess::ChildProcess(const std::function<int()>& body, ChildOptions options) {
  Start(body, options);
}

void ChildProcess::Start(const std::function<int()>& body, const ChildOptions& options) {
  int out_pipe[2] = {-1, -1}, err_pipe[2] = {-1, -1};
  if (options.out == kPipe && pipe(out_pipe) != 0) ADD_FAILURE() << "no pipe for stdout";
  if (options.err == kPipe && pipe(err_pipe) != 0) ADD_FAILURE() << "no pipe for stderr";
  // What the test buffered must not be written twice, by the child too.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    Redirect(options.out, out_pipe, STDOUT_FILENO);
    Redirect(options.err, err_pipe, STDERR_FILENO);
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      if (fd >= 0) close(fd);
    for (const auto& [name, value] : options.env) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    int status = 125;
    try {
      status = body();
    } catch (...) {
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(status);
  }
  EXPECT_GT(pid_, 0) << "fork failed: " << std::strerror(errno);
  for (int fd : {out_pipe[1], err_pipe[1]})
    if (fd >= 0) close(fd);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {out_fd_, err_fd_})
    if (fd >= 0) close(fd);
}

void ChildProcess::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return status_;
  const auto end = Clock::now() + limit;
  int raw = 0;
  pid_t done = 0;
  while ((done = waitpid(pid_, &raw, WNOHANG)) == 0 && Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (done < 0) ADD_FAILURE() << "child " << pid_ << " could not be waited for";
  if (done == 0) {
    ADD_FAILURE() << "child " << pid_ << " still running after " << limit.count() << " ms";
    kill(pid_, SIGKILL);
    waitpid(pid_, &raw, 0);
  }
  pid_ = -1;
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  term_signal_ = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
  return status_;
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  for (;;) {
    const size_t nl = out_buffer_.find('\n');
    if (nl != std::string::npos) {
      std::string line = out_buffer_.substr(0, nl);
      out_buffer_.erase(0, nl + 1);
      return line;
    }
    if (out_fd_ < 0) return std::nullopt;
    pollfd p{out_fd_, POLLIN, 0};
    if (poll(&p, 1, MillisecondsLeft(end)) <= 0) return std::nullopt;
    if (!ReadSome(out_fd_, out_buffer_)) return std::nullopt;
  }
}

Outcome ChildProcess::Finish(std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  Outcome o;
  o.out = std::move(out_buffer_);
  std::vector<pollfd> open;
  for (int fd : {out_fd_, err_fd_})
    if (fd >= 0) open.push_back({fd, POLLIN, 0});
  while (!open.empty() && MillisecondsLeft(end) > 0) {
    if (poll(open.data(), open.size(), MillisecondsLeft(end)) <= 0) continue;
    for (auto p = open.begin(); p != open.end();) {
      if (p->revents != 0 && !ReadSome(p->fd, p->fd == out_fd_ ? o.out : o.err)) {
        p = open.erase(p);
      } else {
        ++p;
      }
    }
  }
  o.status = Wait(std::chrono::milliseconds(MillisecondsLeft(end)));
  return o;
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

}  // namespace qm::test
