// The window's background mode end to end on the virtual clock and real files: profiles fall
// due by their intervals and are backed up, zero intervals are reported, a stop frees the timer
// items, and one store has one background scheduler.
#include <gmock/gmock.h>

#include "platform/date_time.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class BackgroundModeTest : public FormTest {
 protected:
  // A store of one profile "Docs" with the given interval, its source holding a.txt.
  void WriteProfile(TDateTime interval) {
    dir.WriteFile("src/a.txt", "one");
    WriteProfileStore(store, [&](ProfileTable& table) {
      ASSERT_TRUE(AppendProfile(table, "Docs", dir / "src", dir / "dest"));
      ASSERT_TRUE(table.SetDateTime(ProfileField::Interval, interval));
      ASSERT_TRUE(table.Post());
    });
  }
  void StartInBackground() {
    Start({"/B"});
    PassOneTimeStep();
    ASSERT_EQ(form->state.Mode, RunMode::kBackground);
    form->Log.log_folder_edit.SetText(dir.path() + "/");
  }
};

// The engine loop runs nested in the message loop for the whole background mode, so the checks
// are scheduled on the virtual clock and the mode is stopped at the end.
TEST_F(BackgroundModeTest, ProfileIsBackedUpEachIntervalThenTheStopFreesTheItems) {
  WriteProfile(EncodeTime(0, 0, 3));
  StartInBackground();  // at 100 ms
  EXPECT_EQ(form->status_label.Caption(), "Background mode started.");
  bool early = true;
  std::string first, second;
  int64_t counted = 0;
  loop.At(3000, [&] { early = dir.Exists("dest/a.txt"); });
  loop.At(3500, [&] {
    first = dir.ReadFile("dest/a.txt");
    // A newer source is copied again at the next interval.
    dir.WriteFile("src/a.txt", "two");
    SetMTime(dir / "src/a.txt", 2'000'000'000);
  });
  loop.At(6500, [&] {
    second = dir.ReadFile("dest/a.txt");
    counted = form->session().counters.FilesToday;
    form->stop_menu_item.Click();
  });
  loop.RunFor(10'000);
  EXPECT_FALSE(early) << "due one full interval after the start, not at once";
  EXPECT_EQ(first, "one");
  EXPECT_EQ(second, "two");
  EXPECT_EQ(counted, 2);
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(form->session().timer_items.Count(), 0u);
  EXPECT_EQ(form->session().timer_list.Count(), 0u);
  EXPECT_FALSE(form->session().timer_list.Active());
}

TEST_F(BackgroundModeTest, ZeroIntervalIsAnErrorRecordAndNeverRuns) {
  WriteProfile(0);
  StartInBackground();
  loop.At(10'000, [&] { form->stop_menu_item.Click(); });
  loop.RunFor(11'000);
  EXPECT_FALSE(dir.Exists("dest/a.txt"));
  EXPECT_THAT(dir.ReadFile("Quillmor.log"),
              HasSubstr("Profile \"Docs\" has the re-backup interval 00:00:00"));
}

TEST_F(BackgroundModeTest, SecondSchedulerOfTheSameStoreIsRefused) {
  WriteProfile(EncodeTime(0, 1, 0));
  StartInBackground();
  ScriptedDialogs other_dialogs;
  FakeWindow other_window;
  auto owner = MakeController(fs, loop, loop, other_dialogs, store, other_window, dir / "locks");
  MainWindowController& other = *owner;
  other.ToggleBackgroundMode();
  EXPECT_THAT(other_dialogs.Texts(DialogKind::kError), ElementsAre(SchedulerBusyMessage(store)));
  EXPECT_EQ(other.state.Mode, RunMode::kIdle);
  EXPECT_FALSE(other.state.Running);
  EXPECT_EQ(other.start_background_button.Caption(), "Start in background");

  // Free again once the first one stops.
  form->ToggleBackgroundMode();
  other.ToggleBackgroundMode();
  EXPECT_EQ(other.state.Mode, RunMode::kBackground);
  other.ToggleBackgroundMode();
}

}  // namespace
}  // namespace qm::test
