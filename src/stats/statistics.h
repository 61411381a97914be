// The statistics page: the files-operated counters, the estimates and percentages of the queue
// and of its head profile, and the one update that refreshes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "profiles/qmTypes.h"
#include "stats/log_writer.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"

namespace qm {

struct FileCounters {
  int64_t FilesToday = 0;
  int64_t FilesThisHour = 0;
  int64_t FilesThisMinute = 0;
  // Clock fields (day of the month, hour, minute) seen last; -1 until the first look at the
  // clock, so that the first update after start-up resets nothing.
  int LastDay = -1;
  int LastHour = -1;
  int LastMinute = -1;

  // One more file operated at `now`. The counters roll over first, so that a file operated in
  // the first moments of a new minute is counted in that minute and not wiped by the next update.
  void CountOperatedFile(TDateTime now) {
    RollOver(now);
    ++FilesToday;
    ++FilesThisHour;
    ++FilesThisMinute;
  }

  // Resets each counter whose period (local date; date and hour; date, hour and minute) is not
  // the one seen last. Whole periods are compared, so 11:05 after 10:05 is a new minute and the
  // 3rd of one month after the 3rd of the month before is a new day.
  void RollOver(TDateTime now);

 private:
  // Whole minutes, hours and days since the epoch of the date-times; -1 before the first look.
  int64_t minute_key_ = -1;
  int64_t hour_key_ = -1;
  int64_t day_key_ = -1;
};

// `part` of `whole` in whole percent, a half rounded to the even neighbour; exact in integers.
int64_t PercentHalfEven(int64_t part, int64_t whole);

// The moment the work is expected to end at the rate so far: `started` + elapsed * all / done.
TDateTime FinishEstimate(TDateTime started, TDateTime now, int64_t all, int64_t done);

// "Quillmor\rDone today:<n>\rthis hour:<n>\rthis minute:<n>"
std::string StatisticsTrayHint(const std::string& today, const std::string& hour,
                               const std::string& minute);

// The page's controls.
struct StatisticsControls {
  ui::Label& lStatus;
  ui::Label& lfopToday;
  ui::Label& lfopHour;
  ui::Label& lfopMinute;
  ui::Label& lStartedAt;
  ui::Label& lFinishExpectedAt;
  ui::Label& lProfilesToPperate;
  ui::Label& lFilesToTotal;
  ui::Label& lFilesLeft;
  ui::ProgressBar& psTotal;
  ui::Label& lpsTotal;
  ui::Label& lCurrentProfile;
  ui::Label& lCurrStartedAt;
  ui::Label& lCurrFinishExpectedAt;
  ui::Label& lFilesToOperate;
  ui::Label& lCurrFilesLeft;
  ui::ProgressBar& psProfile;
  ui::Label& lpsCurrentprofile;
  ui::Label& lCurrentFile;
  ui::ProgressBar& psFile;
  ui::Label& lpsCurrentFile;
  ui::Timer& StatTimer;
};

// What the update leaves to the window: the tray.
struct StatisticsOutcome {
  bool batch_over = false;          // stop the tray's animation
  std::optional<std::string> hint;  // the tray's new hint, while profiles are queued
};

// The statistics update without the log step: roll-over, then either the end-of-batch reset or
// the counters, totals, estimates, percentages and the head entry's labels. Writes the run
// list's FilesLeft fields.
StatisticsOutcome UpdateStatistics(StatisticsControls& c, TWList<TDataItem>& RunList,
                                   FileCounters& counters, TDateTime now, TDateTime RunStartedAt,
                                   const RegionalFormats& formats);

// What the statistics update needs for its log step.
struct LogFlushTarget {
  FileSystem& fs;
  ui::Dialogs& dialogs;
  std::vector<std::string>& LogBuffer;
  bool& LogWriteFailed;
};

// The counters and the log step of the update, for a front end without the page: the roll-over
// first, the flush last.
void StatTimerTimer(FileCounters& counters, TDateTime now, const LogOptions& options,
                    const LogFlushTarget& log);

}  // namespace qm
