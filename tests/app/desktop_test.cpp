// The window's place on the desktop: the tray menu in every run state, the hot keys with their
// modifiers, hiding without a notification area, the help file's place and the notice of a
// failed background profile.
#include <gmock/gmock.h>

#include "app/failure_notice.h"
#include "app/help_file.h"
#include "engine/engine_loop.h"
#include "engine/scan.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using K = MainWindowController::HotKey;

struct MenuState {
  bool show, hide, start_background, stop, close;
  bool operator==(const MenuState&) const = default;
};

std::ostream& operator<<(std::ostream& os, const MenuState& m) {
  return os << "show " << m.show << " hide " << m.hide << " start " << m.start_background
            << " stop " << m.stop << " close " << m.close;
}

class RecordingNotifier : public DesktopNotifier {
 public:
  void ShowNotification(const std::string& title, const std::string& text) override {
    shown.push_back(title + " | " + text);
  }
  std::vector<std::string> shown;
};

class DesktopTest : public FormTest {
 protected:
  MenuState Menu() const {
    return {form->show_menu_item.Enabled(), form->hide_menu_item.Enabled(),
            form->start_background_menu_item.Enabled(), form->stop_menu_item.Enabled(),
            form->close_menu_item.Enabled()};
  }
};

TEST_F(DesktopTest, TrayMenuFollowsTheRunStateAndTheWindow) {
  Start();
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  PassOneTimeStep();
  // Idle with no profile: nothing to start.
  EXPECT_EQ(Menu(), (MenuState{false, true, false, false, true}));
  form->HideToTray();
  EXPECT_EQ(Menu(), (MenuState{true, false, false, false, true}));
}

TEST_F(DesktopTest, TrayMenuDuringARunAndTheBackgroundMode) {
  Open({"a"});
  EXPECT_EQ(Menu(), (MenuState{false, true, true, false, true}));

  // During "Start selected" neither background entry can be used, nor can their keys.
  std::vector<MenuState> during;
  form->status_label.Changed().Connect([&] {
    if (form->state.SelectedRun && during.empty()) {
      during.push_back(Menu());
      form->FormKeyUp(K::kF9);
      EXPECT_NE(form->state.Mode, RunMode::kBackground);
    }
  });
  form->start_button.Click();
  ASSERT_FALSE(during.empty());
  EXPECT_EQ(during[0], (MenuState{false, true, false, false, true}));

  form->start_background_menu_item.Click();
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_EQ(Menu(), (MenuState{true, false, false, true, true}));
  form->show_menu_item.Click();
  EXPECT_EQ(Menu(), (MenuState{false, true, false, true, true}));
  form->stop_menu_item.Click();
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(Menu(), (MenuState{false, true, true, false, true}));
}

TEST_F(DesktopTest, TrayAnimationAndHintChangeOnlyOnARealChange) {
  Start();
  int changes = 0;
  form->TrayChanged.Connect([&] { ++changes; });
  form->SetTrayAnimation(false);
  EXPECT_EQ(changes, 0);
  form->SetTrayAnimation(true);
  form->SetTrayAnimation(true);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(form->TrayAnimated());
  form->SetTrayAnimation(false);
  form->SetTrayAnimation(false);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(form->TrayHint(), "Quillmor");
}

// --- hot keys

TEST_F(DesktopTest, CtrlDeleteAsksBeforeDeletingWithShiftOrAltAlsoHeld) {
  Open({"a", "b", "c"});
  // Delete alone and Shift+Delete belong to the control with the focus.
  EXPECT_FALSE(form->FormKeyUp(K::kDelete, {}));
  EXPECT_FALSE(form->FormKeyUp(K::kDelete, {.shift = true}));
  EXPECT_THAT(dialogs.Texts(DialogKind::kConfirm), IsEmpty());

  dialogs.ExpectConfirm(kDeleteProfileQuestion, false);
  EXPECT_TRUE(form->FormKeyUp(K::kDelete, {.shift = true, .ctrl = true}));
  EXPECT_EQ(form->profile_table.RecordCount(), 3u);
  dialogs.ExpectConfirm(kDeleteProfileQuestion, true);
  EXPECT_TRUE(form->FormKeyUp(K::kDelete, {.ctrl = true, .alt = true}));
  EXPECT_EQ(form->profile_table.RecordCount(), 2u);
}

TEST_F(DesktopTest, CtrlDeleteOnAnEmptyTableAsksNothing) {
  Start();
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  PassOneTimeStep();
  EXPECT_TRUE(form->FormKeyUp(K::kDelete, {.ctrl = true}));
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
}

