#include "scheduler/run_controller.h"

namespace qm {

RunController::RunController(RunState& state, RunControls controls, RunControllerHost& host,
                             ui::MessageLoop& loop)
    : state_(state), c_(std::move(controls)), host_(host), loop_(loop) {}

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
    if (!host_.ClaimScheduler()) return;
    state_.Running = true;
    state_.Mode = RunMode::kBackground;
    c_.bStartBackground.SetCaption(kStopCaption);
    c_.bStartBackground.SetGlyph(kImgBackgroundStop);
    c_.bStartBackground.SetHint(kStopBackgroundHint);
    c_.bStart.SetEnabled(false);
    c_.bHide.SetEnabled(true);
    host_.HideMainWindow();
    host_.CreateTimerItems();
    c_.lStatus.SetCaption("Background mode started.");
    host_.SetTimerListActive(true);
    c_.ProcessListInBackgroundTimer.SetEnabled(true);
  } else {
    state_.Mode = RunMode::kIdle;
    StopWork();
    c_.ProcessListInBackgroundTimer.SetEnabled(false);
    host_.SetTimerListActive(false);
    host_.ClearTimerItems();
    host_.ReleaseScheduler();
    c_.bStartBackground.SetCaption(kStartBackgroundCaption);
    c_.bStartBackground.SetGlyph(kImgBackgroundStart);
    c_.bStartBackground.SetHint(kStartBackgroundHint);
    c_.bStart.SetEnabled(true);
    c_.bHide.SetEnabled(false);
  }
  UpdateControls();
}

void RunController::StopWork() {
  state_.Running = false;
  host_.SetTrayAnimation(false);
  host_.EmptyLogBuffer();
  c_.lStatus.SetCaption("Stoped.");
  for (ui::Label* label : c_.stat_captions) label->SetCaption("");
  for (ui::ProgressBar* bar : c_.progress_bars) bar->SetPosition(0);
  for (ui::Label* label : c_.percent_captions) label->SetCaption("0 %");
  host_.SetTrayHint("Quillmor stoped.");
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

void RunController::CloseItemClick(ui::Dialogs& dialogs, const std::function<void()>& close) {
  if (state_.Mode == RunMode::kBackground && !dialogs.Confirm(kStopAndCloseQuestion)) return;
  close();
}

}  // namespace qm
