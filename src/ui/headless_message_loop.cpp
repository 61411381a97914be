#include "ui/headless_message_loop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

namespace qm::ui {

HeadlessMessageLoop::HeadlessMessageLoop() = default;

uint64_t HeadlessMessageLoop::TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void HeadlessMessageLoop::Post(std::function<void()> event) {
  posted_.push_back(std::move(event));
}

void HeadlessMessageLoop::ProcessMessages() {
  // Called before every file of a pass: a look at the descriptors every few milliseconds is
  // enough, and spares a system call per file.
  if (!descriptors_.empty() && TickCount() - descriptors_looked_at_ >= kDescriptorLookMs)
    PollDescriptors(0);
  // Only what is pending now: events posted by these handlers wait for the next round.
  for (size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
    auto event = std::move(posted_.front());
    posted_.pop_front();
    event();
  }
  const uint64_t now = TickCount();
  std::vector<std::pair<uint64_t, Timer*>> due;
  for (auto& [timer, at] : timers_) {
    if (at <= now) {
      due.emplace_back(at, timer);
      at = now + (timer->Interval() ? timer->Interval() : 1);
    }
  }
  // The timer that fell due first fires first, not the one at the lowest address.
  std::stable_sort(due.begin(), due.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto [at, timer] : due) {
    if (timers_.count(timer)) timer->Fire();
  }
}

void HeadlessMessageLoop::WaitForMessages(uint32_t max_ms) {
  if (posted_.empty()) {
    const uint64_t now = TickCount();
    uint64_t wake = now + max_ms;
    for (const auto& [timer, at] : timers_) wake = std::min(wake, at);
    if (wake > now) {
      const uint64_t wait = wake - now;
      if (descriptors_.empty()) {
        // A signal handler only sets a flag; whoever watches it runs on a timer, so a sleep
        // that is not cut short by the signal costs at most that timer's period.
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
      } else {
        // ProcessMessages() below looks at the descriptors again.
        PollDescriptors(static_cast<int>(std::min<uint64_t>(wait, INT32_MAX)));
      }
    }
  }
  ProcessMessages();
}

bool HeadlessMessageLoop::WatchDescriptor(int fd, std::function<void()> ready) {
  if (fd < 0) return false;
  descriptors_[fd] = std::move(ready);
  return true;
}

void HeadlessMessageLoop::UnwatchDescriptor(int fd) {
  descriptors_.erase(fd);
}

void HeadlessMessageLoop::PollDescriptors(int timeout_ms) {
  std::vector<pollfd> fds;
  fds.reserve(descriptors_.size());
  for (const auto& [fd, ready] : descriptors_) fds.push_back({fd, POLLIN, 0});
  const int ready = poll(fds.data(), fds.size(), timeout_ms);
  descriptors_looked_at_ = TickCount();
  if (ready <= 0) return;
  for (const pollfd& p : fds) {
    if ((p.revents & (POLLIN | POLLERR | POLLHUP)) == 0) continue;
    // A handler may unwatch any descriptor, its own included.
    auto it = descriptors_.find(p.fd);
    if (it == descriptors_.end()) continue;
    std::function<void()> ready = it->second;
    ready();
  }
}

void HeadlessMessageLoop::Run() {
  quit_ = false;
  while (!quit_) WaitForMessages(1000);
}

void HeadlessMessageLoop::TimerChanged(Timer& timer) {
  if (timer.Enabled())
    timers_[&timer] = TickCount() + timer.Interval();
  else
    timers_.erase(&timer);
}

void HeadlessMessageLoop::TimerDestroyed(Timer& timer) {
  timers_.erase(&timer);
}

}  // namespace qm::ui
