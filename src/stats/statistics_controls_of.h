// The statistics page's controls of a window, found under their own names, so that the main
// window and a stand-in for it hand in the same set.
#pragma once

#include "stats/statistics.h"

namespace qm {

template <class Window>
StatisticsControls StatisticsControlsOf(Window& w) {
  return StatisticsControls{w.lStatus,
                            w.lfopToday,
                            w.lfopHour,
                            w.lfopMinute,
                            w.lStartedAt,
                            w.lFinishExpectedAt,
                            w.lProfilesToPperate,
                            w.lFilesToTotal,
                            w.lFilesLeft,
                            w.psTotal,
                            w.lpsTotal,
                            w.lCurrentProfile,
                            w.lCurrStartedAt,
                            w.lCurrFinishExpectedAt,
                            w.lFilesToOperate,
                            w.lCurrFilesLeft,
                            w.psProfile,
                            w.lpsCurrentprofile,
                            w.lCurrentFile,
                            w.psFile,
                            w.lpsCurrentFile,
                            w.StatTimer};
}

}  // namespace qm
