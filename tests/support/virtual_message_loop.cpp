#include "support/virtual_message_loop.h"

#include <limits>
#include <stdexcept>

namespace qm::ui {

VirtualMessageLoop::VirtualMessageLoop(TDateTime start) : start_(start) {}

VirtualMessageLoop::~VirtualMessageLoop() = default;

void VirtualMessageLoop::ProcessMessages() {
  now_ms_ += step_ms_;
  RunDue();
}

void VirtualMessageLoop::Post(std::function<void()> event) {
  At(now_ms_, std::move(event));
}

void VirtualMessageLoop::At(uint64_t at_ms, std::function<void()> action) {
  scheduled_.emplace(std::make_pair(at_ms, seq_++), std::move(action));
}

void VirtualMessageLoop::RunDue() {
  // Each due item is removed before it runs: a handler may process messages again (nested).
  for (;;) {
    if (!scheduled_.empty() && scheduled_.begin()->first.first <= now_ms_) {
      auto node = scheduled_.extract(scheduled_.begin());
      node.mapped()();
      continue;
    }
    Timer* due = nullptr;
    const std::pair<uint64_t, uint64_t>* due_when = nullptr;
    for (const auto& [timer, when] : timers_) {
      if (when.first <= now_ms_ && (!due_when || when < *due_when)) {
        due = timer;
        due_when = &when;
      }
    }
    if (!due) return;
    timers_[due] = {now_ms_ + (due->Interval() ? due->Interval() : 1), seq_++};
    due->Fire();
  }
}

uint64_t VirtualMessageLoop::NextDue() const {
  uint64_t next = std::numeric_limits<uint64_t>::max();
  if (!scheduled_.empty()) next = scheduled_.begin()->first.first;
  for (const auto& [timer, when] : timers_) next = std::min(next, when.first);
  return next;
}

void VirtualMessageLoop::Run() {
  quit_ = false;
  const uint64_t limit = now_ms_ + max_ms_;
  while (!quit_) {
    const uint64_t next = NextDue();
    if (next == std::numeric_limits<uint64_t>::max())
      throw std::runtime_error("VirtualMessageLoop::Run: nothing left to run and no Quit()");
    if (next > limit) throw std::runtime_error("VirtualMessageLoop::Run: time limit reached");
    if (next > now_ms_ + step_ms_) now_ms_ = next - step_ms_;
    ProcessMessages();
  }
}

void VirtualMessageLoop::RunFor(uint64_t ms) {
  const uint64_t end = now_ms_ + ms;
  while (now_ms_ < end) {
    const uint64_t next = NextDue();
    if (next > end) {
      now_ms_ = end;
      RunDue();
      return;
    }
    if (next > now_ms_ + step_ms_) now_ms_ = next - step_ms_;
    ProcessMessages();
  }
}

bool VirtualMessageLoop::RunUntil(const std::function<bool()>& done, uint64_t max_ms) {
  const uint64_t end = now_ms_ + max_ms;
  while (!done()) {
    if (now_ms_ >= end) return false;
    ProcessMessages();
  }
  return true;
}

void VirtualMessageLoop::TimerChanged(Timer& timer) {
  if (timer.Enabled())
    timers_[&timer] = {now_ms_ + timer.Interval(), seq_++};
  else
    timers_.erase(&timer);
}

void VirtualMessageLoop::TimerDestroyed(Timer& timer) {
  timers_.erase(&timer);
}

}  // namespace qm::ui
