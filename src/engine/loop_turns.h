// How the engine lets the window live during long work: the message loop gets a turn by time,
// not per file or per block. A turn costs the same whether or not anything is pending, and a
// run of many small files would otherwise spend more time pumping than copying.
#pragma once

#include <cstdint>

#include "ui/message_loop.h"

namespace qm {

// Often enough that a click is taken and painted well within a tenth of a second.
inline constexpr uint32_t kLoopTurnMs = 50;

// Processes the loop's messages when kLoopTurnMs have passed since the last turn.
void LoopTurn(ui::MessageLoop& loop);
// Processes them now, for a moment that cannot wait (the run has ended, a question follows).
void LoopTurnNow(ui::MessageLoop& loop);

}  // namespace qm