TEST_F(DesktopTest, InsertAppendsARowAtTheEndOnlyWithoutModifiers) {
  Open({"a", "b"});
  ASSERT_EQ(form->profile_table.RecNo(), 1u);
  EXPECT_FALSE(form->FormKeyUp(K::kInsert, {.shift = true}));
  EXPECT_FALSE(form->profile_table.Editing());

  EXPECT_TRUE(form->FormKeyUp(K::kInsert));
  EXPECT_TRUE(form->profile_table.Editing());
  EXPECT_EQ(form->profile_table.RecNo(), 3u);
  EXPECT_EQ(form->profile_table.RecordCount(), 3u);
}

TEST_F(DesktopTest, InsertAddsNothingWhileARunHidesTheProfilePage) {
  Open({"a"}, {"/B"});
  ASSERT_EQ(form->state.Mode, RunMode::kBackground);
  form->FormKeyUp(K::kInsert);
  EXPECT_FALSE(form->profile_table.Editing());
  EXPECT_EQ(form->profile_table.RecordCount(), 1u);
  // So the stop is never held up by a new row that cannot be posted.
  form->FormKeyUp(K::kF9);
  EXPECT_FALSE(form->state.Running);
}

TEST_F(DesktopTest, KeysOfDisabledButtonsDoNothing) {
  Open({"a"});
  int wizard_runs = 0;
  form->editor.SetWizard([&] { ++wizard_runs; });
  EXPECT_TRUE(form->FormKeyUp(K::kF3));
  EXPECT_EQ(wizard_runs, 1);
  form->wizard_button.SetEnabled(false);
  EXPECT_TRUE(form->FormKeyUp(K::kF3));
  EXPECT_EQ(wizard_runs, 1);
  // F3 with a modifier is no hot key.
  form->wizard_button.SetEnabled(true);
  EXPECT_FALSE(form->FormKeyUp(K::kF3, {.ctrl = true}));
  EXPECT_EQ(wizard_runs, 1);

  int helps = 0;
  form->help_button.OnClick = [&] { ++helps; };
  form->FormKeyUp(K::kF1);
  form->help_button.SetEnabled(false);
  form->FormKeyUp(K::kF1);
  EXPECT_EQ(helps, 1);
}

// --- no notification area

// A desktop without a notification area: hiding minimises.
class NoTrayTest : public DesktopTest {
 protected:
  NoTrayTest() { window.tray = false; }
};

TEST_F(NoTrayTest, HideMinimisesAndExplainsOnlyTheFirstTime) {
  Open({"a"});
  form->FormKeyUp(K::kF10);
  EXPECT_TRUE(window.visible);
  EXPECT_TRUE(window.minimized);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre(kNoTrayMessage));
  // A minimised window counts as hidden: a tray that appears later offers "Show".
  EXPECT_TRUE(form->show_menu_item.Enabled());
  EXPECT_FALSE(form->hide_menu_item.Enabled());

  form->ShowFromTray();
  EXPECT_FALSE(window.minimized);
  EXPECT_FALSE(form->show_menu_item.Enabled());
  form->hide_button.SetEnabled(true);
  form->hide_button.Click();
  EXPECT_TRUE(window.minimized);
  EXPECT_EQ(window.minimizes, 2);
  EXPECT_EQ(window.hides, 0);
  EXPECT_EQ(dialogs.Texts(DialogKind::kInformation).size(), 1u);
}

TEST_F(NoTrayTest, BackgroundSwitchAtLogInMinimisesSilently) {
  Open({"a"}, {"/B"});
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_TRUE(window.minimized);
  EXPECT_EQ(window.hides, 0);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_EQ(form->status_label.Caption(), "Background mode started.");
}

TEST_F(NoTrayTest, ATrayThatAppearsAfterTheLogInTakesTheMinimisedWindow) {
  Open({"a"}, {"/B"});
  ASSERT_TRUE(window.minimized);
  window.tray = true;
  form->TrayAppeared();
  EXPECT_FALSE(window.visible);
  EXPECT_TRUE(form->show_menu_item.Enabled());
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
}

TEST_F(NoTrayTest, ATrayThatAppearsLeavesARestoredWindowAlone) {
  Open({"a"}, {"/B"});
  form->ShowFromTray();
  window.tray = true;
  form->TrayAppeared();
  EXPECT_TRUE(window.visible);
  EXPECT_FALSE(window.minimized);
}

