#include "stats/statistics.h"

#include <cmath>

namespace qm {

namespace {

constexpr int64_t kMsPerMinute = 60'000;
constexpr int64_t kMsPerHour = 3'600'000;
constexpr int64_t kMsPerDayInt = 86'400'000;

std::string Percent(int64_t value) {
  return std::to_string(value) + " %";
}

}  // namespace

void FileCounters::RollOver(TDateTime now) {
  // Whole milliseconds first, so that 10:05:59.9999 is not taken for 10:06.
  const int64_t ms = std::llround(now * static_cast<double>(kMsPerDayInt));
  const int64_t minute = ms / kMsPerMinute;
  const int64_t hour = ms / kMsPerHour;
  const int64_t day = ms / kMsPerDayInt;
  if (minute == minute_key_ && hour == hour_key_ && day == day_key_) return;
  const DateParts p = DecodeDateTime(now);
  if (minute_key_ == -1) {
    minute_key_ = minute;
    hour_key_ = hour;
    day_key_ = day;
    LastDay = p.day;
    LastHour = p.hour;
    LastMinute = p.minute;
    return;
  }
  if (minute != minute_key_) {
    minute_key_ = minute;
    LastMinute = p.minute;
    FilesThisMinute = 0;
  }
  if (hour != hour_key_) {
    hour_key_ = hour;
    LastHour = p.hour;
    FilesThisHour = 0;
  }
  if (day != day_key_) {
    day_key_ = day;
    LastDay = p.day;
    FilesToday = 0;
  }
}

int64_t PercentHalfEven(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  const int64_t scaled = part * 100;
  int64_t q = scaled / whole;
  const int64_t twice_rest = (scaled % whole) * 2;
  if (twice_rest > whole || (twice_rest == whole && (q & 1) != 0)) ++q;
  return q;
}

TDateTime FinishEstimate(TDateTime started, TDateTime now, int64_t all, int64_t done) {
  return started + (now - started) * static_cast<double>(all) / static_cast<double>(done);
}

std::string StatisticsTrayHint(const std::string& today, const std::string& hour,
                               const std::string& minute) {
  return "Quillmor\rDone today:" + today + "\rthis hour:" + hour + "\rthis minute:" + minute;
}

StatisticsOutcome UpdateStatistics(StatisticsControls& c, TWList<TDataItem>& RunList,
                                   FileCounters& counters, TDateTime now, TDateTime RunStartedAt,
                                   const RegionalFormats& formats) {
  counters.RollOver(now);
  StatisticsOutcome out;
  if (RunList.Empty()) {
    out.batch_over = true;
    c.StatTimer.SetEnabled(false);
    c.lStatus.SetCaption("Ready.");
    for (ui::Label* l :
         {&c.lStartedAt, &c.lFinishExpectedAt, &c.lProfilesToPperate, &c.lFilesToTotal,
          &c.lFilesLeft, &c.lCurrentProfile, &c.lCurrStartedAt, &c.lCurrFinishExpectedAt,
          &c.lFilesToOperate, &c.lCurrFilesLeft, &c.lCurrentFile})
      l->SetCaption("");
    for (ui::ProgressBar* b : {&c.psFile, &c.psProfile, &c.psTotal}) b->SetPosition(0);
    for (ui::Label* l : {&c.lpsCurrentprofile, &c.lpsTotal, &c.lpsCurrentFile})
      l->SetCaption(Percent(0));
    return out;
  }

  c.lfopToday.SetCaption(std::to_string(counters.FilesToday));
  c.lfopHour.SetCaption(std::to_string(counters.FilesThisHour));
  c.lfopMinute.SetCaption(std::to_string(counters.FilesThisMinute));
  c.lProfilesToPperate.SetCaption(std::to_string(RunList.Count()));

  auto file_count = [](const TDataItem& item) {
    return static_cast<int64_t>(item.SrcFiles.Count() + item.DestFiles.Count());
  };
  int64_t total = 0;
  int64_t left = 0;
  for (size_t i = 0; i < RunList.Count(); ++i) {
    const TDataItem& item = RunList.Object(i);
    total += file_count(item);
    left += file_count(item) - item.FilesDone;
  }
  const int64_t done = total - left;
  c.lFilesToTotal.SetCaption(std::to_string(total));
  c.lFilesLeft.SetCaption(std::to_string(left));
  if (total >= 1 && done >= 1)
    c.lFinishExpectedAt.SetCaption(
        DateTimeToDisplay(FinishEstimate(RunStartedAt, now, total, done), formats));
  if (total >= 1) {
    c.psTotal.SetPosition(PercentHalfEven(done, total));
    c.lpsTotal.SetCaption(Percent(c.psTotal.Position()));
  }

  TDataItem& head = RunList.Object(0);
  const int64_t n = file_count(head);
  c.lCurrentProfile.SetCaption(head.Profile.Name());
  c.lCurrStartedAt.SetCaption(DateTimeToDisplay(head.StartedAt, formats));
  c.lFilesToOperate.SetCaption(std::to_string(n));
  head.FilesLeft = static_cast<int32_t>(n - head.FilesDone);
  c.lCurrFilesLeft.SetCaption(std::to_string(head.FilesLeft));
  c.lCurrentFile.SetCaption(head.CurrentFile);
  if (n >= 1 && head.FilesDone >= 1)
    c.lCurrFinishExpectedAt.SetCaption(
        DateTimeToDisplay(FinishEstimate(head.StartedAt, now, n, head.FilesDone), formats));
  if (n >= 1) {
    c.psProfile.SetPosition(PercentHalfEven(head.FilesDone, n));
    c.lpsCurrentprofile.SetCaption(Percent(c.psProfile.Position()));
  }
  out.hint =
      StatisticsTrayHint(c.lfopToday.Caption(), c.lfopHour.Caption(), c.lfopMinute.Caption());
  return out;
}

void StatTimerTimer(FileCounters& counters, TDateTime now, const LogOptions& options,
                    const LogFlushTarget& log) {
  counters.RollOver(now);
  FlushLog(log.fs, log.dialogs, options, log.LogBuffer, log.LogWriteFailed);
}

}  // namespace qm
