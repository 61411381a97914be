// The Qt message loop: posted events, timers that are switched, re-timed and destroyed from
// inside their own handlers, and the tick count.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "qt/qt_dialogs.h"
#include "qt/qt_message_loop.h"
#include "ui/message_loop.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class QtLoopTest : public ::testing::Test {
 protected:
  template <class F>
  bool PumpUntil(F done) {
    return test::PumpUntil(loop, done);
  }

  qt::QtMessageLoop loop;
};

TEST_F(QtLoopTest, PostedEventsRunInOrderAtTheNextRound) {
  std::vector<int> seen;
  loop.Post([&] { seen.push_back(1); });
  loop.Post([&] { seen.push_back(2); });
  EXPECT_TRUE(seen.empty());
  loop.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST_F(QtLoopTest, TimerFiresUntilItSwitchesItselfOff) {
  ui::Timer timer(loop, "t", 5, true);
  int fired = 0;
  timer.OnTimer = [&] {
    if (++fired == 3) timer.SetEnabled(false);
  };
  ASSERT_TRUE(PumpUntil([&] { return fired == 3; }));
  const uint64_t until = loop.TickCount() + 30;
  while (loop.TickCount() < until) loop.ProcessMessages();
  EXPECT_EQ(fired, 3);
}

TEST_F(QtLoopTest, TimerDestroyedInsideItsOwnHandlerIsSafe) {
  auto timer = std::make_unique<ui::Timer>(loop, "t", 1, true);
  bool fired = false;
  timer->OnTimer = [&] {
    fired = true;
    timer.reset();
  };
  ASSERT_TRUE(PumpUntil([&] { return fired; }));
  EXPECT_EQ(timer, nullptr);
  loop.ProcessMessages();
}

TEST_F(QtLoopTest, NestedProcessingInsideAHandlerKeepsOtherTimersGoing) {
  ui::Timer slow(loop, "slow", 1, true);
  ui::Timer fast(loop, "fast", 1, true);
  int fast_fired = 0;
  fast.OnTimer = [&] { ++fast_fired; };
  bool nested_done = false;
  slow.OnTimer = [&] {
    slow.SetEnabled(false);
    // A long operation that keeps the window alive, as the engine does.
    nested_done = PumpUntil([&] { return fast_fired >= 3; });
  };
  ASSERT_TRUE(PumpUntil([&] { return !slow.Enabled(); }));
  EXPECT_TRUE(nested_done);
}

TEST(QtTextTest, LineBreaksOfBothFormsBecomeNewlines) {
  EXPECT_EQ(qt::ToQtText("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

}  // namespace
}  // namespace qm::test