TEST_F(NoTrayTest, ATrayThatAppearsLaterIsUsedForTheNextHide) {
  Open({"a"});
  window.tray = true;
  form->FormKeyUp(K::kF10);
  EXPECT_FALSE(window.visible);
  EXPECT_FALSE(window.minimized);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
}

// --- help

TEST_F(DesktopTest, HelpIsFoundInstalledFirstThenBesideTheExecutable) {
  dir.MakeDir("prefix/bin");
  const std::string exe = dir / "prefix/bin/quillmor";
  EXPECT_EQ(FindHelpFile(fs, exe), "");
  dir.WriteFile("prefix/bin/Quillmor.html", "beside");
  EXPECT_EQ(FindHelpFile(fs, exe), dir / "prefix/bin/Quillmor.html");
  dir.MakeDir("prefix/share/doc/quillmor");
  dir.WriteFile("prefix/share/doc/quillmor/Quillmor.html", "installed");
  EXPECT_EQ(FindHelpFile(fs, exe), dir / "prefix/bin/../share/doc/quillmor/Quillmor.html");
}

TEST_F(DesktopTest, AFolderNamedLikeTheHelpIsNoHelp) {
  dir.MakeDir("bin/Quillmor.html");
  EXPECT_EQ(FindHelpFile(fs, dir / "bin/quillmor"), "");
}

// --- failure notice

class FailureNoticeTest : public ::testing::Test {
 protected:
  FailureNoticeTest() { notice.SetNotifier(&notifier); }
  void Run(const std::string& profile, int errors, uint64_t now_ms, bool background = true,
           const std::string& log = "/var/log/q/Quillmor.log") {
    notice.ProfileStarted(profile);
    for (int i = 0; i < errors; ++i) notice.ErrorRecorded();
    notice.ProfileFinished(background, log, now_ms);
  }
  RecordingNotifier notifier;
  FailureNotice notice;
};

// The background mode's engine loop processes one profile whose source folder is missing, then
// the mode is stopped.
TEST_F(DesktopTest, AFailedBackgroundProfileEndsInANotification) {
  Open({"a"}, {"/B"});
  ASSERT_EQ(form->state.Mode, RunMode::kBackground);
  RecordingNotifier notifier;
  form->session().notice.SetNotifier(&notifier);
  EngineContext ctx = form->session().MakeEngineContext();
  ProfileRecord profile;
  ProfileFromRow(form->profile_table.Row(0), profile);
  QueueProfile(ctx, profile);
  loop.After(5000, [&] { form->stop_menu_item.Click(); });
  ProcessRunList(ctx);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_THAT(notifier.shown[0],
              AllOf(HasSubstr("\"a\""), HasSubstr("recorded 1 error."), HasSubstr("Quillmor.log")));
  form->session().notice.SetNotifier(nullptr);
}

TEST_F(DesktopTest, AFailedSelectedRunIsNotNotified) {
  Open({"a"});
  RecordingNotifier notifier;
  form->session().notice.SetNotifier(&notifier);
  form->start_button.Click();
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_THAT(notifier.shown, IsEmpty());
  form->session().notice.SetNotifier(nullptr);
}

TEST_F(FailureNoticeTest, NamesTheProfileTheErrorsAndTheLog) {
  Run("Photos", 3, 1000);
  Run("Music", 1, 1000, true, "");
  EXPECT_THAT(notifier.shown,
              ElementsAre("Quillmor: errors in \"Photos\" | The background run of \"Photos\" "
                          "recorded 3 errors. See the log file /var/log/q/Quillmor.log.",
                          "Quillmor: errors in \"Music\" | The background run of \"Music\" "
                          "recorded 1 error. The log is off, so the errors were not written "
                          "down."));
}

TEST_F(FailureNoticeTest, OnlyBackgroundProfilesWithErrors) {
  Run("a", 0, 1000);
  Run("a", 2, 1000, /*background=*/false);
  EXPECT_THAT(notifier.shown, IsEmpty());
}

TEST_F(FailureNoticeTest, AtMostOncePerProfileEveryTenMinutes) {
  Run("a", 1, 1000);
  Run("b", 1, 1000);
  Run("a", 1, 1000 + kFailureNoticePauseMs - 1);
  EXPECT_EQ(notifier.shown.size(), 2u);
  Run("a", 1, 1000 + kFailureNoticePauseMs);
  EXPECT_EQ(notifier.shown.size(), 3u);
  // Errors of a profile that got no notice are not carried into the next one.
  Run("c", 0, 1000 + kFailureNoticePauseMs);
  EXPECT_EQ(notifier.shown.size(), 3u);
}

}  // namespace
}  // namespace qm::test
