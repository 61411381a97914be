// What the window shows of a run: the status line and the statistics page from the queueing of
// a batch to its end, through the real session and engine on the virtual clock.
#include <gmock/gmock.h>

#include "support/controller_factory.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;

class RunViewTest : public FormTest {
 protected:
  void SetUp() override {
    dir.WriteFile("src-a/f.txt", "f");
    Open({"a"});
  }
};

TEST_F(RunViewTest, AQueuedBatchIsShownFromItsScanToTheEndOfItsRun) {
  form->start_button.Click();  // a first batch leaves the status line at rest
  ASSERT_EQ(form->status_label.Caption(), "Ready.");
  loop.RunFor(5000);
  const std::string started = DateTimeToDisplay(loop.Now(), RegionalFormats{});

  std::vector<std::string> statuses;
  bool checked = false, statistics_timer_on = false;
  RunSession& session = form->session();
  form->status_label.Changed().Connect([&] {
    statuses.push_back(form->status_label.Caption());
    if (form->status_label.Caption() == "Backing up...")
      statistics_timer_on = session.statistics_timer.Enabled();
    if (statuses.back() != "On duty..." || checked) return;
    checked = true;
    EXPECT_EQ(form->started_at_label.Caption(), started);
    EXPECT_EQ(form->finish_expected_label.Caption(), "");
    EXPECT_EQ(form->profiles_to_operate_label.Caption(), "1");
    // The same name again is no new entry: neither the status nor the start change.
    loop.Advance(2000);
    session.QueueProfile(session.EnabledProfiles()[0]);
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_EQ(form->started_at_label.Caption(), started);
    EXPECT_EQ(form->profiles_to_operate_label.Caption(), "1");
  });
  form->start_button.Click();
  ASSERT_TRUE(checked);
  ASSERT_GE(statuses.size(), 2u);
  EXPECT_THAT(std::vector<std::string>(statuses.begin(), statuses.begin() + 2),
              ElementsAre("Scanning the folders...", "On duty..."));
  EXPECT_TRUE(statistics_timer_on);
  EXPECT_EQ(statuses.back(), "Ready.");
  EXPECT_EQ(form->current_file_label.Caption(), "");
  EXPECT_FALSE(session.statistics_timer.Enabled());
}

TEST_F(RunViewTest, SnapshotsFillThePageAndTheBatchEndResetsItButTheCounters) {
  RunSession& session = form->session();
  StatisticsSnapshot s;
  s.files_today = 7;
  s.files_this_hour = 5;
  s.files_this_minute = 2;
  s.profiles_queued = 1;
  s.files_total = 10;
  s.files_left = 4;
  s.finish_expected = "12:00:10";
  s.total_percent = 60;
  s.current_profile = "a";
  s.current_started = "11:59:00";
  s.current_files = 10;
  s.current_files_left = 4;
  s.current_file = "/s/f.txt";
  s.current_finish_expected = "12:00:05";
  s.profile_percent = 60;
  session.StatisticsUpdated(s);
  session.MakeEngineContext().observer.FileProgress(50, 100);
  loop.RunFor(kViewRefreshMs);
  EXPECT_EQ(form->total_percent_label.Caption(), "60 %");
  EXPECT_EQ(form->file_percent_label.Caption(), "50 %");

  // A snapshot without an estimate leaves the one shown.
  s.finish_expected.reset();
  s.current_finish_expected.reset();
  s.files_left = 3;
  session.StatisticsUpdated(s);
  loop.RunFor(kViewRefreshMs);
  EXPECT_EQ(form->finish_expected_label.Caption(), "12:00:10");
  EXPECT_EQ(form->profile_finish_expected_label.Caption(), "12:00:05");
  EXPECT_EQ(form->files_left_label.Caption(), "3");

  StatisticsSnapshot over;
  over.batch_over = true;
  session.StatisticsUpdated(over);
  EXPECT_EQ(form->status_label.Caption(), "Ready.");
  for (const ui::Label* l :
       {&form->started_at_label, &form->finish_expected_label, &form->profiles_to_operate_label,
        &form->files_total_label, &form->files_left_label, &form->current_profile_label,
        &form->profile_started_at_label, &form->profile_finish_expected_label,
        &form->profile_files_label, &form->profile_files_left_label, &form->current_file_label})
    EXPECT_EQ(l->Caption(), "") << l->name();
  for (const ui::ProgressBar* b :
       {&form->total_progress, &form->profile_progress, &form->file_progress})
    EXPECT_EQ(b->Position(), 0) << b->name();
  for (const ui::Label* l :
       {&form->total_percent_label, &form->profile_percent_label, &form->file_percent_label})
    EXPECT_EQ(l->Caption(), "0 %") << l->name();
  EXPECT_EQ(form->files_today_label.Caption(), "7");
  EXPECT_EQ(form->files_this_hour_label.Caption(), "5");
  EXPECT_EQ(form->files_this_minute_label.Caption(), "2");
  EXPECT_FALSE(form->TrayAnimated());
}

TEST_F(RunViewTest, ManyFileEventsMakeFewControlUpdatesAndTheLastStateIsShown) {
  RunObserver& observer = form->session().MakeEngineContext().observer;
  RunSession& session = form->session();
  int bar_updates = 0, percent_updates = 0, figure_updates = 0;
  form->file_progress.Changed().Connect([&] { ++bar_updates; });
  form->file_percent_label.Changed().Connect([&] { ++percent_updates; });
  form->files_left_label.Changed().Connect([&] { ++figure_updates; });
  StatisticsSnapshot s;
  s.profiles_queued = 1;
  s.files_total = 10'000;
  // Ten thousand blocks and a thousand statistics updates in one second of the loop's time.
  constexpr int kBlocks = 10'000;
  for (int done = 0; done <= kBlocks; ++done) {
    observer.FileProgress(done, kBlocks);
    if (done % 10 == 0) {
      s.files_left = kBlocks - done;
      session.StatisticsUpdated(s);
      loop.ProcessMessages();  // one millisecond
    }
  }
  const int updates_allowed = 1000 / static_cast<int>(kViewRefreshMs) + 2;
  EXPECT_LE(bar_updates, 2 * updates_allowed);  // a range and a position at the first
  EXPECT_LE(percent_updates, updates_allowed);
  EXPECT_LE(figure_updates, updates_allowed);

  loop.RunFor(kViewRefreshMs);
  EXPECT_EQ(form->file_progress.Position(), kBlocks);
  EXPECT_EQ(form->file_percent_label.Caption(), "100 %");
  EXPECT_EQ(form->files_left_label.Caption(), "0");

  // The end of the copy waits too, but the end of the run shows it at once.
  observer.FileCopyEnded();
  observer.EngineStopped();
  EXPECT_EQ(form->file_progress.Position(), 0);
}

TEST(PercentText, RoundsHalvesToEvenWithFullSizes) {
  EXPECT_EQ(PercentText(1, 8), "12 %");   // 12.5
  EXPECT_EQ(PercentText(3, 8), "38 %");   // 37.5
  EXPECT_EQ(PercentText(1, 200), "0 %");  // 0.5
  EXPECT_EQ(PercentText(3, 200), "2 %");  // 1.5
  EXPECT_EQ(PercentText(2, 3), "67 %");
  EXPECT_EQ(PercentText(5'000'000'000LL, 10'000'000'000LL), "50 %");
  EXPECT_EQ(PercentText(0, 0), "0 %");
}

}  // namespace
}  // namespace qm::test
