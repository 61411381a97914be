// The real wizard dialog on the offscreen platform, driven once from welcome to Finish.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "qt/add_profile_dialog.h"
#include "qt/qt_message_loop.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class TwoDisks : public DiskSource {
 public:
  std::vector<Volume> Volumes() override {
    return {
        {"/", "/dev/sda1", "ext4", VolumeKind::kLocal, 5LL << 30, 40LL << 30},
        {"/media/ann/STICK", "/dev/sdb1", "vfat", VolumeKind::kRemovable, 1LL << 30, 2LL << 30}};
  }
  std::string HomeDirectory() override { return "/home/ann"; }
  std::string MountPointOf(const std::string& path) override {
    return path.rfind("/media/ann/STICK", 0) == 0 ? "/media/ann/STICK" : "/";
  }
  bool CanCreate(const std::string&) override { return true; }
};

class NoChoices : public RememberedChoices {
 public:
  void Restore(const std::vector<ChoiceProperty>&) override {}
  void Save(const std::vector<ChoiceProperty>&) override {}
};

// The wizard's form over an empty table, two disks and no remembered choices, and its dialog.
struct Wizard {
  qt::QtMessageLoop loop;
  ScriptedDialogs dialogs;
  TwoDisks disks;
  NoChoices choices;
  std::string remembered_filter = "*.*";
  ProfileTable table;
  AddProfileWizard form{table, loop, dialogs, PosixFileSystem(), disks, choices, remembered_filter};
  qt::AddProfileDialog dialog{form, nullptr};
};

// Processes events until `done` holds or a generous deadline passes.
bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

void Type(QWidget* w, const std::string& text) {
  w->setFocus();
  for (const QChar c : QString::fromStdString(text)) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &release);
  }
}

// The dialog shown with a source and a name typed, its form gone on from `previous` to the
// page after it.
void ShowPageAfter(Wizard& w, ui::TabSheet& previous) {
  w.form.SetWindow(&w.dialog);
  w.dialog.show();
  w.form.source_folder_edit.SetText("/home/ann/Documents");
  w.form.profile_name_edit.SetText("Documents");
  w.form.page_control.SetActivePage(&previous);
  w.form.GoNext();
  QApplication::processEvents();
}

// A press and a release of Enter on `w`, as the keyboard sends them to the focused widget.
void Enter(QWidget* w) {
  w->setFocus();
  for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &key);
  }
}

// The page on show holds its contents: each text gets the height its width needs, and every
// widget lies inside the page.
void ExpectCurrentPageFits(qt::AddProfileDialog& dialog) {
  QApplication::processEvents();
  QWidget* page = dialog.pages()->currentWidget();
  for (const QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    EXPECT_TRUE(page->rect().contains(QRect(w->mapTo(page, QPoint(0, 0)), w->size())))
        << w->objectName().toStdString() << " on page " << dialog.pages()->currentIndex();
    if (auto* label = qobject_cast<const QLabel*>(w); label && label->wordWrap()) {
      EXPECT_GE(label->height(), label->heightForWidth(label->width()))
          << label->text().left(30).toStdString();
    }
  }
}

TEST(AddProfileDialog, BrowseButtonsFollowTheirFieldsInTabOrder) {
  Wizard w;
  qt::AddProfileDialog& dialog = w.dialog;
  auto order = [&](std::initializer_list<const char*> names) {
    std::vector<QWidget*> wanted;
    for (const char* name : names) {
      wanted.push_back(dialog.findChild<QWidget*>(name));
      EXPECT_NE(wanted.back(), nullptr) << name;
    }
    EXPECT_EQ(TabOrder(wanted), wanted);
  };
  order({"source_folder_edit", "source_browse_button", "profile_name_edit"});
  order({"disk_list", "destination_folder_edit", "destination_browse_button"});
}

TEST(AddProfileDialog, EnterPressesTheFocusedButtonRatherThanTheDefaultOne) {
  Wizard w;
  auto button = [&](const char* name) { return w.dialog.findChild<QPushButton*>(name); };
  ShowPageAfter(w, w.form.compression_page);
  Enter(button("back_button"));
  EXPECT_EQ(w.form.PageIndex(), 4);

  ShowPageAfter(w, w.form.compression_page);
  w.dialogs.ExpectConfirm(kWizardCloseQuestion, false);
  Enter(button("cancel_button"));
  EXPECT_FALSE(w.form.Closed());
  Enter(button("save_and_add_another_button"));
  EXPECT_FALSE(w.form.Closed());
  EXPECT_EQ(w.table.RecordCount(), 1u);
  EXPECT_EQ(w.form.PageIndex(), 0);
  w.form.SetWindow(nullptr);
}

