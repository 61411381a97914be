#include "app/run_controller.h"

namespace qm {

RunController::RunController(RunState& state, RunControls controls, RunControllerHost& host,
                             ui::MessageLoop& loop, ui::Dialogs& dialogs)
    : state_(state), c_(std::move(controls)), host_(host), loop_(loop), dialogs_(dialogs) {}

void RunController::bStartClick() {
  // The background mode ends whichever way the toggle goes, even when the post is refused.
  if (state_.Mode == RunMode::kBackground) state_.Mode = RunMode::kIdle;
  if (!host_.PostPendingEdit()) return;
  if (state_.Mode != RunMode::kSelected) {
    state_.Running = true;
    state_.Mode = RunMode::kSelected;
    c_.bStart.SetCaption(kStopCaption);
    c_.bStart.SetGlyph(kImgStop);
    c_.bStart.SetHint(kStopSelectedHint);
    c_.bStartBackground.SetEnabled(false);
    c_.bHide.SetEnabled(false);
    UpdateControls();
    // Let the window repaint before the run takes the thread.
    loop_.ProcessMessages();
    host_.RunSelectedProfiles();
  } else {
    state_.Mode = RunMode::kIdle;
    StopWork();
    c_.bStart.SetCaption(kStartSelectedCaption);
    c_.bStart.SetGlyph(kImgStart);
    c_.bStart.SetHint(kStartSelectedHint);
    c_.bStartBackground.SetEnabled(true);
    c_.bHide.SetEnabled(false);
  }
  UpdateControls();
}

void RunController::bStartBackgroundClick() {
  if (!host_.PostPendingEdit()) return;
  if (state_.Mode != RunMode::kBackground) {
    if (!host_.StartBackgroundMode()) return;
    c_.bStartBackground.SetCaption(kStopCaption);
    c_.bStartBackground.SetGlyph(kImgBackgroundStop);
    c_.bStartBackground.SetHint(kStopBackgroundHint);
    c_.bStart.SetEnabled(false);
    c_.bHide.SetEnabled(true);
    host_.HideMainWindow();
    host_.ShowStatus("Background mode started.");
  } else {
    host_.StopBackgroundMode();
    c_.bStartBackground.SetCaption(kStartBackgroundCaption);
    c_.bStartBackground.SetGlyph(kImgBackgroundStart);
    c_.bStartBackground.SetHint(kStartBackgroundHint);
    c_.bStart.SetEnabled(true);
    c_.bHide.SetEnabled(false);
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
    show_tab(c_.tshCurProf, false);
    show_tab(c_.tshPars, false);
    show_tab(c_.tshStat, true);
    c_.PC.SetActivePage(&c_.tshStat);
  } else {
    // Decided before the tabs change: hiding the shown tab makes a front end pick a neighbour.
    const bool was_statistics = c_.PC.ActivePage() == &c_.tshStat || c_.PC.ActivePage() == nullptr;
    show_tab(c_.tshCurProf, true);
    show_tab(c_.tshPars, true);
    show_tab(c_.tshStat, false);
    if (was_statistics) c_.PC.SetActivePage(&c_.tshCurProf);
    const bool limited = c_.DBCheckBox5.Checked();
    c_.DBDateTimeEditEh2.SetEnabled(limited);
    c_.DBDateTimeEditEh3.SetEnabled(limited);
    c_.Label6.SetEnabled(limited);
    c_.Label7.SetEnabled(limited);
    const bool any = host_.ProfileCount() > 0;
    c_.bStart.SetEnabled(any);
    c_.bStartBackground.SetEnabled(any);
  }
  const bool visible = host_.MainWindowVisible();
  c_.ShowItem.SetEnabled(!visible);
  c_.HideItem.SetEnabled(visible);
  const bool bg_enabled = c_.bStartBackground.Enabled();
  const bool bg_stop = state_.Mode == RunMode::kBackground;
  c_.StartinbackgroundItem.SetEnabled(bg_enabled && !bg_stop);
  c_.StopItem.SetEnabled(bg_enabled && bg_stop);
}

void RunController::CloseItemClick(const std::function<void()>& close) {
  if (state_.Mode == RunMode::kBackground && !dialogs_.Confirm(kStopAndCloseQuestion)) return;
  close();
}

void RunController::BatchFinished() {
  dialogs_.ShowInformation("Done.");
  if (state_.Mode == RunMode::kSelected)
    bStartClick();
  else
    StopWork();
  // A click that was cancelled (a refused post) must not leave the run going.
  if (state_.Running) StopWork();
}

void RunController::RunFailed(std::string_view text) {
  dialogs_.ShowApplicationError(ui::ApplicationErrorText(std::string(text)));
}

}  // namespace qm
