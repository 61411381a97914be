#include "scheduler/timer_list.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace qm {

LoopPlatformTimer::LoopPlatformTimer(ui::MessageLoop& loop) : timer_(loop, "TimerList", 1000) {
  timer_.OnTimer = [this] {
    if (OnTick) OnTick();
  };
}

bool LoopPlatformTimer::Start(uint32_t period_ms) {
  timer_.SetInterval(period_ms);
  // Re-enabling counts the period afresh.
  timer_.SetEnabled(false);
  timer_.SetEnabled(true);
  return true;
}

void TimerList::Event::SetInterval(uint32_t interval_ms) {
  if (interval_ == interval_ms) return;
  interval_ = interval_ms;
  list_.Rearm();
}

void TimerList::Event::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (enabled_) started_ = list_.tick_count_();
  list_.Rearm();
}

TimerList::TimerList(PlatformTimer& platform, std::function<uint64_t()> tick_count)
    : platform_(platform), tick_count_(std::move(tick_count)) {
  platform_.OnTick = [this] { Tick(); };
}

TimerList::~TimerList() {
  platform_.OnTick = nullptr;
  platform_.Stop();
}

int TimerList::Add(uint32_t interval_ms, bool cycled, std::function<void()> callback) {
  const int handle = next_handle_++;
  events_.emplace(handle, std::unique_ptr<Event>(
                              new Event(*this, handle, interval_ms, cycled, std::move(callback))));
  events_[handle]->started_ = tick_count_();
  Rearm();
  return handle;
}

TimerList::Event* TimerList::Find(int handle) {
  auto it = events_.find(handle);
  return it == events_.end() ? nullptr : it->second.get();
}

void TimerList::Remove(int handle) {
  if (events_.erase(handle) > 0) Rearm();
}

uint32_t TimerList::PlatformPeriod() const {
  // The greatest common divisor of the intervals: every event's due moment is a tick.
  uint32_t period = 0;
  for (const auto& [handle, e] : events_)
    if (e->enabled_ && e->interval_ > 0) period = std::gcd(period, e->interval_);
  if (period == 0) return 0;
  return std::max(period, kMinPeriodMs);
}

bool TimerList::SetActive(bool active) {
  if (active == active_) return true;
  if (active) {
    const uint64_t now = tick_count_();
    for (auto& [handle, e] : events_) e->started_ = now;
    active_ = true;
    armed_period_ = 0;
    Rearm();
    return active_;
  }
  active_ = false;
  armed_period_ = 0;
  platform_.Stop();
  if (OnFinish) OnFinish();
  return true;
}

void TimerList::Rearm() {
  if (!active_) return;
  const uint32_t period = PlatformPeriod();
  if (period == armed_period_) return;
  armed_period_ = period;
  if (period == 0) {
    platform_.Stop();
    return;
  }
  if (!platform_.Start(period)) {
    active_ = false;
    armed_period_ = 0;
    if (OnError) OnError(kNotEnoughTimers);
    if (OnFinish) OnFinish();
  }
}

void TimerList::Tick() {
  if (!active_) return;
  const uint64_t now = tick_count_();
  struct Due {
    uint32_t interval;
    int handle;
  };
  std::vector<Due> due;
  for (const auto& [handle, e] : events_) {
    // A zero interval has no period of its own and is never due.
    if (!e->enabled_ || e->interval_ == 0) continue;
    const uint64_t need = e->interval_ > kEarlyMs ? e->interval_ - kEarlyMs : 0;
    if (now - e->started_ >= need) due.push_back({e->interval_, handle});
  }
  std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
    return a.interval != b.interval ? a.interval > b.interval : a.handle > b.handle;
  });
  for (const Due& d : due) {
    // An earlier callback may have removed or switched off this one, or the whole list.
    Event* e = Find(d.handle);
    if (!active_ || e == nullptr || !e->enabled_) continue;
    // Missed periods are not made up: the next one counts from now.
    e->started_ = now;
    if (!e->cycled_) e->enabled_ = false;
    std::function<void()> cb = e->cb_;
    if (cb) cb();
  }
}

}  // namespace qm
