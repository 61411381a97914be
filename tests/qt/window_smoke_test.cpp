// The real main window on the offscreen platform: a store of three profiles, the grid, the
// buttons, the bindings in both directions, and a close with its confirmation answered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <cstdlib>
#include <memory>

#include "app/main_window_controller.h"
#include "platform/clock.h"
#include "profiles/profile_store.h"
#include "qt/image_list.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "qt/tray_icon.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class WindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    // The offscreen platform has no notification area; these tests hide to a pretended one.
    handle.SetTrayAvailable([] { return true; });
    WriteStore({"Documents", "Photos", "Projects"});
    Open();
  }
};

TEST_F(WindowTest, ShowsThreeProfilesAndTheIdleButtons) {
  EXPECT_EQ(window->windowTitle(), "Quillmor");
  EXPECT_EQ(window->size(), QSize(690, 445));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->grid()->toolTipDuration(), 10000);

  QTableView* grid = window->grid();
  ASSERT_EQ(grid->model()->rowCount(), 3);
  EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "Photos");
  EXPECT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(), "Destination Dir.");
  EXPECT_EQ(grid->currentIndex().row(), 0);

  auto* start = Find<QPushButton>("start_button");
  auto* background = Find<QPushButton>("start_background_button");
  auto* hide = Find<QPushButton>("hide_button");
  EXPECT_EQ(start->text(), "Start selected");
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(start->icon().isNull());
  EXPECT_EQ(background->text(), "Start in background");
  EXPECT_TRUE(background->isEnabled());
  EXPECT_EQ(hide->text(), "Hide");
  EXPECT_FALSE(hide->isEnabled());

  QTabWidget* pages = window->pages();
  ASSERT_EQ(pages->count(), 3);
  EXPECT_EQ(pages->tabText(0), "Current profile");
  EXPECT_EQ(pages->tabText(2), "Parameters");
  EXPECT_TRUE(pages->isTabVisible(0));
  EXPECT_FALSE(pages->isTabVisible(1));
  EXPECT_TRUE(pages->isTabVisible(2));

  // The one-time step: the default log directory is filled in, nothing is asked.
  EXPECT_TRUE(PumpUntil([&] { return !form->Log.log_folder_edit.Text().empty(); }));
  EXPECT_EQ(Find<QLineEdit>("log_folder_edit")->text().toStdString(), dir / "data/");
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(WindowTest, ControlsAndWidgetsFollowEachOther) {
  form->status_label.SetCaption("Ready.");
  EXPECT_EQ(Find<QLabel>("status_label")->text(), "Ready.");

  auto* create = Find<QCheckBox>("create_log_box");
  ASSERT_TRUE(create->isChecked());
  create->click();
  EXPECT_FALSE(form->Log.create_log_box.Checked());

  auto* name = Find<QLineEdit>("profile_name_edit");
  Q_EMIT name->textEdited("typed");
  EXPECT_EQ(form->profile_name_edit.Text(), "typed");
  EXPECT_EQ(name->maxLength(), 30);

  // A grid row the user picks becomes the table's current row.
  window->grid()->selectRow(2);
  EXPECT_EQ(form->profile_table.RecNo(), 3u);
  EXPECT_EQ(form->profile_grid.SelectedRows, std::vector<size_t>{2});
}

TEST_F(WindowTest, BackgroundButtonHidesTheWindowAndShowsOnlyStatistics) {
  ASSERT_TRUE(PumpUntil([&] { return !form->after_show_timer.Enabled(); }));
  Find<QPushButton>("start_background_button")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Find<QPushButton>("start_background_button")->text(), "Stop");
  EXPECT_FALSE(Find<QPushButton>("start_button")->isEnabled());
  EXPECT_TRUE(window->pages()->isTabVisible(1));
  EXPECT_FALSE(window->pages()->isTabVisible(0));

  handle.ShowWindow();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->pages()->currentIndex(), 1);
  // In the background mode the close asks nothing.
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(form->Closed());
}

TEST_F(WindowTest, CloseAsksAndSavesTheStore) {
  dialogs.ExpectConfirm("Close Quillmor?", false);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(form->Closed());

  dialogs.ExpectConfirm("Close Quillmor?", true);
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(StoredNames(store).size(), 3u);
}

TEST_F(WindowTest, HotKeyReleasedAnywhereInTheWindowActsAndTheTrayFollowsTheAnimation) {
  // F10 released while an editor has the focus still hides the window.
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_F10, Qt::NoModifier);
  QApplication::sendEvent(Find<QLineEdit>("profile_name_edit"), &release);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(form->show_menu_item.Enabled());

  // With a modifier the key is not a hot key.
  handle.ShowWindow();
  QKeyEvent shifted(QEvent::KeyRelease, Qt::Key_F10, Qt::ShiftModifier);
  QApplication::sendEvent(Find<QLineEdit>("profile_name_edit"), &shifted);
  EXPECT_TRUE(window->isVisible());

  ASSERT_NE(window->tray(), nullptr);
  EXPECT_EQ(window->tray()->frame(), -1);
  form->SetTrayAnimation(true);
  EXPECT_EQ(window->tray()->frame(), 0);
  form->SetTrayAnimation(false);
  EXPECT_EQ(window->tray()->frame(), -1);
  EXPECT_EQ(window->tray()->menu().actions().size(), 10);
  // The grid's context menu holds the same two entries as the tray's.
  const auto* grid_menu = Find<QTableView>("profile_grid")->findChild<QMenu*>();
  ASSERT_NE(grid_menu, nullptr);
  ASSERT_EQ(grid_menu->actions().size(), 2);
  EXPECT_EQ(grid_menu->actions()[0]->text(), "Restore files...");
  EXPECT_EQ(grid_menu->actions()[1]->text(), "Verify backup");
}

TEST(ImageListTest, SevenDistinctPicturesOfNineteenPixels) {
  std::vector<QImage> images;
  for (int i = 0; i < qt::kImageCount; ++i) {
    const QPixmap pixmap = qt::ImageListPixmap(i);
    EXPECT_EQ(pixmap.size(), QSize(19, 19));
    images.push_back(pixmap.toImage());
  }
  for (size_t i = 0; i < images.size(); ++i)
    for (size_t j = i + 1; j < images.size(); ++j) EXPECT_NE(images[i], images[j]) << i << " " << j;
  EXPECT_TRUE(qt::ImageListIcon(-1).isNull());
}

}  // namespace
}  // namespace qm::test
