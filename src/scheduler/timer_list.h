// A list of timer events that share one platform timer: the background mode's per-profile
// timers. The list decides which events are due on each tick of its platform timer; the loop
// only has to deliver those ticks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/message_loop.h"

namespace qm {

// The one platform timer under a TimerList. Start() may be refused (a platform out of timers);
// the list then reports the refusal and counts as switched off.
class PlatformTimer {
 public:
  virtual ~PlatformTimer() = default;
  [[nodiscard]] virtual bool Start(uint32_t period_ms) = 0;
  virtual void Stop() = 0;
  std::function<void()> OnTick;
};

// A platform timer on the program's message loop; never refused.
class LoopPlatformTimer : public PlatformTimer {
 public:
  explicit LoopPlatformTimer(ui::MessageLoop& loop);
  bool Start(uint32_t period_ms) override;
  void Stop() override { timer_.SetEnabled(false); }

 private:
  ui::Timer timer_;
};

inline constexpr const char* kNotEnoughTimers = "Not enough timers available";

class TimerList {
 public:
  // An event is due this much before its interval has passed, so that a platform tick that
  // comes a little early does not cost a whole period.
  static constexpr uint32_t kEarlyMs = 50;
  static constexpr uint32_t kMinPeriodMs = 100;

  class Event {
   public:
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval_ms);
    bool Enabled() const { return enabled_; }
    // Switching on starts the period at this moment.
    void SetEnabled(bool enabled);

   private:
    friend class TimerList;
    Event(TimerList& list, int handle, uint32_t interval, bool cycled, std::function<void()> cb)
        : list_(list), handle_(handle), interval_(interval), cycled_(cycled), cb_(std::move(cb)) {}
    TimerList& list_;
    int handle_;
    uint32_t interval_;
    bool cycled_;
    bool enabled_ = true;
    uint64_t started_ = 0;
    std::function<void()> cb_;
  };

  // `tick_count` is the clock the periods are measured on (the loop's tick count).
  TimerList(PlatformTimer& platform, std::function<uint64_t()> tick_count);
  ~TimerList();
  TimerList(const TimerList&) = delete;
  TimerList& operator=(const TimerList&) = delete;

  // Registers an event, enabled, and returns its handle.
  int Add(uint32_t interval_ms, bool cycled, std::function<void()> callback);
  // Null when no event has that handle.
  Event* Find(int handle);
  void Remove(int handle);
  size_t Count() const { return events_.size(); }

  bool Active() const { return active_; }
  // Switching on starts the period of every enabled event now; false when the platform refused
  // its timer (OnError then hears kNotEnoughTimers and the list stays off). Switching off
  // raises OnFinish.
  bool SetActive(bool active);

  // The period the platform timer runs at for the enabled events; 0 when none needs it.
  uint32_t PlatformPeriod() const;

  // One tick of the platform timer: fires the due events, the longest interval first and,
  // among equal intervals, the one registered last first.
  void Tick();

  std::function<void()> OnFinish;
  std::function<void(const std::string&)> OnError;

 private:
  // Re-arms the platform timer after the set of enabled events changed.
  void Rearm();

  PlatformTimer& platform_;
  std::function<uint64_t()> tick_count_;
  std::map<int, std::unique_ptr<Event>> events_;
  int next_handle_ = 1;
  bool active_ = false;
  uint32_t armed_period_ = 0;
};

}  // namespace qm
