#include "engine/loop_turns.h"

namespace qm {

void LoopTurn(ui::MessageLoop& loop) {
  if (!loop.ClockMovesByItself()) {
    loop.ProcessMessages();
    return;
  }
  if (loop.TickCount() - loop.last_engine_turn < kLoopTurnMs) return;
  LoopTurnNow(loop);
}

void LoopTurnNow(ui::MessageLoop& loop) {
  loop.ProcessMessages();
  // Counted from the end of the turn: a turn that ran long handlers is not followed at once by
  // another.
  loop.last_engine_turn = loop.TickCount();
}

}  // namespace qm
