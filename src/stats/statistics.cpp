#include "stats/statistics.h"

#include <cmath>

#include "platform/percent.h"

namespace qm {

namespace {

constexpr int64_t kMsPerMinute = 60'000;
constexpr int64_t kMsPerHour = 3'600'000;
constexpr int64_t kMsPerDayInt = 86'400'000;

}  // namespace

void FileCounters::RollOver(TDateTime now) {
  // Whole milliseconds first, so that 10:05:59.9999 is not taken for 10:06.
  const int64_t ms = std::llround(now * static_cast<double>(kMsPerDayInt));
  const int64_t minute = ms / kMsPerMinute;
  const int64_t hour = ms / kMsPerHour;
  const int64_t day = ms / kMsPerDayInt;
  if (minute == minute_key_ && hour == hour_key_ && day == day_key_) return;
  // The first look at the clock after start-up resets nothing.
  if (minute_key_ == -1) {
    minute_key_ = minute;
    hour_key_ = hour;
    day_key_ = day;
    return;
  }
  if (minute != minute_key_) {
    minute_key_ = minute;
    FilesThisMinute = 0;
  }
  if (hour != hour_key_) {
    hour_key_ = hour;
    FilesThisHour = 0;
  }
  if (day != day_key_) {
    day_key_ = day;
    FilesToday = 0;
  }
}

TDateTime FinishEstimate(TDateTime started, TDateTime now, int64_t all, int64_t done) {
  return started + (now - started) * static_cast<double>(all) / static_cast<double>(done);
}

std::string StatisticsSnapshot::TrayHint() const {
  return "Quillmor\rDone today:" + std::to_string(files_today) +
         "\rthis hour:" + std::to_string(files_this_hour) +
         "\rthis minute:" + std::to_string(files_this_minute);
}

StatisticsSnapshot ComputeStatistics(NamedList<RunSnapshot>& run_list, FileCounters& counters,
                                     TDateTime now, TDateTime RunStartedAt,
                                     const RegionalFormats& formats) {
  counters.RollOver(now);
  StatisticsSnapshot out;
  if (run_list.Empty()) {
    out.batch_over = true;
    return out;
  }
  out.files_today = counters.FilesToday;
  out.files_this_hour = counters.FilesThisHour;
  out.files_this_minute = counters.FilesThisMinute;
  out.profiles_queued = run_list.Count();

  auto file_count = [](const RunSnapshot& item) { return FileCount(item); };
  int64_t total = 0;
  int64_t left = 0;
  for (size_t i = 0; i < run_list.Count(); ++i) {
    const RunSnapshot& item = run_list.Object(i);
    total += file_count(item);
    left += file_count(item) - item.FilesDone;
  }
  const int64_t done = total - left;
  out.files_total = total;
  out.files_left = left;
  if (total >= 1 && done >= 1)
    out.finish_expected =
        DateTimeToDisplay(FinishEstimate(RunStartedAt, now, total, done), formats);
  if (total >= 1) out.total_percent = HalfEvenPercent(done, total);

  RunSnapshot& head = run_list.Object(0);
  const int64_t n = file_count(head);
  out.current_profile = head.Profile.Name();
  out.current_started = DateTimeToDisplay(head.StartedAt, formats);
  out.current_files = n;
  head.FilesLeft = static_cast<int32_t>(n - head.FilesDone);
  out.current_files_left = head.FilesLeft;
  out.current_file = head.CurrentFile;
  if (n >= 1 && head.FilesDone >= 1)
    out.current_finish_expected =
        DateTimeToDisplay(FinishEstimate(head.StartedAt, now, n, head.FilesDone), formats);
  if (n >= 1) out.profile_percent = HalfEvenPercent(head.FilesDone, n);
  return out;
}

}  // namespace qm
