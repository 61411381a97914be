// The message loop of the headless commands: the real clock, posted events and timers, no
// windows.
#pragma once

#include <deque>
#include <functional>
#include <map>

#include "ui/message_loop.h"

namespace qm::ui {

class HeadlessMessageLoop : public MessageLoop {
 public:
  HeadlessMessageLoop();
  void ProcessMessages() override;
  void WaitForMessages(uint32_t max_ms) override;
  uint64_t TickCount() override;
  void Post(std::function<void()> event) override;
  void Run() override;
  void Quit() override { quit_ = true; }
  bool WatchDescriptor(int fd, std::function<void()> ready) override;
  void UnwatchDescriptor(int fd) override;

 protected:
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;

 private:
  // Waits at most `timeout_ms` (0: only looks) for a watched descriptor to become readable and
  // calls the handlers of those that are. A signal ends the wait early.
  void PollDescriptors(int timeout_ms);

  std::deque<std::function<void()>> posted_;
  std::map<Timer*, uint64_t> timers_;
  std::map<int, std::function<void()>> descriptors_;
  static constexpr uint64_t kDescriptorLookMs = 10;
  uint64_t descriptors_looked_at_ = 0;
  bool quit_ = false;
};

}  // namespace qm::ui
