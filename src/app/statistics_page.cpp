// The statistics update of the main window: the page, the tray and the log flush.
#include "app/qmUnit1.h"

namespace qm {

void TForm1::StatTimerTimer() {
  StatisticsControls page{lStatus,
                          lfopToday,
                          lfopHour,
                          lfopMinute,
                          lStartedAt,
                          lFinishExpectedAt,
                          lProfilesToPperate,
                          lFilesToTotal,
                          lFilesLeft,
                          psTotal,
                          lpsTotal,
                          lCurrentProfile,
                          lCurrStartedAt,
                          lCurrFinishExpectedAt,
                          lFilesToOperate,
                          lCurrFilesLeft,
                          psProfile,
                          lpsCurrentprofile,
                          lCurrentFile,
                          psFile,
                          lpsCurrentFile,
                          StatTimer};
  const StatisticsOutcome out =
      UpdateStatistics(page, RunList, Counters, clock_.Now(), State.RunStartedAt, formats_);
  if (out.batch_over) SetTrayAnimation(false);
  if (out.hint) SetTrayHint(*out.hint);
  FlushLog(fs_, dialogs_, Log.Options(), LogBuffer, LogWriteFailed);
}

}  // namespace qm
