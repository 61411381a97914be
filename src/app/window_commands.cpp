// MainWindowController's window commands: hiding to the notification area (or minimising without
// one), the help command and the hot keys.
#include "app/main_window_controller.h"
#include "platform/app_paths.h"
#include "platform/shell.h"

namespace qm {

void MainWindowController::HideMainWindow() {
  // Without a notification area a hidden window could not be brought back.
  if (window_.TrayAvailable()) {
    window_.HideWindow();
  } else {
    window_.MinimizeWindow();
    minimised_for_hide_ = true;
  }
}

void MainWindowController::TrayAppeared() {
  // A window the user has restored since stays where it is.
  if (!minimised_for_hide_ || !window_.IsWindowMinimized()) return;
  minimised_for_hide_ = false;
  window_.HideWindow();
  UpdateControls();
}

void MainWindowController::HideToTray() {
  if (!window_.TrayAvailable() && !minimise_explained_ && window_.IsWindowVisible() &&
      !window_.IsWindowMinimized()) {
    minimise_explained_ = true;
    dialogs_.ShowInformation(kNoTrayMessage);
  }
  HideMainWindow();
  UpdateControls();
}

void MainWindowController::OpenHelp() {
  // Nothing is reported: without a help file or a viewer nothing happens.
  const std::string help = FindHelpFile(fs_, ExecutablePath());
  if (!help.empty()) (void)OpenDocument(help);
}

bool MainWindowController::FormKeyUp(HotKey key, KeyModifiers modifiers) {
  const bool plain = !modifiers.shift && !modifiers.ctrl && !modifiers.alt;
  switch (key) {
    case HotKey::kF2:
      return editor.KeyUp(EditorKey::kF2, modifiers);
    case HotKey::kDelete:
      return editor.KeyUp(EditorKey::kDelete, modifiers);
    default:
      break;
  }
  if (!plain) return false;
  switch (key) {
    case HotKey::kInsert:
      // The new row is edited on the "Current profile" page, which a run hides; a row
      // inserted then could not be completed, and its refused post would block the stop.
      if (current_profile_page.TabVisible()) (void)profile_table.Append();
      return true;
    // As a click of the button: a key whose button is disabled does nothing, so the run
    // controller never leaves the states of its control table.
    case HotKey::kF1:
      help_button.Click();
      return true;
    case HotKey::kF3:
      wizard_button.Click();
      return true;
    case HotKey::kF8:
      start_button.Click();
      return true;
    case HotKey::kF9:
      start_background_button.Click();
      return true;
    case HotKey::kF10:
      HideToTray();
      return true;
    default:
      return false;
  }
}

}  // namespace qm
