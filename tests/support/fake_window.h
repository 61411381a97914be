// A window for tests that shows, hides and minimises as a real one does: the form hears of it
// once the state has changed. Without a notification area (`tray` false) hiding minimises.
#pragma once

#include "app/form_window.h"
#include "app/main_window_controller.h"

namespace qm::test {

class FakeWindow : public FormWindow {
 public:
  MainWindowController* form = nullptr;
  bool visible = false;
  bool minimized = false;
  bool tray = true;
  int hides = 0;
  int minimizes = 0;

  void ShowWindow() override {
    minimized = false;
    if (visible) return;
    visible = true;
    form->OnWindowShown();
  }
  void HideWindow() override {
    if (!visible) return;
    visible = false;
    ++hides;
    form->OnWindowHidden();
  }
  bool IsWindowVisible() const override { return visible; }
  bool TrayAvailable() const override { return tray; }
  void MinimizeWindow() override {
    minimized = true;
    ++minimizes;
  }
  bool IsWindowMinimized() const override { return minimized; }
};

}  // namespace qm::test
