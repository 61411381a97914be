// A window placement that remembers what the form-state store did to it.
#pragma once

#include "app/form_state_store.h"

namespace qm::test {

class FakePlacement : public FormPlacement {
 public:
  // The default place: 690 by 445, centred on a 1280 by 800 screen.
  WindowPlacement placement{0, 1, -1, -1, -1, -1, 295, 177, 985, 622};
  WindowState state = WindowState::kNormal;
  int ppi = 96;
  int width = 1280, height = 800;
  bool resizable = true;
  bool main = true;
  int placements_set = 0;
  int application_minimized = 0;

  WindowPlacement Placement() const override {
    WindowPlacement p = placement;
    p.show_cmd = state == WindowState::kMinimized ? 2 : state == WindowState::kMaximized ? 3 : 1;
    return p;
  }
  void SetPlacement(const WindowPlacement& p) override {
    placement = p;
    ++placements_set;
  }
  void SetWindowState(WindowState s) override { state = s; }
  int PixelsPerInch() const override { return ppi; }
  int ScreenWidth() const override { return width; }
  int ScreenHeight() const override { return height; }
  bool Resizable() const override { return resizable; }
  bool IsMainWindow() const override { return main; }
  void MinimizeApplication() override { ++application_minimized; }
};

}  // namespace qm::test
