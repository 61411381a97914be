// The Qt side of the "Current profile" page: the widgets are bound by the main window; this
// adds what the generic bindings cannot: the focus moving to the name editor of a new row, and
// the grid's sorting and search. The page's keys (Insert, F2, Ctrl+Del) are the window's.
#pragma once

#include <QObject>

class QWidget;

namespace qm {
class ProfileEditor;
}

namespace qm::qt {

class MainWindow;

class ProfilePage : public QObject {
 public:
  // Lives as a child of `window`, which must already hold the page's widgets and the grid.
  ProfilePage(MainWindow& window, ProfileEditor& editor);
  ~ProfilePage() override;

 private:
  QWidget* window_;
  ProfileEditor& editor_;
  int focus_connection_ = 0;
};

}  // namespace qm::qt
