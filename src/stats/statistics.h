// The statistics of a run: the files-operated counters, and the estimates and percentages of the
// queue and of its head profile, taken as one snapshot that a front end shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/date_time.h"
#include "profiles/named_list.h"
#include "profiles/run_snapshot.h"

namespace qm {

struct FileCounters {
  int64_t FilesToday = 0;
  int64_t FilesThisHour = 0;
  int64_t FilesThisMinute = 0;

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

// The moment the work is expected to end at the rate so far: `started` + elapsed * all / done.
TDateTime FinishEstimate(TDateTime started, TDateTime now, int64_t all, int64_t done);

// What the statistics page shows at one update. While profiles are queued every figure is
// filled; a figure that cannot be estimated yet is left out, so the page keeps what it showed.
struct StatisticsSnapshot {
  // The run list is empty: the page returns to its rest state and the tray stops its animation.
  bool batch_over = false;
  int64_t files_today = 0, files_this_hour = 0, files_this_minute = 0;
  size_t profiles_queued = 0;
  int64_t files_total = 0, files_left = 0;
  std::optional<std::string> finish_expected;  // of the whole run list
  std::optional<int64_t> total_percent;
  std::string current_profile, current_started;
  int64_t current_files = 0, current_files_left = 0;
  std::string current_file;
  std::optional<std::string> current_finish_expected;
  std::optional<int64_t> profile_percent;

  // "Quillmor\rDone today:<n>\rthis hour:<n>\rthis minute:<n>", while profiles are queued.
  std::string TrayHint() const;
};

// The statistics update: the counters roll over, then the figures of the run list and of its
// head entry are taken. Writes the head entry's FilesLeft field.
StatisticsSnapshot ComputeStatistics(NamedList<RunSnapshot>& run_list, FileCounters& counters,
                                     TDateTime now, TDateTime RunStartedAt,
                                     const RegionalFormats& formats);

}  // namespace qm
