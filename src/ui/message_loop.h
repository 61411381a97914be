// The message loop the program runs on, and its timers. One thread: long work calls
// ProcessMessages() so that clicks, timers and posted events are handled nested inside it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ui/signal.h"

namespace qm::ui {

class Timer;

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;

  // Handles every pending event and due timer, then returns. Safe to call nested, from inside a
  // handler that was itself called from ProcessMessages() or Run().
  virtual void ProcessMessages() = 0;
  // Sleeps until an event is posted, a timer falls due or `max_ms` have passed, then handles
  // what is pending. A loop that cannot sleep (the tests' virtual clock) just processes messages.
  virtual void WaitForMessages(uint32_t max_ms) {
    (void)max_ms;
    ProcessMessages();
  }
  // Milliseconds since some fixed moment; never goes backwards.
  virtual uint64_t TickCount() = 0;
  // Queues `event` to run on the loop's thread at its next round.
  virtual void Post(std::function<void()> event) = 0;
  // Runs until Quit().
  virtual void Run() = 0;
  virtual void Quit() = 0;
  // Calls `ready` on the loop's thread whenever `fd` can be read, until UnwatchDescriptor(fd),
  // so that a kernel queue wakes the loop instead of being polled on a timer. False when the
  // loop cannot watch descriptors; the caller then reads its queue when it needs to.
  virtual bool WatchDescriptor(int fd, std::function<void()> ready) {
    (void)fd;
    (void)ready;
    return false;
  }
  virtual void UnwatchDescriptor(int fd) { (void)fd; }

 protected:
  friend class Timer;
  // A timer was enabled, disabled or changed its interval.
  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerDestroyed(Timer& timer) = 0;

 public:
  // Whether TickCount() moves while no message is processed. A loop whose clock moves only
  // when it processes messages (the tests' virtual one) would never see a turn by time fall due.
  virtual bool ClockMovesByItself() const { return true; }
  // The tick of the last turn the engine gave this loop by time (engine/loop_turns.h).
  uint64_t last_engine_turn = 0;
};

// A periodic timer on a message loop: fires OnTimer every Interval ms while Enabled.
class Timer {
 public:
  Timer(MessageLoop& loop, std::string name, uint32_t interval_ms, bool enabled = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t interval_ms);

  std::function<void()> OnTimer;
  // Called by the loop when the timer falls due.
  void Fire() {
    if (enabled_ && OnTimer) OnTimer();
  }

 private:
  MessageLoop& loop_;
  std::string name_;
  uint32_t interval_;
  bool enabled_;
};

// Waits until `ms` milliseconds have passed by the loop's tick count, processing messages.
void PauseWithMessages(MessageLoop& loop, uint32_t ms);

}  // namespace qm::ui
