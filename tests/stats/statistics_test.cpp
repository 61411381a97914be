#include "stats/statistics.h"
#include "platform/percent.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace qm {
namespace {

TDateTime InMonth(int month, int d, int h, int mi) {
  return *EncodeDateTime({2026, month, d, h, mi, 0, 0});
}
TDateTime At(int d, int h, int mi, int s = 0) {
  return *EncodeDateTime({2026, 3, d, h, mi, s, 0});
}

void Count(FileCounters& c, int n, TDateTime now) {
  for (int i = 0; i < n; ++i) c.CountOperatedFile(now);
}

TEST(FileCountersTest, FirstUpdateResetsNothing) {
  FileCounters c;
  Count(c, 3, At(3, 10, 4));
  c.RollOver(At(3, 10, 4, 30));
  EXPECT_EQ(c.FilesToday, 3);
  EXPECT_EQ(c.FilesThisHour, 3);
  EXPECT_EQ(c.FilesThisMinute, 3);
}

TEST(FileCountersTest, EachCounterRollsOverWithItsPeriod) {
  FileCounters c;
  c.RollOver(At(3, 10, 5));
  Count(c, 2, At(3, 10, 5, 10));
  c.RollOver(At(3, 10, 6, 1));  // new minute
  EXPECT_EQ(c.FilesThisMinute, 0);
  EXPECT_EQ(c.FilesThisHour, 2);
  EXPECT_EQ(c.FilesToday, 2);
  c.RollOver(At(4, 0, 0));  // midnight resets all three
  EXPECT_EQ(c.FilesToday, 0);
  EXPECT_EQ(c.FilesThisHour, 0);
  EXPECT_EQ(c.FilesThisMinute, 0);
}

TEST(FileCountersTest, SameClockFieldsAnHourOrAMonthLaterAreNewPeriods) {
  FileCounters c;
  Count(c, 4, At(3, 10, 5));
  c.RollOver(At(3, 11, 5));  // minute field 05 again, but an hour later
  EXPECT_EQ(c.FilesThisMinute, 0);
  EXPECT_EQ(c.FilesThisHour, 0);
  EXPECT_EQ(c.FilesToday, 4);
  Count(c, 1, At(3, 11, 5));
  c.RollOver(InMonth(4, 3, 11, 5));  // the 3rd of the next month, same hour and minute
  EXPECT_EQ(c.FilesToday, 0);
  EXPECT_EQ(c.FilesThisHour, 0);
  EXPECT_EQ(c.FilesThisMinute, 0);
}

TEST(FileCountersTest, FileOfANewMinuteCountsInItBeforeTheUpdate) {
  FileCounters c;
  c.RollOver(At(3, 10, 5, 58));
  Count(c, 5, At(3, 10, 5, 59));
  Count(c, 2, At(3, 10, 6, 0));  // before the next update
  c.RollOver(At(3, 10, 6, 1));
  EXPECT_EQ(c.FilesThisMinute, 2);
  EXPECT_EQ(c.FilesThisHour, 7);
}

TEST(PercentTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(HalfEvenPercent(1, 8), 12);   // 12.5
  EXPECT_EQ(HalfEvenPercent(3, 8), 38);   // 37.5
  EXPECT_EQ(HalfEvenPercent(1, 40), 2);   // 2.5
  EXPECT_EQ(HalfEvenPercent(7, 200), 4);  // 3.5
  EXPECT_EQ(HalfEvenPercent(2, 3), 67);
  EXPECT_EQ(HalfEvenPercent(0, 3), 0);
  EXPECT_EQ(HalfEvenPercent(3, 3), 100);
}

class StatisticsTest : public ::testing::Test {
 protected:
  RunSnapshot& Queue(const std::string& name, int files, int done, TDateTime started) {
    auto item = std::make_unique<RunSnapshot>();
    item->Profile.SetName(name);
    for (int i = 0; i < files; ++i)
      item->SrcFiles.Add("f" + std::to_string(i), std::make_unique<ScannedFile>());
    item->FilesDone = done;
    item->StartedAt = started;
    return run_list.Add(name, std::move(item));
  }
  StatisticsSnapshot Update(TDateTime now) {
    return ComputeStatistics(run_list, counters, now, run_started, formats);
  }

  RegionalFormats formats;
  NamedList<RunSnapshot> run_list;
  FileCounters counters;
  TDateTime run_started = At(3, 10, 0);
};

TEST_F(StatisticsTest, EstimatesAtAConstantRate) {
  run_started = At(3, 10, 0);
  RunSnapshot& item = Queue("Docs", 200, 50, At(3, 10, 0));
  item.CurrentFile = "a.txt";
  Count(counters, 12, At(3, 10, 10));
  const StatisticsSnapshot s = Update(At(3, 10, 10));
  EXPECT_FALSE(s.batch_over);
  EXPECT_EQ(s.current_finish_expected, DateTimeToDisplay(At(3, 10, 40), formats));
  EXPECT_EQ(s.finish_expected, DateTimeToDisplay(At(3, 10, 40), formats));
  EXPECT_EQ(s.profile_percent, 25);
  EXPECT_EQ(s.total_percent, 25);
  EXPECT_EQ(s.current_files, 200);
  EXPECT_EQ(s.current_files_left, 150);
  EXPECT_EQ(item.FilesLeft, 150);
  EXPECT_EQ(s.current_profile, "Docs");
  EXPECT_EQ(s.current_started, DateTimeToDisplay(At(3, 10, 0), formats));
  EXPECT_EQ(s.current_file, "a.txt");
  EXPECT_EQ(s.files_today, 12);
  EXPECT_EQ(s.TrayHint(), "Quillmor\rDone today:12\rthis hour:12\rthis minute:12");
}

TEST_F(StatisticsTest, TotalsSpanTheQueueAndEstimatesWaitForADoneFile) {
  Queue("A", 10, 0, At(3, 10, 1));
  Queue("B", 30, 0, 0);
  const StatisticsSnapshot s = Update(At(3, 10, 2));
  EXPECT_EQ(s.profiles_queued, 2u);
  EXPECT_EQ(s.files_total, 40);
  EXPECT_EQ(s.files_left, 40);
  EXPECT_EQ(s.current_finish_expected, std::nullopt);
  EXPECT_EQ(s.finish_expected, std::nullopt);
  EXPECT_EQ(s.total_percent, 0);
}

TEST_F(StatisticsTest, EmptyProfileHasNoPercentage) {
  Queue("Empty", 0, 0, At(3, 10, 1));
  const StatisticsSnapshot s = Update(At(3, 10, 2));
  EXPECT_EQ(s.profile_percent, std::nullopt);
  EXPECT_EQ(s.total_percent, std::nullopt);
  EXPECT_EQ(s.current_files, 0);
}

TEST_F(StatisticsTest, EndOfBatchLeavesTheCountersAlone) {
  Count(counters, 9, At(3, 10, 2));
  const StatisticsSnapshot s = Update(At(3, 10, 2));
  EXPECT_TRUE(s.batch_over);
  EXPECT_EQ(s.current_profile, "");
  EXPECT_EQ(s.profiles_queued, 0u);
  EXPECT_EQ(counters.FilesToday, 9);
  // The counters still roll over at an update without work.
  EXPECT_TRUE(Update(At(3, 10, 3)).batch_over);
  EXPECT_EQ(counters.FilesThisMinute, 0);
  EXPECT_EQ(counters.FilesToday, 9);
}

}  // namespace
}  // namespace qm
