// The engine's turns of the message loop come by time, however often it offers one.
#include "engine/loop_turns.h"

#include <gtest/gtest.h>

#include "support/virtual_message_loop.h"

namespace qm::test {
namespace {

// A clock that runs on while nothing is processed, as a real one does; it counts the turns.
class RunningClockLoop : public ui::VirtualMessageLoop {
 public:
  RunningClockLoop() { set_step_ms(0); }
  bool ClockMovesByItself() const override { return true; }
  void ProcessMessages() override {
    ++turns;
    VirtualMessageLoop::ProcessMessages();
  }
  int turns = 0;
};

TEST(LoopTurns, ComeOncePerPeriodHoweverManyAreOffered) {
  RunningClockLoop loop;
  for (int ms = 0; ms < 1000; ++ms) {
    for (int file = 0; file < 10; ++file) LoopTurn(loop);
    loop.Advance(1);
  }
  EXPECT_EQ(loop.turns, 1000 / static_cast<int>(kLoopTurnMs) - 1);

  // A turn that cannot wait restarts the period.
  LoopTurnNow(loop);
  const int after_now = loop.turns;
  loop.Advance(kLoopTurnMs - 1);
  LoopTurn(loop);
  EXPECT_EQ(loop.turns, after_now);
  loop.Advance(1);
  LoopTurn(loop);
  EXPECT_EQ(loop.turns, after_now + 1);
}

TEST(LoopTurns, AClockThatMovesOnlyWithTurnsGetsEveryOne) {
  ui::VirtualMessageLoop loop;
  for (int i = 0; i < 10; ++i) LoopTurn(loop);
  EXPECT_EQ(loop.TickCount(), 10u);
}

}  // namespace
}  // namespace qm::test
