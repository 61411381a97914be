#include "qt/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace qm::qt {

namespace {

// WPF_RESTORETOMAXIMIZED: a minimized window comes back maximized.
constexpr int kRestoreToMaximized = 2;

QScreen* ScreenOf(const QWidget* window) {
  QScreen* screen = window ? window->screen() : nullptr;
  return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

WindowPlacement WindowPlacementOf::Placement() const {
  WindowPlacement p;
  if (!window_) return p;
  // The rectangle the window has when neither minimized nor maximized; the client area, as
  // SetPlacement sets it, so a save and a restore give the same place with any window manager.
  const Qt::WindowStates state = window_->windowState();
  QRect r = window_->geometry();
  if ((state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) &&
      window_->normalGeometry().isValid()) {
    r = window_->normalGeometry();
  }
  p.left = r.x();
  p.top = r.y();
  p.right = r.x() + r.width();
  p.bottom = r.y() + r.height();
  if (state & Qt::WindowMinimized) {
    p.show_cmd = 2;
    if (state & Qt::WindowMaximized) p.flags = kRestoreToMaximized;
  } else if (state & Qt::WindowMaximized) {
    p.show_cmd = 3;
  }
  return p;
}

void WindowPlacementOf::SetPlacement(const WindowPlacement& p) {
  if (!window_) return;
  const Qt::WindowStates state = window_->windowState();
  if (state & (Qt::WindowMinimized | Qt::WindowMaximized)) {
    window_->setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  }
  window_->setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
}

void WindowPlacementOf::SetWindowState(WindowState state) {
  if (!window_) return;
  Qt::WindowStates s = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::kMaximized) s |= Qt::WindowMaximized;
  if (state == WindowState::kMinimized) s |= Qt::WindowMinimized;
  if (s != window_->windowState()) window_->setWindowState(s);
}

int WindowPlacementOf::PixelsPerInch() const {
  const QScreen* screen = ScreenOf(window_);
  return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

int WindowPlacementOf::ScreenWidth() const {
  const QScreen* screen = ScreenOf(window_);
  return screen ? screen->geometry().width() : 0;
}

int WindowPlacementOf::ScreenHeight() const {
  const QScreen* screen = ScreenOf(window_);
  return screen ? screen->geometry().height() : 0;
}

void WindowPlacementOf::MinimizeApplication() {
  // The window is being shown right now; it is minimized once that is done.
  QPointer<QWidget> window = window_;
  QTimer::singleShot(0, window, [window] {
    if (window) window->showMinimized();
  });
}

}  // namespace qm::qt
