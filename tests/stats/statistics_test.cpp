#include "stats/statistics.h"
#include "stats/statistics_controls_of.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

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
  EXPECT_EQ(c.LastMinute, 4);
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
  EXPECT_EQ(PercentHalfEven(1, 8), 12);   // 12.5
  EXPECT_EQ(PercentHalfEven(3, 8), 38);   // 37.5
  EXPECT_EQ(PercentHalfEven(1, 40), 2);   // 2.5
  EXPECT_EQ(PercentHalfEven(7, 200), 4);  // 3.5
  EXPECT_EQ(PercentHalfEven(2, 3), 67);
  EXPECT_EQ(PercentHalfEven(0, 3), 0);
  EXPECT_EQ(PercentHalfEven(3, 3), 100);
}

TEST(StatisticsTest, TrayHintHasFourLines) {
  EXPECT_EQ(StatisticsTrayHint("12", "3", "0"),
            "Quillmor\rDone today:12\rthis hour:3\rthis minute:0");
}

class StatisticsPageTest : public ::testing::Test {
 protected:
  TDataItem& Queue(const std::string& name, int files, int done, TDateTime started) {
    auto item = std::make_unique<TDataItem>();
    item->Profile.SetName(name);
    for (int i = 0; i < files; ++i)
      item->SrcFiles.Add("f" + std::to_string(i), std::make_unique<TFilesListItem>());
    item->FilesDone = done;
    item->StartedAt = started;
    return RunList.Add(name, std::move(item));
  }
  StatisticsOutcome Update(TDateTime now) {
    return UpdateStatistics(page, RunList, counters, now, run_started, formats);
  }

  ui::VirtualMessageLoop loop;
  RegionalFormats formats;
  TWList<TDataItem> RunList;
  FileCounters counters;
  TDateTime run_started = At(3, 10, 0);

  // Public, so that StatisticsControlsOf finds them as it finds the main window's.
 public:
  ui::Label lStatus{"lStatus", "Waiting..."}, lfopToday{"a", "0"}, lfopHour{"b", "0"},
      lfopMinute{"c", "0"}, lStartedAt{"d", ""}, lFinishExpectedAt{"e", "00:00:00"},
      lProfilesToPperate{"f", "0"}, lFilesToTotal{"g", "0"}, lFilesLeft{"h", "0"},
      lpsTotal{"i", "0 %"}, lCurrentProfile{"j", "None"}, lCurrStartedAt{"k", "00:00:00"},
      lCurrFinishExpectedAt{"l", "00:00:00"}, lFilesToOperate{"m", "0"}, lCurrFilesLeft{"n", "0"},
      lpsCurrentprofile{"o", "0 %"}, lCurrentFile{"p", "None"}, lpsCurrentFile{"q", "0 %"};
  ui::ProgressBar psTotal{"psTotal"}, psProfile{"psProfile"}, psFile{"psFile"};
  ui::Timer StatTimer{loop, "StatTimer", 1500, true};
  StatisticsControls page = StatisticsControlsOf(*this);
};

TEST_F(StatisticsPageTest, EstimatesAtAConstantRate) {
  run_started = At(3, 10, 0);
  TDataItem& item = Queue("Docs", 200, 50, At(3, 10, 0));
  item.CurrentFile = "a.txt";
  Count(counters, 12, At(3, 10, 10));
  const StatisticsOutcome out = Update(At(3, 10, 10));
  EXPECT_EQ(lCurrFinishExpectedAt.Caption(), DateTimeToDisplay(At(3, 10, 40), formats));
  EXPECT_EQ(lFinishExpectedAt.Caption(), DateTimeToDisplay(At(3, 10, 40), formats));
  EXPECT_EQ(psProfile.Position(), 25);
  EXPECT_EQ(lpsCurrentprofile.Caption(), "25 %");
  EXPECT_EQ(lpsTotal.Caption(), "25 %");
  EXPECT_EQ(lFilesToOperate.Caption(), "200");
  EXPECT_EQ(lCurrFilesLeft.Caption(), "150");
  EXPECT_EQ(item.FilesLeft, 150);
  EXPECT_EQ(lCurrentProfile.Caption(), "Docs");
  EXPECT_EQ(lCurrentFile.Caption(), "a.txt");
  EXPECT_EQ(lfopToday.Caption(), "12");
  ASSERT_TRUE(out.hint);
  EXPECT_EQ(*out.hint, "Quillmor\rDone today:12\rthis hour:12\rthis minute:12");
  EXPECT_FALSE(out.batch_over);
}

TEST_F(StatisticsPageTest, TotalsSpanTheQueueAndEstimatesWaitForADoneFile) {
  Queue("A", 10, 0, At(3, 10, 1));
  Queue("B", 30, 0, 0);
  lCurrFinishExpectedAt.SetCaption("earlier");
  lFinishExpectedAt.SetCaption("");
  Update(At(3, 10, 2));
  EXPECT_EQ(lProfilesToPperate.Caption(), "2");
  EXPECT_EQ(lFilesToTotal.Caption(), "40");
  EXPECT_EQ(lFilesLeft.Caption(), "40");
  EXPECT_EQ(lCurrFinishExpectedAt.Caption(), "earlier");
  EXPECT_EQ(lFinishExpectedAt.Caption(), "");
  EXPECT_EQ(lpsTotal.Caption(), "0 %");
}

TEST_F(StatisticsPageTest, EmptyProfileKeepsItsBar) {
  Queue("Empty", 0, 0, At(3, 10, 1));
  psProfile.SetPosition(70);
  lpsCurrentprofile.SetCaption("70 %");
  Update(At(3, 10, 2));
  EXPECT_EQ(psProfile.Position(), 70);
  EXPECT_EQ(lpsCurrentprofile.Caption(), "70 %");
}

TEST_F(StatisticsPageTest, EndOfBatchResetsThePageButNotTheCounters) {
  lfopToday.SetCaption("9");
  lCurrentProfile.SetCaption("Docs");
  psTotal.SetPosition(50);
  lpsCurrentFile.SetCaption("80 %");
  const StatisticsOutcome out = Update(At(3, 10, 2));
  EXPECT_TRUE(out.batch_over);
  EXPECT_FALSE(out.hint);
  EXPECT_FALSE(StatTimer.Enabled());
  EXPECT_EQ(lStatus.Caption(), "Ready.");
  EXPECT_EQ(lCurrentProfile.Caption(), "");
  EXPECT_EQ(psTotal.Position(), 0);
  EXPECT_EQ(lpsCurrentFile.Caption(), "0 %");
  EXPECT_EQ(lfopToday.Caption(), "9");
}

TEST(FileCountersTest, UpdateEndsWithTheFlush) {
  test::TempDir dir;
  test::ScriptedDialogs dialogs;
  std::vector<std::string> buffer = {"line"};
  bool failed = false;
  LogOptions options;
  options.dir = dir.path();
  FileCounters c;
  c.CountOperatedFile(At(3, 10, 5));
  StatTimerTimer(c, At(3, 10, 5), options, {PosixFileSystem(), dialogs, buffer, failed});
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(dir.ReadFile("Quillmor.log"), "line\r\n");
  EXPECT_EQ(c.FilesThisMinute, 1);
}

}  // namespace
}  // namespace qm
