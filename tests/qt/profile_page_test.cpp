// The "Current profile" page driven through its widgets on the offscreen platform: typing,
// the folder pickers, the copy-method switch, the keys, the grid's title click, and the store
// the close writes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <cstdlib>
#include <memory>

#include "app/main_window_controller.h"
#include "profiles/profile_store.h"
#include "qt/main_window.h"
#include "qt/profile_page.h"
#include "support/virtual_message_loop.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class ProfilePageTest : public WindowFixture {
 protected:
  void SetUp() override {
    dir.MakeDir("data");
    // The form's own timers run on a virtual clock that the test never advances, so the
    // start-up question about an empty table does not come in between.
    Create(&virtual_loop, &virtual_loop);
    new qt::ProfilePage(*window, form->editor);
    handle.ShowWindow();
    window->activateWindow();
    QApplication::processEvents();
  }
  // The form goes before the virtual loop its timers run on.
  void TearDown() override { Close(); }

  // Types `text` into `edit` key by key, as the user does.
  static void Type(QWidget* edit, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(edit, &press);
    }
  }
  static void PressAndRelease(QWidget* target, int key, Qt::KeyboardModifiers mods = {}) {
    Key(target, key, mods);
  }
  void ClickTitle(int section) {
    QHeaderView* header = window->grid()->horizontalHeader();
    const QPointF at(header->sectionViewportPosition(section) + 5, header->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, header->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
  }

  // Adds a profile through the page: the name typed, both folders picked.
  void AddProfile(const QString& name, const std::string& src, const std::string& dest) {
    Find<QPushButton>("add_profile_button")->click();
    Type(Find<QLineEdit>("profile_name_edit"), name);
    dialogs.ExpectBrowse(kSelectSourceTitle, src);
    Find<QPushButton>("source_browse_button")->click();
    dialogs.ExpectBrowse(kSelectDestinationTitle, dest);
    Find<QPushButton>("destination_browse_button")->click();
  }

  void AppendProfiles(std::initializer_list<const char*> names) {
    for (const char* n : names) {
      ASSERT_TRUE(form->profile_table.Append());
      form->profile_table.SetText(ProfileField::Name, n);
      form->profile_table.SetText(ProfileField::SrcDir, "/s");
      form->profile_table.SetText(ProfileField::DestDir, "/d");
      ASSERT_TRUE(form->profile_table.Post());
    }
  }

  ui::VirtualMessageLoop virtual_loop;
};

TEST_F(ProfilePageTest, BrowseButtonsFollowTheirFieldsInTabOrder) {
  std::vector<QWidget*> wanted;
  for (const char* name : {"profile_name_edit", "source_folder_edit", "source_browse_button",
                           "destination_folder_edit", "destination_browse_button",
                           "destination_create_button", "file_filter_edit"})
    wanted.push_back(Find<QWidget>(name));
  EXPECT_EQ(TabOrder(wanted), wanted);
}

