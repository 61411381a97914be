// "Restore files..." and "Verify backup" in the window, on a real source and backup: the
// dialog's dry run follows its choices, the jobs hold off backups while they run, and each
// ends with its summary.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "support/controller_factory.h"

namespace qm::test {
namespace {

namespace fsys = std::filesystem;

// Plays the user of the dialog: `act` looks at it and changes it, and the answer closes it.
class ScriptedRestore : public RestoreDialogPresenter {
 public:
  std::function<bool(RestoreDialog&)> act;
  bool Show(RestoreDialog& dialog) override { return act(dialog); }
};

class BackupChecksTest : public FormTest {
 protected:
  // Profile "a" with a backup of `name`: a copy with its source's time, as a run leaves it.
  void BackUp(const std::string& name, const std::string& content) {
    const std::string src = dir.WriteFile("src-a/" + name, content);
    fsys::create_directories(fsys::path(dir / ("dest-a/" + name)).parent_path());
    fsys::copy_file(src, dir / ("dest-a/" + name), fsys::copy_options::overwrite_existing);
    fsys::last_write_time(dir / ("dest-a/" + name), fsys::last_write_time(src));
  }
  void OpenWithBackup() {
    Open({"a"});
    form->backup_checks.SetPresenter(&presenter);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  ScriptedRestore presenter;
};

TEST_F(BackupChecksTest, RestoreDialogTellsWhatItWouldDoAndRestoresOnlyTheMissingFile) {
  BackUp("gone.txt", "12345");
  BackUp("edited.txt", "old");
  OpenWithBackup();
  fsys::remove(dir / "src-a/gone.txt");
  dir.WriteFile("src-a/edited.txt", "changed");

  bool busy_seen = false;
  form->session().RecordMade.Connect([&](LogKind, const std::string& text) {
    if (text.rfind("Restore started", 0) != 0) return;
    // While it runs: on the statistics page, and no backup can start beside it.
    busy_seen = form->state.Running && form->start_button.Caption() == "Stop" &&
                !form->start_background_button.Enabled() &&
                !form->backup_checks.tray_verify_menu_item.Enabled() &&
                form->page_control.ActivePage() == &form->statistics_page;
  });
  presenter.act = [&](RestoreDialog& d) {
    EXPECT_EQ(d.profile_label.Caption(), "Profile: a");
    EXPECT_TRUE(d.newest_box.Checked());
    EXPECT_EQ(d.to_edit.Text(), dir / "src-a");
    EXPECT_EQ(d.outcome_label.Caption(),
              "1 file (5 bytes) would be restored, 1 file (3 bytes) kept.");
    // Before any backup there is nothing to restore.
    d.newest_box.Click();
    d.as_of_edit.SetTextByUser("1990-01-01");
    EXPECT_FALSE(d.restore_button.Enabled());
    loop.RunFor(RestoreDialog::kTypingPauseMs);
    EXPECT_EQ(d.outcome_label.Caption(),
              "0 files (0 bytes) would be restored, 0 files (0 bytes) kept.");
    EXPECT_FALSE(d.restore_button.Enabled());
    d.as_of_edit.SetTextByUser("1990-01");
    loop.RunFor(RestoreDialog::kTypingPauseMs);
    EXPECT_EQ(d.outcome_label.Caption(), "Enter the moment as YYYY-MM-DD or YYYY-MM-DD HH:MM.");
    d.newest_box.Click();
    d.to_edit.SetTextByUser("restored");
    loop.RunFor(RestoreDialog::kTypingPauseMs);
    EXPECT_EQ(d.outcome_label.Caption(), "Enter the folder's full path, starting with \"/\".");
    EXPECT_FALSE(d.restore_button.Enabled());
    d.to_edit.SetTextByUser(dir / "src-a");
    d.overwrite_box.Click();
    EXPECT_EQ(d.outcome_label.Caption(),
              "2 files (8 bytes) would be restored, 0 files (0 bytes) kept.");
    d.overwrite_box.Click();
    EXPECT_TRUE(d.restore_button.Enabled());
    return true;
  };
  form->backup_checks.restore_menu_item.Click();

  EXPECT_TRUE(busy_seen);
  EXPECT_EQ(Read(dir / "src-a/gone.txt"), "12345");
  EXPECT_EQ(Read(dir / "src-a/edited.txt"), "changed");
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation),
              testing::ElementsAre("restored 1, kept 1, failed 0"));
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(form->start_button.Caption(), "Start selected");
  EXPECT_TRUE(form->backup_checks.restore_menu_item.Enabled());
}

TEST_F(BackupChecksTest, EntriesAreDisabledWhileARunIsInProgressAndCancelRestoresNothing) {
  BackUp("f.txt", "x");
  OpenWithBackup();
  fsys::remove(dir / "src-a/f.txt");
  form->state.Running = true;
  form->backup_checks.UpdateItems();
  EXPECT_FALSE(form->backup_checks.restore_menu_item.Enabled());
  EXPECT_FALSE(form->backup_checks.tray_verify_menu_item.Enabled());
  form->state.Running = false;
  form->backup_checks.UpdateItems();
  EXPECT_TRUE(form->backup_checks.tray_restore_menu_item.Enabled());

  presenter.act = [](RestoreDialog&) { return false; };
  form->backup_checks.tray_restore_menu_item.Click();
  EXPECT_FALSE(fsys::exists(dir / "src-a/f.txt"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(BackupChecksTest, VerifyEndsWithItsSummaryAndPointsToTheLogWhenSomethingWasFound) {
  BackUp("same.txt", "abc");
  BackUp("bad.txt", "abc");
  OpenWithBackup();
  form->backup_checks.verify_menu_item.Click();
  // A byte of the copy flipped, its size and time kept: the backup went bad.
  const auto when = fsys::last_write_time(dir / "dest-a/bad.txt");
  dir.WriteFile("dest-a/bad.txt", "abd");
  fsys::last_write_time(dir / "dest-a/bad.txt", when);
  form->backup_checks.verify_menu_item.Click();

  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation),
              testing::ElementsAre("verified 2, differs 0, damaged 0, missing 0, outdated 0",
                                   "verified 1, differs 1, damaged 0, missing 0, outdated 0\n"
                                   "See the log for the files."));
  EXPECT_FALSE(form->state.Running);
  EXPECT_FALSE(form->state.EngineBusy);
}

}  // namespace
}  // namespace qm::test
