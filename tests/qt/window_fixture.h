// The real main window over a MainWindowController on the offscreen platform, its store and its
// folder locks in the test's temporary directory, and the small verbs the window tests share.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_controller.h"
#include "platform/clock.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "support/controller_factory.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm::test {

// Processes events until `done` holds; the limit only keeps a broken test from hanging.
template <class F>
bool PumpUntil(ui::MessageLoop& loop, F done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 10000) return false;
    loop.ProcessMessages();
  }
  return true;
}

class WindowFixture : public ::testing::Test {
 protected:
  ~WindowFixture() override { Close(); }

  // Writes the store: one disabled profile a name.
  void WriteStore(std::initializer_list<const char*> names) {
    WriteProfileStore(store, dir, {names.begin(), names.end()}, /*enabled=*/false);
  }

  // Creates the form on `form_loop` and `clock` (the Qt loop and the system clock unless a test
  // hands in a virtual one) and the window over it, attached but not shown.
  void Create(ui::MessageLoop* form_loop = nullptr, Clock* clock = nullptr) {
    form = MakeController(PosixFileSystem(), clock ? *clock : SystemClock(),
                          form_loop ? *form_loop : loop, dialogs, store, handle, dir / "locks");
    window = std::make_unique<qt::MainWindow>(*form);
    handle.Attach(window.get());
  }
  void Open(ui::MessageLoop* form_loop = nullptr, Clock* clock = nullptr) {
    Create(form_loop, clock);
    handle.ShowWindow();
  }
  void Close() {
    handle.Attach(nullptr);
    window.reset();
    form.reset();
  }

  template <class W>
  W* Find(const char* name) {
    auto* w = window->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  template <class F>
  bool PumpUntil(F done) {
    return test::PumpUntil(loop, done);
  }

  // Sends a press and a release of `key` to the widget, as the keyboard would; true when the
  // press reached the widget itself.
  static bool Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &release);
    return press.isAccepted();
  }

  TempDir dir;
  std::string store = dir / "data/Quillmor.dat";
  qt::QtMessageLoop loop;
  ScriptedDialogs dialogs;
  qt::WindowHandle handle;
  std::unique_ptr<MainWindowController> form;
  std::unique_ptr<qt::MainWindow> window;
};

// The widgets of `wanted` in the order Tab visits them, starting at the first.
inline std::vector<QWidget*> TabOrder(const std::vector<QWidget*>& wanted) {
  std::vector<QWidget*> chain;
  QWidget* w = wanted.front();
  do {
    if (std::find(wanted.begin(), wanted.end(), w) != wanted.end()) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != wanted.front() && w != nullptr);
  return chain;
}

}  // namespace qm::test