TEST(AddProfileDialog, AClickOnTheChosenDiskProposesADestinationAgain) {
  Wizard w;
  ShowPageAfter(w, w.form.filter_page);
  auto* list = w.dialog.findChild<QListWidget*>("disk_list");
  auto* dest = w.dialog.findChild<QLineEdit*>("destination_folder_edit");
  ASSERT_EQ(list->currentRow(), 0);
  const QString proposed = dest->text();
  EXPECT_FALSE(proposed.isEmpty());
  w.form.destination_folder_edit.SetText({});
  const QPoint at = list->visualItemRect(list->item(0)).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent click(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &click);
  }
  EXPECT_EQ(dest->text(), proposed);
  w.form.SetWindow(nullptr);
}

TEST(AddProfileDialog, WalksFromWelcomeToFinishInTheRealWindow) {
  TempDir dir;
  const std::string source = dir.MakeDir("My Documents");
  Wizard w;
  AddProfileWizard& form = w.form;
  qt::AddProfileDialog& dialog = w.dialog;
  ProfileTable& table = w.table;
  ScriptedDialogs& dialogs = w.dialogs;
  form.SetWindow(&dialog);

  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto find = [&](const char* name) { return dialog.findChild<QWidget*>(name); };
    auto button = [&](const char* name) { return dialog.findChild<QPushButton*>(name); };
    EXPECT_EQ(dialog.windowTitle(), "Add Profile Wizard");
    EXPECT_EQ(dialog.size(), QSize(570, 380));
    EXPECT_EQ(dialog.pages()->tabText(dialog.pages()->currentIndex()), "Welcome!");
    EXPECT_FALSE(dialog.pages()->isTabVisible(1));
    EXPECT_FALSE(button("back_button")->isEnabled());
    ExpectCurrentPageFits(dialog);

    button("next_button")->click();  // glides the pointer, then the source page
    EXPECT_EQ(dialog.pages()->currentIndex(), 1);
    EXPECT_TRUE(dialog.pages()->isTabVisible(1));
    EXPECT_FALSE(dialog.pages()->isTabVisible(0));
    EXPECT_FALSE(button("next_button")->isEnabled());
    Type(find("source_folder_edit"), source);
    auto* name = dialog.findChild<QLineEdit*>("profile_name_edit");
    EXPECT_TRUE(WaitFor([&] { return !name->text().isEmpty(); }));
    EXPECT_EQ(name->text(), "My Documents (root)");
    EXPECT_TRUE(button("next_button")->isEnabled());
    ExpectCurrentPageFits(dialog);

    button("next_button")->click();
    ExpectCurrentPageFits(dialog);
    button("next_button")->click();
    auto* list = dialog.findChild<QListWidget*>("disk_list");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "/ Local disk   5120 Mb free,   40960 Mb total");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(dialog.findChild<QLabel*>("recommended_disk_label")->text(), "/");
    EXPECT_TRUE(dialog.findChild<QLabel*>("same_disk_label")->isVisible());
    ExpectCurrentPageFits(dialog);
    auto* dest = dialog.findChild<QLineEdit*>("destination_folder_edit");
    EXPECT_EQ(dest->text(), "/home/ann/Archive/MyDocumentsRoot");
    list->setCurrentRow(1);  // as a click on the stick's line
    EXPECT_EQ(dialog.findChild<QLabel*>("selected_disk_label")->text(), "/media/ann/STICK");
    EXPECT_FALSE(dialog.findChild<QLabel*>("same_disk_label")->isVisible());
    dest->selectAll();
    Type(dest, dir / "backup");
    button("next_button")->click();
    ExpectCurrentPageFits(dialog);
    button("next_button")->click();
    ExpectCurrentPageFits(dialog);
    button("continue_button")->click();
    ExpectCurrentPageFits(dialog);
    button("next_button")->click();
    ExpectCurrentPageFits(dialog);
    button("back_button")->click();
    button("back_button")->click();
    EXPECT_EQ(dialog.pages()->tabText(dialog.pages()->currentIndex()), "Ready");
    // With no button focused, Enter presses "Finish" on the "Ready" page.
    if (QWidget* focused = dialog.focusWidget()) focused->clearFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    checked = true;
  });
  dialog.exec();
  form.SetWindow(nullptr);

  ASSERT_TRUE(checked);
  EXPECT_TRUE(form.Closed());
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.Current().Name, "My Documents (root)");
  EXPECT_EQ(table.Current().SrcDir, source);
  EXPECT_EQ(table.Current().DestDir, dir / "backup");
  EXPECT_TRUE(dir.Exists("backup"));
  EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
}  // namespace qm::test
