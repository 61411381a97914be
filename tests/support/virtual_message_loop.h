// A message loop on a virtual clock, for tests: time moves only when the loop is asked to
// process messages, so a scenario (a click at 50 ms, a timer every 1500 ms) runs the same way
// every time and as fast as the code allows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "ui/message_loop.h"

namespace qm::ui {

class VirtualMessageLoop : public MessageLoop, public Clock {
 public:
  // `start` is the local date-time at tick 0.
  explicit VirtualMessageLoop(TDateTime start = 46000.5);  // 2025-12-09 12:00
  ~VirtualMessageLoop() override;

  // Each call advances the clock by step_ms() (1 ms by default), then runs what fell due.
  void ProcessMessages() override;
  uint64_t TickCount() override { return now_ms_; }
  void Post(std::function<void()> event) override;
  // Runs until Quit(); jumps over idle time straight to the next due event. Throws
  // std::runtime_error when nothing is left to run and Quit() was never called, or after
  // `max_ms` of virtual time.
  void Run() override;
  void Quit() override { quit_ = true; }
  // Time moves with the turns, so every turn the engine offers is taken.
  bool ClockMovesByItself() const override { return false; }

  // Clock
  TDateTime Now() override { return start_ + static_cast<double>(now_ms_) / kMsPerDay; }

  // Schedules `action` at virtual tick `at_ms` (or at once, if that has passed).
  void At(uint64_t at_ms, std::function<void()> action);
  void After(uint64_t delay_ms, std::function<void()> action) { At(now_ms_ + delay_ms, action); }
  // Processes messages until `ms` more milliseconds of virtual time have passed.
  void RunFor(uint64_t ms);
  // Processes messages until `done()` holds; false when `max_ms` passed first.
  bool RunUntil(const std::function<bool()>& done, uint64_t max_ms = 3'600'000);
  // Moves the clock without running anything (a long blocking call).
  void Advance(uint64_t ms) { now_ms_ += ms; }

  void set_step_ms(uint64_t ms) { step_ms_ = ms; }
  uint64_t step_ms() const { return step_ms_; }
  void set_max_ms(uint64_t ms) { max_ms_ = ms; }
  bool quit_requested() const { return quit_; }

 protected:
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;

 private:
  void RunDue();
  // The next tick at which something is due; UINT64_MAX when nothing is.
  uint64_t NextDue() const;

  TDateTime start_;
  uint64_t now_ms_ = 0;
  uint64_t step_ms_ = 1;
  uint64_t max_ms_ = 24ull * 3'600'000;
  bool quit_ = false;
  uint64_t seq_ = 0;
  std::multimap<std::pair<uint64_t, uint64_t>, std::function<void()>> scheduled_;
  // enabled timer -> (tick of its next firing, arming order): timers due together fire in the
  // order they fell due, then in the order they were armed, never by address.
  std::map<Timer*, std::pair<uint64_t, uint64_t>> timers_;
};

}  // namespace qm::ui
