// The "Parameters" page of the main window: autostart and the log directory's browser.
#include "app/autostart.h"
#include "app/main_form_state.h"
#include "app/main_window_controller.h"

namespace qm {

namespace {

constexpr const char* kAutostartOnFailed = "Can not make Quillmor start at log-in.\r\n";
constexpr const char* kAutostartOffFailed = "Can not stop Quillmor from starting at log-in.\r\n";

}  // namespace

void MainWindowController::SetUpOptions() {
  autostart_box.SetHint(
      "Check this box if you want Quillmor always start with Windows. \r\nIf this box checked "
      "then Quillmor works in the background mode.");
  autostart_box.OnClick = Guarded([this] { ToggleAutostart(); });
  profile_grid.FixedColor = kClBtnFace;
  profile_grid.FooterColor = kClWindow;
  Log.log_folder_browse_button.OnClick = Guarded([this] { BrowseLogDirectory(); });
}

void MainWindowController::ToggleAutostart() {
  const bool enabled = autostart_box.Checked();
  // The box goes back without its click handler, so the revert itself deletes nothing.
  if (!SetRunOnWindowsStart(enabled)) autostart_box.SetChecked(!enabled);
}

bool MainWindowController::SetRunOnWindowsStart(bool Enabled) {
  const Status s = SetAutostart(registry, fs_, executable_file, Enabled);
  if (s.ok()) return true;
  dialogs_.ShowErrorBox((Enabled ? kAutostartOnFailed : kAutostartOffFailed) +
                        ui::ApplicationErrorText(s.error().message));
  return false;
}

void MainWindowController::BrowseLogDirectory() {
  const std::string& current = Log.log_folder_edit.Text();
  std::string start = "/";
  if (!current.empty()) {
    auto entry = fs_.Stat(current);
    if (entry.ok() && entry.value().is_directory()) start = current;
  }
  if (auto chosen = dialogs_.BrowseForFolder(kLogDirBrowseTitle, start)) {
    Log.log_folder_edit.SetText(*chosen);
  }
}

}  // namespace qm
