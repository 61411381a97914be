#include "qt/profile_page.h"

#include <QTableView>
#include <QWidget>

#include "app/profile_editor.h"
#include "qt/main_window.h"
#include "qt/profile_grid.h"

namespace qm::qt {

ProfilePage::ProfilePage(MainWindow& window, ProfileEditor& editor)
    : QObject(&window), window_(&window), editor_(editor) {
  SetUpProfileGrid(window.grid(), editor_);
  focus_connection_ = editor_.FocusRequested.Connect([this](ui::Control& control) {
    if (auto* w = window_->findChild<QWidget*>(QString::fromStdString(control.name())))
      w->setFocus(Qt::OtherFocusReason);
  });
}

ProfilePage::~ProfilePage() {
  editor_.FocusRequested.Disconnect(focus_connection_);
}

}  // namespace qm::qt
