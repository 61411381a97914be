// What the profile grid `profile_grid` does beyond showing the table: sorting by a click on a
// column title (with its marker), incremental search in the current column, and a selection
// that stays visible when the grid loses the focus.
#pragma once

class QTableView;

namespace qm {
class ProfileEditor;
}

namespace qm::qt {

// Sets up `grid` (already showing the profile table) to act through `editor`. The helpers it
// installs live as children of the grid.
void SetUpProfileGrid(QTableView* grid, ProfileEditor& editor);

}  // namespace qm::qt
