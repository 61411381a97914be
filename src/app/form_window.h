// What the main window controller asks of the real window. The Qt front end implements it;
// tests use a fake. Showing or hiding must end in MainWindowController::OnWindowShown() /
// OnWindowHidden(), which the window calls when it has actually become visible or invisible.
#pragma once

namespace qm {

class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  virtual bool IsWindowVisible() const = 0;
  // Whether the desktop has a notification area to hide the window to. Without one, hiding
  // would leave the program unreachable, so the window is minimised instead.
  virtual bool TrayAvailable() const { return true; }
  virtual void MinimizeWindow() {}
  virtual bool IsWindowMinimized() const { return false; }
};

}  // namespace qm
