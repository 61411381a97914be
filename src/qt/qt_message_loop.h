// The message loop over Qt's event loop: nested ProcessMessages() through processEvents, the
// program's timers as QTimers.
#pragma once

#include <QElapsedTimer>
#include <map>
#include <memory>

#include "ui/message_loop.h"

class QSocketNotifier;
class QTimer;

namespace qm::qt {

class QtMessageLoop : public ui::MessageLoop {
 public:
  QtMessageLoop();
  ~QtMessageLoop() override;

  void ProcessMessages() override;
  void WaitForMessages(uint32_t max_ms) override;
  uint64_t TickCount() override;
  void Post(std::function<void()> event) override;
  void Run() override;
  void Quit() override;
  bool WatchDescriptor(int fd, std::function<void()> ready) override;
  void UnwatchDescriptor(int fd) override;

 protected:
  void TimerChanged(ui::Timer& timer) override;
  void TimerDestroyed(ui::Timer& timer) override;

 private:
  QElapsedTimer ticks_;
  QTimer* wake_ = nullptr;                // owned; ends a wait for events that do not come
  std::map<ui::Timer*, QTimer*> timers_;  // owned; deleted later, never inside their own signal
  std::map<int, QSocketNotifier*> notifiers_;  // owned, the same way
};

}  // namespace qm::qt
