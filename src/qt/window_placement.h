// The placement of a top-level widget as the form-state store reads and sets it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/form_state_store.h"

namespace qm::qt {

class WindowPlacementOf : public FormPlacement {
 public:
  // `main_window`: the application's main window, which minimizes with the application.
  WindowPlacementOf(QWidget* window, bool main_window) : window_(window), main_(main_window) {}

  WindowPlacement Placement() const override;
  void SetPlacement(const WindowPlacement& placement) override;
  void SetWindowState(WindowState state) override;
  int PixelsPerInch() const override;
  int ScreenWidth() const override;
  int ScreenHeight() const override;
  bool IsMainWindow() const override { return main_; }
  void MinimizeApplication() override;

 private:
  QPointer<QWidget> window_;
  bool main_;
};

}  // namespace qm::qt
