// The run controller's controls of a window, found under their own names, so that the main
// window and a stand-in for it hand in the same set.
#pragma once

#include <vector>

#include "scheduler/run_controller.h"

namespace qm {

// `stat_captions`, `progress_bars` and `percent_captions` are what a stop resets; the rest the
// window holds under the controller's names.
template <class Window>
RunControls RunControlsOf(Window& w, std::vector<ui::Label*> stat_captions,
                          std::vector<ui::ProgressBar*> progress_bars,
                          std::vector<ui::Label*> percent_captions) {
  return RunControls{w.bStart,
                     w.bStartBackground,
                     w.bHide,
                     w.tshCurProf,
                     w.tshStat,
                     w.tshPars,
                     w.PC,
                     w.DBCheckBox5,
                     w.DBDateTimeEditEh2,
                     w.DBDateTimeEditEh3,
                     w.Label6,
                     w.Label7,
                     w.ShowItem,
                     w.HideItem,
                     w.StartinbackgroundItem,
                     w.StopItem,
                     w.lStatus,
                     std::move(stat_captions),
                     std::move(progress_bars),
                     std::move(percent_captions),
                     w.ProcessListInBackgroundTimer};
}

}  // namespace qm
