#include "qt/profile_page.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTableView>
#include <QWidget>

#include "app/profile_editor.h"
#include "qt/main_window.h"
#include "qt/profile_grid.h"

namespace qm::qt {

namespace {

bool CtrlDelete(const QKeyEvent& key) {
  return key.key() == Qt::Key_Delete && (key.modifiers() & Qt::ControlModifier);
}

}  // namespace

ProfilePage::ProfilePage(MainWindow& window, ProfileEditor& editor)
    : QObject(&window), window_(&window), editor_(editor) {
  SetUpProfileGrid(window.grid(), editor_);
  focus_connection_ = editor_.FocusRequested.Connect([this](ui::Control& control) {
    if (auto* w = window_->findChild<QWidget*>(QString::fromStdString(control.name())))
      w->setFocus(Qt::OtherFocusReason);
  });
  // The window sees the keys before the control that has the focus, so they work while an
  // editor on the page has it.
  qApp->installEventFilter(this);
}

ProfilePage::~ProfilePage() {
  qApp->removeEventFilter(this);
  editor_.FocusRequested.Disconnect(focus_connection_);
}

bool ProfilePage::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window_) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (type == QEvent::KeyPress) {
    // An editor would delete a word on Ctrl+Del; here the key belongs to the window.
    return CtrlDelete(*key);
  }
  if (key->isAutoRepeat()) return false;
  EditorKey which = EditorKey::kOther;
  if (key->key() == Qt::Key_F2) which = EditorKey::kF2;
  if (key->key() == Qt::Key_Delete) which = EditorKey::kDelete;
  if (which == EditorKey::kOther) return false;
  const Qt::KeyboardModifiers mods = key->modifiers();
  // Handled once, at the first widget the key reaches; it does not travel up to the parents.
  return editor_.KeyUp(which, KeyModifiers{.shift = (mods & Qt::ShiftModifier) != 0,
                                           .ctrl = (mods & Qt::ControlModifier) != 0,
                                           .alt = (mods & Qt::AltModifier) != 0});
}

}  // namespace qm::qt
