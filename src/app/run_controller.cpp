#include "app/run_controller.h"

namespace qm {

RunController::RunController(RunState& state, RunControls controls, RunControllerHost& host,
                             ui::MessageLoop& loop, ui::Dialogs& dialogs)
    : state_(state), c_(std::move(controls)), host_(host), loop_(loop), dialogs_(dialogs) {}

void RunController::ToggleSelectedRun() {
  // The background mode ends whichever way the toggle goes, even when the post is refused.
  if (state_.Mode == RunMode::kBackground) state_.Mode = RunMode::kIdle;
  if (!host_.PostPendingEdit()) return;
  if (state_.Mode != RunMode::kSelected) {
    state_.Running = true;
    state_.Mode = RunMode::kSelected;
    c_.start_button.SetCaption(kStopCaption);
    c_.start_button.SetGlyph(kImgStop);
    c_.start_button.SetHint(kStopSelectedHint);
    c_.start_background_button.SetEnabled(false);
    c_.hide_button.SetEnabled(false);
    UpdateControls();
    // Let the window repaint before the run takes the thread.
    loop_.ProcessMessages();
    host_.RunSelectedProfiles();
  } else {
    state_.Mode = RunMode::kIdle;
    StopWork();
    c_.start_button.SetCaption(kStartSelectedCaption);
    c_.start_button.SetGlyph(kImgStart);
    c_.start_button.SetHint(kStartSelectedHint);
    c_.start_background_button.SetEnabled(true);
    c_.hide_button.SetEnabled(false);
  }
  UpdateControls();
}

void RunController::ToggleBackgroundMode() {
  if (!host_.PostPendingEdit()) return;
  if (state_.Mode != RunMode::kBackground) {
    if (!host_.StartBackgroundMode()) return;
    c_.start_background_button.SetCaption(kStopCaption);
    c_.start_background_button.SetGlyph(kImgBackgroundStop);
    c_.start_background_button.SetHint(kStopBackgroundHint);
    c_.start_button.SetEnabled(false);
    c_.hide_button.SetEnabled(true);
    host_.HideMainWindow();
    host_.ShowStatus("Background mode started.");
  } else {
    host_.StopBackgroundMode();
    c_.start_background_button.SetCaption(kStartBackgroundCaption);
    c_.start_background_button.SetGlyph(kImgBackgroundStart);
    c_.start_background_button.SetHint(kStartBackgroundHint);
    c_.start_button.SetEnabled(true);
    c_.hide_button.SetEnabled(false);
  }
  UpdateControls();
}

void RunController::StopWork() {
  host_.StopRun();
}

void RunController::UpdateControls() {
  // Each tab is touched only when it differs, so the page on display does not flicker.
  auto show_tab = [](ui::TabSheet& page, bool visible) {
    if (page.TabVisible() != visible) page.SetTabVisible(visible);
  };
  if (state_.Running) {
    show_tab(c_.current_profile_page, false);
    show_tab(c_.parameters_page, false);
    show_tab(c_.statistics_page, true);
    c_.page_control.SetActivePage(&c_.statistics_page);
  } else {
    // Decided before the tabs change: hiding the shown tab makes a front end pick a neighbour.
    const bool was_statistics = c_.page_control.ActivePage() == &c_.statistics_page ||
                                c_.page_control.ActivePage() == nullptr;
    show_tab(c_.current_profile_page, true);
    show_tab(c_.parameters_page, true);
    show_tab(c_.statistics_page, false);
    if (was_statistics) c_.page_control.SetActivePage(&c_.current_profile_page);
    const bool limited = c_.time_limits_box.Checked();
    c_.start_time_edit.SetEnabled(limited);
    c_.finish_time_edit.SetEnabled(limited);
    c_.start_time_label.SetEnabled(limited);
    c_.finish_time_label.SetEnabled(limited);
    const bool any = host_.ProfileCount() > 0;
    c_.start_button.SetEnabled(any);
    c_.start_background_button.SetEnabled(any);
  }
  const bool visible = host_.MainWindowVisible();
  c_.show_menu_item.SetEnabled(!visible);
  c_.hide_menu_item.SetEnabled(visible);
  const bool bg_enabled = c_.start_background_button.Enabled();
  const bool bg_stop = state_.Mode == RunMode::kBackground;
  c_.start_background_menu_item.SetEnabled(bg_enabled && !bg_stop);
  c_.stop_menu_item.SetEnabled(bg_enabled && bg_stop);
}

void RunController::CloseFromTray(const std::function<void()>& close) {
  if (state_.Mode == RunMode::kBackground && !dialogs_.Confirm(kStopAndCloseQuestion)) return;
  close();
}

void RunController::BatchFinished() {
  dialogs_.ShowInformation("Done.");
  if (state_.Mode == RunMode::kSelected)
    ToggleSelectedRun();
  else
    StopWork();
  // A click that was cancelled (a refused post) must not leave the run going.
  if (state_.Running) StopWork();
}

void RunController::RunFailed(std::string_view text) {
  dialogs_.ShowApplicationError(ui::ApplicationErrorText(std::string(text)));
}

}  // namespace qm
