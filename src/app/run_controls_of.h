// The run controller's controls of a window, found under their own names, so that the main
// window and a stand-in for it hand in the same set.
#pragma once

#include "app/run_controller.h"

namespace qm {

template <class Window>
RunControls RunControlsOf(Window& w) {
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
                     w.StopItem};
}

}  // namespace qm
