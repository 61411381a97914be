// The statistics update of the main window: the page, the tray and the log flush.
#include "app/qmUnit1.h"
#include "stats/statistics_controls_of.h"

namespace qm {

void TForm1::StatTimerTimer() {
  StatisticsControls page = StatisticsControlsOf(*this);
  const StatisticsOutcome out =
      UpdateStatistics(page, RunList, Counters, clock_.Now(), State.RunStartedAt, formats_);
  if (out.batch_over) SetTrayAnimation(false);
  if (out.hint) SetTrayHint(*out.hint);
  FlushLog(fs_, dialogs_, Log.Options(), LogBuffer, LogWriteFailed);
}

}  // namespace qm
