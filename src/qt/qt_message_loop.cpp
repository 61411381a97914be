#include "qt/qt_message_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace qm::qt {

QtMessageLoop::QtMessageLoop() {
  ticks_.start();
  wake_ = new QTimer();
  wake_->setSingleShot(true);
}

QtMessageLoop::~QtMessageLoop() {
  delete wake_;
  for (auto& [timer, qtimer] : timers_) {
    qtimer->stop();
    delete qtimer;
  }
  for (auto& [fd, notifier] : notifiers_) delete notifier;
}

void QtMessageLoop::ProcessMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // What the handlers just changed (a Stop's captions and tabs) is laid out and painted by
  // posted events; delivered now, it shows before the engine takes the thread again instead
  // of at its next turn.
  QCoreApplication::sendPostedEvents();
}

void QtMessageLoop::WaitForMessages(uint32_t max_ms) {
  QCoreApplication::sendPostedEvents();
  // The wake-up timer's event ends the wait at the latest after max_ms.
  wake_->start(static_cast<int>(max_ms));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  wake_->stop();
}

uint64_t QtMessageLoop::TickCount() {
  return static_cast<uint64_t>(ticks_.elapsed());
}

void QtMessageLoop::Post(std::function<void()> event) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(event), Qt::QueuedConnection);
}

void QtMessageLoop::Run() {
  QCoreApplication::exec();
}

// The outermost loop ends, and so does a modal box's: a nested ProcessMessages() (a running
// engine) returns normally and the program ends once the handler that asked for it has
// returned. Not quit(): that first asks every window to close, and an open question box
// refuses, which would leave a program told to end by a signal running.
void QtMessageLoop::Quit() {
  QCoreApplication::exit(0);
}

void QtMessageLoop::TimerChanged(ui::Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) {
    auto* qtimer = new QTimer();
    QObject::connect(qtimer, &QTimer::timeout, [&timer] { timer.Fire(); });
    it = timers_.emplace(&timer, qtimer).first;
  }
  QTimer* qtimer = it->second;
  qtimer->setInterval(static_cast<int>(timer.Interval()));
  if (timer.Enabled()) {
    // Restarting counts the interval afresh, as re-enabling a timer does.
    qtimer->start();
  } else {
    qtimer->stop();
  }
}

void QtMessageLoop::TimerDestroyed(ui::Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  it->second->stop();
  // The timer may be destroyed from inside its own timeout handler.
  it->second->deleteLater();
  timers_.erase(it);
}

}  // namespace qm::qt

namespace qm::qt {

bool QtMessageLoop::WatchDescriptor(int fd, std::function<void()> ready) {
  if (fd < 0) return false;
  UnwatchDescriptor(fd);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, [ready = std::move(ready)] { ready(); });
  notifiers_.emplace(fd, notifier);
  return true;
}

void QtMessageLoop::UnwatchDescriptor(int fd) {
  auto it = notifiers_.find(fd);
  if (it == notifiers_.end()) return;
  it->second->setEnabled(false);
  // The handler may be the one unwatching its own descriptor.
  it->second->deleteLater();
  notifiers_.erase(it);
}

}  // namespace qm::qt
