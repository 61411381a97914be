#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/virtual_message_loop.h"
#include "ui/dialogs.h"
#include "ui/headless_message_loop.h"

namespace qm::ui {
namespace {

class VirtualLoopTest : public ::testing::Test {
 protected:
  VirtualMessageLoop loop_;
  std::vector<std::string> log_;

  // Records "<what>@<tick>" when it runs.
  std::function<void()> Note(const std::string& what) {
    return [this, what] { log_.push_back(what + "@" + std::to_string(loop_.TickCount())); };
  }
};

TEST_F(VirtualLoopTest, ScheduledActionsRunInTimeThenInsertionOrder) {
  loop_.At(30, Note("c"));
  loop_.At(10, Note("a"));
  loop_.At(10, Note("b"));
  loop_.Post(Note("posted"));
  loop_.RunFor(50);
  EXPECT_EQ(log_, (std::vector<std::string>{"posted@1", "a@10", "b@10", "c@30"}));
  EXPECT_EQ(loop_.TickCount(), 50u);
  loop_.At(5, Note("late"));  // already past: runs at the next round
  loop_.ProcessMessages();
  EXPECT_EQ(log_.back(), "late@51");
}

TEST_F(VirtualLoopTest, TimersFireEveryIntervalWhileEnabled) {
  Timer t(loop_, "statistics_timer", 1500);
  t.OnTimer = Note("tick");
  loop_.RunFor(2000);
  EXPECT_TRUE(log_.empty());  // created disabled

  t.SetEnabled(true);
  loop_.RunFor(3100);
  EXPECT_EQ(log_, (std::vector<std::string>{"tick@3500", "tick@5000"}));
  t.SetEnabled(false);
  loop_.RunFor(5000);
  EXPECT_EQ(log_.size(), 2u);
  // Enabling again starts a fresh interval.
  t.SetEnabled(true);
  loop_.RunFor(1499);
  EXPECT_EQ(log_.size(), 2u);
  loop_.RunFor(1);
  EXPECT_EQ(log_.back(), "tick@11600");
}

TEST_F(VirtualLoopTest, ATimerDisabledByItsOwnHandlerFiresOnce) {
  Timer once(loop_, "after_show_timer", 100, true);
  once.OnTimer = [&] {
    once.SetEnabled(false);
    log_.push_back("once@" + std::to_string(loop_.TickCount()));
  };
  loop_.RunFor(1000);
  EXPECT_EQ(log_, std::vector<std::string>{"once@100"});
}

TEST_F(VirtualLoopTest, ActionsDueWithATimerRunBeforeIt) {
  Timer t(loop_, "t", 100, true);
  t.OnTimer = Note("timer");
  loop_.At(100, Note("click"));
  loop_.RunFor(100);
  EXPECT_EQ(log_, (std::vector<std::string>{"click@100", "timer@100"}));
}

TEST_F(VirtualLoopTest, TimersDueTogetherFireInTheOrderTheyFellDue) {
  // After a long blocking step both are overdue; the one that fell due first fires first,
  // whatever order the timers were created in.
  Timer late(loop_, "late", 300, true);
  Timer early(loop_, "early", 200, true);
  Timer later(loop_, "later", 400, true);
  late.OnTimer = Note("late");
  early.OnTimer = Note("early");
  later.OnTimer = Note("later");
  loop_.Advance(1000);
  loop_.ProcessMessages();
  EXPECT_EQ(log_, (std::vector<std::string>{"early@1001", "late@1001", "later@1001"}));
}

TEST_F(VirtualLoopTest, NestedProcessingRunsWhatFallsDueInside) {
  Timer t(loop_, "t", 40, true);
  t.OnTimer = Note("timer");
  loop_.At(10, [&] {
    log_.push_back("work-start@" + std::to_string(loop_.TickCount()));
    PauseWithMessages(loop_, 100);  // a long step that keeps the window alive
    log_.push_back("work-end@" + std::to_string(loop_.TickCount()));
  });
  loop_.At(50, Note("click"));
  loop_.RunFor(120);
  EXPECT_EQ(log_, (std::vector<std::string>{"work-start@10", "timer@40", "click@50", "timer@80",
                                            "work-end@110", "timer@120"}));
}

TEST_F(VirtualLoopTest, PauseWithMessagesWaitsByTheTickCount) {
  loop_.set_step_ms(7);
  PauseWithMessages(loop_, 100);
  EXPECT_GE(loop_.TickCount(), 100u);
  EXPECT_LT(loop_.TickCount(), 107u);
  const uint64_t before = loop_.TickCount();
  PauseWithMessages(loop_, 0);
  EXPECT_EQ(loop_.TickCount(), before);
}

TEST_F(VirtualLoopTest, RunJumpsIdleTimeAndStopsOnQuit) {
  loop_.At(60'000, [&] { loop_.Quit(); });
  loop_.Run();
  EXPECT_EQ(loop_.TickCount(), 60'000u);
  EXPECT_TRUE(loop_.quit_requested());
  EXPECT_THROW(loop_.Run(), std::runtime_error);  // nothing left and no Quit()
}

TEST_F(VirtualLoopTest, RunUntilGivesUpAfterItsLimit) {
  bool done = false;
  loop_.At(500, [&] { done = true; });
  EXPECT_TRUE(loop_.RunUntil([&] { return done; }));
  EXPECT_FALSE(loop_.RunUntil([] { return false; }, 50));
}

TEST_F(VirtualLoopTest, NowFollowsTheVirtualClock) {
  VirtualMessageLoop loop(46000.5);
  loop.Advance(3'600'000);
  EXPECT_DOUBLE_EQ(loop.Now(), 46000.5 + 1.0 / 24);
}

TEST_F(VirtualLoopTest, DestroyedTimerNeverFires) {
  {
    Timer t(loop_, "t", 10, true);
    t.OnTimer = Note("timer");
  }
  loop_.RunFor(100);
  EXPECT_TRUE(log_.empty());
}

TEST(HeadlessMessageLoop, RunsPostedEventsInOrderAndQuits) {
  HeadlessMessageLoop loop;
  std::vector<int> seen;
  loop.Post([&] {
    seen.push_back(1);
    loop.Post([&] {
      seen.push_back(3);
      loop.Quit();
    });
  });
  loop.Post([&] { seen.push_back(2); });
  loop.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));  // posted by a handler: waits for the next round
  loop.Run();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

// A readable descriptor ends the wait at once (a timer far off would otherwise end it), and an
// unwatched one is left alone.
TEST(HeadlessMessageLoop, ReadableDescriptorWakesTheWaitUntilUnwatched) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  HeadlessMessageLoop loop;
  Timer far(loop, "far", 60'000, true);
  int woken = 0;
  ASSERT_TRUE(loop.WatchDescriptor(fds[0], [&] {
    char byte;
    if (read(fds[0], &byte, 1) == 1) ++woken;
  }));
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  const uint64_t start = loop.TickCount();
  while (woken == 0 && loop.TickCount() - start < 60'000) loop.WaitForMessages(60'000);
  EXPECT_EQ(woken, 1);
  loop.UnwatchDescriptor(fds[0]);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  loop.WaitForMessages(10);
  EXPECT_EQ(woken, 1);
  close(fds[0]);
  close(fds[1]);
}

TEST(ApplicationErrorText, AddsAFullStopAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ApplicationErrorText("Disk full"), "Disk full.");
  EXPECT_EQ(ApplicationErrorText("File C:\\a\\b.txt"), "File C:\\a\\b.txt.");
  EXPECT_EQ(ApplicationErrorText("Error 42"), "Error 42.");
  EXPECT_EQ(ApplicationErrorText("Done."), "Done.");
  EXPECT_EQ(ApplicationErrorText("Really?"), "Really?.");  // '?' sorts after '.'
  EXPECT_EQ(ApplicationErrorText("Stop!"), "Stop!");
  EXPECT_EQ(ApplicationErrorText("(none)"), "(none)");
  EXPECT_EQ(ApplicationErrorText(""), "");
  EXPECT_EQ(ApplicationErrorText("Fehler \xe4"), "Fehler \xe4.");
}

}  // namespace
}  // namespace qm::ui
