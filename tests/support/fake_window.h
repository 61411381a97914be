// A window for tests that shows and hides as a real one does: the form hears of it once the
// state has changed.
#pragma once

#include "app/form_window.h"
#include "app/main_window_controller.h"

namespace qm::test {

class FakeWindow : public FormWindow {
 public:
  MainWindowController* form = nullptr;
  bool visible = false;
  int hides = 0;

  void ShowWindow() override {
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
};

}  // namespace qm::test
