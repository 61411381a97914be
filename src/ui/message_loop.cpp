#include "ui/message_loop.h"

#include "ui/dialogs.h"

namespace qm::ui {

Timer::Timer(MessageLoop& loop, std::string name, uint32_t interval_ms, bool enabled)
    : loop_(loop), name_(std::move(name)), interval_(interval_ms), enabled_(enabled) {
  if (enabled_) loop_.TimerChanged(*this);
}

Timer::~Timer() {
  loop_.TimerDestroyed(*this);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  loop_.TimerChanged(*this);
}

void Timer::SetInterval(uint32_t interval_ms) {
  if (interval_ == interval_ms) return;
  interval_ = interval_ms;
  loop_.TimerChanged(*this);
}

void PauseWithMessages(MessageLoop& loop, uint32_t ms) {
  const uint64_t start = loop.TickCount();
  while (loop.TickCount() - start < ms) loop.ProcessMessages();
}

std::string ApplicationErrorText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace qm::ui
