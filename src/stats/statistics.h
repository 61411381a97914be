// The files-operated counters and the statistics update's steps that do not touch the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "stats/log_writer.h"
#include "ui/dialogs.h"

namespace qm {

struct FileCounters {
  int64_t FilesToday = 0;
  int64_t FilesThisHour = 0;
  int64_t FilesThisMinute = 0;
  // Clock fields seen by the last update; -1 until the first one, so that the first update
  // after start-up resets nothing.
  int LastDay = -1;
  int LastHour = -1;
  int LastMinute = -1;

  // One more file operated; does not look at the clock.
  void CountOperatedFile() {
    ++FilesToday;
    ++FilesThisHour;
    ++FilesThisMinute;
  }

  // Resets each counter whose clock field (minute, hour, day of the month) differs from the
  // one seen last. Only the fields are compared, so 11:05 after 10:05 keeps "this minute".
  void RollOver(TDateTime now);
};

// What the statistics update needs for its log step.
struct LogFlushTarget {
  FileSystem& fs;
  ui::Dialogs& dialogs;
  std::vector<std::string>& LogBuffer;
  bool& LogWriteFailed;
};

// The statistics update as far as the counters and the log go: the roll-over first, the flush
// last, whether or not profiles remain queued.
void StatTimerTimer(FileCounters& counters, TDateTime now, const LogOptions& options,
                    const LogFlushTarget& log);

}  // namespace qm
