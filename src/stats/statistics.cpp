#include "stats/statistics.h"

namespace qm {

void FileCounters::RollOver(TDateTime now) {
  const DateParts p = DecodeDateTime(now);
  if (LastDay == -1) LastDay = p.day;
  if (LastHour == -1) LastHour = p.hour;
  if (LastMinute == -1) LastMinute = p.minute;
  if (p.minute != LastMinute) {
    LastMinute = p.minute;
    FilesThisMinute = 0;
  }
  if (p.hour != LastHour) {
    LastHour = p.hour;
    FilesThisHour = 0;
  }
  if (p.day != LastDay) {
    LastDay = p.day;
    FilesToday = 0;
  }
}

void StatTimerTimer(FileCounters& counters, TDateTime now, const LogOptions& options,
                    const LogFlushTarget& log) {
  counters.RollOver(now);
  FlushLog(log.fs, log.dialogs, options, log.LogBuffer, log.LogWriteFailed);
}

}  // namespace qm