TEST_F(ProfilePageTest, ProfilesTypedAndPickedOnThePageReachTheStoreInTheSortedOrder) {
  const std::string docs = dir.MakeDir("docs"), music = dir.MakeDir("music");
  const std::string backup = dir.MakeDir("backup");

  AddProfile("Music", music, backup);
  auto* name = Find<QLineEdit>("profile_name_edit");
  EXPECT_EQ(name->text(), "Music");
  EXPECT_EQ(Find<QLineEdit>("source_folder_edit")->text().toStdString(), music);
  EXPECT_EQ(Find<QLineEdit>("file_filter_edit")->text(), "*.*");
  auto* zip = Find<QCheckBox>("zip_box");
  EXPECT_TRUE(zip->isChecked());

  // Both directions: packing is cleared and its box disabled at once.
  auto* method = Find<QComboBox>("copy_method_combo");
  method->setCurrentIndex(1);
  Q_EMIT method->activated(1);
  EXPECT_FALSE(zip->isChecked());
  EXPECT_FALSE(zip->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("keep_copy_combo")->isEnabled());

  PressAndRelease(name, Qt::Key_F2);
  EXPECT_EQ(form->profile_table.state(), TableState::kBrowse);

  AddProfile("Docs", docs, backup);
  // The one-way profile gets its controls back.
  EXPECT_TRUE(zip->isEnabled());
  PressAndRelease(Find<QPushButton>("post_profile_button"), Qt::Key_F2);
  ASSERT_EQ(form->profile_table.RecordCount(), 2u);
  EXPECT_EQ(form->profile_table.Row(0).Name, "Docs");  // added before the current row

  // Ctrl+Del in an editor asks, and No keeps the profile and the editor's text.
  dialogs.ExpectConfirm(kDeleteProfileQuestion, false);
  PressAndRelease(name, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(form->profile_table.RecordCount(), 2u);
  EXPECT_EQ(name->text(), "Docs");

  ClickTitle(1);  // "Name": Docs, Music
  ClickTitle(1);  // reversed: Music, Docs
  EXPECT_EQ(window->grid()->horizontalHeader()->sortIndicatorSection(), 1);
  EXPECT_EQ(window->grid()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(form->profile_table.Row(0).Name, "Music");
  EXPECT_EQ(window->grid()->model()->index(0, 1).data().toString(), "Music");
  EXPECT_EQ(window->grid()->currentIndex().row(), 1);  // "Docs" stays current

  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(dialogs.AllAnswered());
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());

  ProfileTable reloaded;
  LoadProfiles(store, reloaded, PosixFileSystem());
  ASSERT_EQ(reloaded.RecordCount(), 2u);
  const ProfileRow& music_row = reloaded.Row(0);
  EXPECT_EQ(music_row.Name, "Music");
  EXPECT_EQ(music_row.SrcDir, music);
  EXPECT_EQ(music_row.DestDir, backup);
  EXPECT_EQ(music_row.SyncMethod, 1);
  EXPECT_FALSE(music_row.doZIP);
  EXPECT_EQ(reloaded.Row(1).Name, "Docs");
  EXPECT_TRUE(reloaded.Row(1).doZIP);
}

TEST_F(ProfilePageTest, NewRowTakesTheFocusAndAnIncompleteOneIsRefusedOnF2) {
  Find<QPushButton>("add_profile_button")->click();
  QApplication::processEvents();
  auto* name = Find<QLineEdit>("profile_name_edit");
  EXPECT_TRUE(name->hasFocus());

  PressAndRelease(name, Qt::Key_F2);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\r"
                                     "name, source directory, destination directory"});
  EXPECT_EQ(form->profile_table.state(), TableState::kInsert);
}

TEST_F(ProfilePageTest, SortingLeavesOnlyTheCurrentProfileSelected) {
  AppendProfiles({"a", "c", "b"});
  QTableView* grid = window->grid();
  grid->setCurrentIndex(grid->model()->index(0, 1));
  grid->selectionModel()->select(grid->model()->index(1, 1),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_EQ(form->profile_grid.SelectedRows, (std::vector<size_t>{0, 1}));
  ClickTitle(1);  // a, b, c: row 1 is no longer the "c" the user selected
  EXPECT_EQ(form->profile_table.Row(1).Name, "b");
  EXPECT_EQ(form->profile_grid.SelectedRows, std::vector<size_t>{0});
}

TEST_F(ProfilePageTest, TypingInTheGridSearchesTheCurrentColumn) {
  AppendProfiles({"alpha", "beta", "bravo"});
  QTableView* grid = window->grid();
  grid->setCurrentIndex(grid->model()->index(0, 1));
  Type(grid, "br");
  EXPECT_EQ(form->profile_table.RecNo(), 3u);
  EXPECT_EQ(grid->currentIndex().row(), 2);
}

}  // namespace
}  // namespace qm::test
