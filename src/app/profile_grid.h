// The state of the profile grid `profile_grid` that outlives its widget: the tag that remembers the
// current row across a hide, and the rows the user has selected for "Start selected".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/signal.h"

namespace qm {

struct ProfileGrid {
  // 1-based row number of the current profile when the window was last hidden; 0 for none.
  int Tag = 0;
  // Colours of the fixed cells and the footer as 0xRRGGBB; kept only to be saved as restored.
  int32_t FixedColor = -1;
  int32_t FooterColor = -1;
  // 0-based rows, in ascending order; empty means "the current row".
  std::vector<size_t> SelectedRows;
  // Fired when the program, not the user, unselected every row; the widget follows.
  ui::Signal<> SelectionCleared;

  void ClearSelection() {
    SelectedRows.clear();
    SelectionCleared();
  }
};

}  // namespace qm
