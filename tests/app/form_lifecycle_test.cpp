// The main window's life: the first show, the one-time step with its switch and its offer,
// showing and hiding, and the close with its question and the store save.
#include <stdexcept>

#include "app/main_form_state.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

TEST_F(FormTest, FirstStartOffersWizardAboutAFifthSecondAfterShowAndNoLeavesTableEmpty) {
  Start();
  loop.RunFor(99);
  EXPECT_TRUE(dialogs.shown().empty());

  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  loop.RunFor(1);
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
  EXPECT_TRUE(form->profile_table.IsEmpty());
  EXPECT_FALSE(form->after_show_timer.Enabled());
  EXPECT_NE(form->state.Mode, RunMode::kBackground);
  EXPECT_TRUE(window.visible);
}

TEST_F(FormTest, YesToTheOfferLeavesTheTableAsItIsUntilTheWizardExists) {
  dialogs.ExpectConfirm(kNoProfileQuestion, true);
  Start();
  PassOneTimeStep();
  EXPECT_TRUE(form->profile_table.IsEmpty());
  EXPECT_FALSE(form->profile_table.Editing());
  EXPECT_FALSE(form->start_button.Enabled());
}

TEST_F(FormTest, EmptyTableDisablesBothStartButtonsAndTheTrayStart) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  PassOneTimeStep();
  EXPECT_FALSE(form->start_button.Enabled());
  EXPECT_FALSE(form->start_background_button.Enabled());
  EXPECT_FALSE(form->hide_button.Enabled());
  EXPECT_FALSE(form->start_background_menu_item.Enabled());
  EXPECT_FALSE(form->stop_menu_item.Enabled());
  EXPECT_TRUE(form->current_profile_page.TabVisible());
  EXPECT_TRUE(form->parameters_page.TabVisible());
  EXPECT_FALSE(form->statistics_page.TabVisible());
}

TEST_F(FormTest, LowerCaseSwitchStartsTheBackgroundModeAndHidesTheWindow) {
  WriteStore({"a", "b"});
  Start({"/b"});
  EXPECT_TRUE(window.visible);
  PassOneTimeStep();

  EXPECT_FALSE(window.visible);
  EXPECT_EQ(window.hides, 1);
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_TRUE(form->state.Running);
  EXPECT_EQ(form->start_background_button.Caption(), "Stop");
  EXPECT_EQ(form->start_background_button.Glyph(), kImgBackgroundStop);
  EXPECT_EQ(form->start_background_button.Hint(), "Stop the background mode\r[ F9 ]");
  EXPECT_FALSE(form->start_button.Enabled());
  EXPECT_EQ(form->start_button.Caption(), "Start selected");
  EXPECT_TRUE(form->hide_button.Enabled());
  EXPECT_TRUE(form->statistics_page.TabVisible());
  EXPECT_FALSE(form->current_profile_page.TabVisible());
  EXPECT_FALSE(form->parameters_page.TabVisible());
  EXPECT_EQ(form->status_label.Caption(), "Background mode started.");
  EXPECT_TRUE(form->stop_menu_item.Enabled());
  EXPECT_FALSE(form->start_background_menu_item.Enabled());
  EXPECT_TRUE(form->show_menu_item.Enabled());
  EXPECT_FALSE(form->hide_menu_item.Enabled());
  EXPECT_TRUE(form->session().background_queue_timer.Enabled());
}

TEST_F(FormTest, SwitchOnlyAsSecondArgumentHasNoEffect) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start({"--verbose", "/B"});
  PassOneTimeStep();
  EXPECT_NE(form->state.Mode, RunMode::kBackground);
  EXPECT_FALSE(form->state.Running);
  EXPECT_TRUE(window.visible);
}

TEST_F(FormTest, SwitchWithEmptyTableStartsBackgroundModeWithoutAQuestion) {
  Start({"/B"});
  PassOneTimeStep();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_FALSE(window.visible);
}

TEST_F(FormTest, StoppingTheBackgroundModeFromTheTrayLeavesTheWindowHiddenAndIdle) {
  Open({"a"}, {"/B"});
  form->stop_menu_item.Click();

  EXPECT_FALSE(window.visible);
  EXPECT_NE(form->state.Mode, RunMode::kBackground);
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(form->start_background_button.Caption(), "Start in background");
  EXPECT_EQ(form->start_background_button.Glyph(), kImgBackgroundStart);
  EXPECT_TRUE(form->start_button.Enabled());
  EXPECT_FALSE(form->hide_button.Enabled());
  EXPECT_EQ(form->status_label.Caption(), "Stoped.");
  EXPECT_EQ(form->TrayHint(), "Quillmor stoped.");
  EXPECT_EQ(form->total_percent_label.Caption(), "0 %");
  EXPECT_TRUE(form->start_background_menu_item.Enabled());
  EXPECT_FALSE(form->stop_menu_item.Enabled());
  EXPECT_FALSE(form->session().background_queue_timer.Enabled());
  EXPECT_TRUE(form->current_profile_page.TabVisible());
  EXPECT_FALSE(form->statistics_page.TabVisible());
}

TEST_F(FormTest, ThreeStoredProfilesShowTheFirstAsCurrentWhateverRowWasCurrentAtHide) {
  WriteStore({"one", "two", "three"});
  Start();
  EXPECT_EQ(form->profile_table.RecordCount(), 3u);
  EXPECT_EQ(form->profile_table.RecNo(), 1u);
  EXPECT_EQ(form->profile_table.Current().Name, "one");
  EXPECT_TRUE(form->start_button.Enabled());
  EXPECT_TRUE(form->start_background_button.Enabled());

  ASSERT_TRUE(form->profile_table.MoveTo(3));
  window.HideWindow();
  EXPECT_EQ(form->profile_grid.Tag, 3);
  EXPECT_FALSE(form->window_shown);
  window.ShowWindow();
  EXPECT_TRUE(form->window_shown);
  EXPECT_EQ(form->profile_table.RecNo(), 1u);
}

TEST_F(FormTest, HidingAndShowingNeverRepeatsTheOneTimeStep) {
  Open({"only"});
  ASSERT_FALSE(form->after_show_timer.Enabled());

  // The table has become empty since: still no offer on the next shows.
  form->profile_table.Delete();
  for (int i = 0; i < 3; ++i) {
    window.HideWindow();
    loop.RunFor(500);
    window.ShowWindow();
    loop.RunFor(500);
  }
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(FormTest, OneTimeStepWaitsWhileTheWindowIsHidden) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  window.HideWindow();
  loop.RunFor(1000);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->after_show_timer.Enabled());
  window.ShowWindow();
  loop.RunFor(100);
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
}

TEST_F(FormTest, DefaultLogDirectoryIsTheStoresDirectoryUnlessOneWasStored) {
  Open({"a"});
  EXPECT_EQ(form->Log.log_folder_edit.Text(), dir / "data/");

  form.reset();
  window = FakeWindow{};
  ASSERT_TRUE(Registry(dir / "config", PosixFileSystem())
                  .WriteString(Hive::kLocalMachine, MainFormSettings().Key(), "deLogDir_Text",
                               "/var/log/mine/")
                  .ok());
  Start();
  PassOneTimeStep();
  EXPECT_EQ(form->Log.log_folder_edit.Text(), "/var/log/mine/");
}

TEST_F(FormTest, DefaultLogDirectoryFallsBackWhenTheStoresDirectoryIsNotWritable) {
  WriteStore({"a"});
  fs.FailAlways(FsOp::kCreate, ErrorKind::kReadOnly, dir / "data/");
  Start();
  PassOneTimeStep();
  EXPECT_NE(form->Log.log_folder_edit.Text(), dir / "data/");
  EXPECT_EQ(form->Log.log_folder_edit.Text().back(), '/');
}

TEST_F(FormTest, CloseAsksAndNoKeepsTheWindowAndTheRun) {
  Open({"a"});
  form->state.Running = true;
  form->session().statistics_timer.SetEnabled(true);

  dialogs.ExpectConfirm(kCloseQuestion, false);
  EXPECT_FALSE(form->Close());
  EXPECT_FALSE(form->Closed());
  EXPECT_FALSE(loop.quit_requested());
  EXPECT_TRUE(form->state.Running);
  EXPECT_TRUE(form->session().statistics_timer.Enabled());

  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_TRUE(form->Close());
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_FALSE(form->state.Running);
  EXPECT_FALSE(form->session().statistics_timer.Enabled());
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());
}

TEST_F(FormTest, CloseSavesTheTableInItsCurrentOrder) {
  Open({"b", "a"});
  ASSERT_TRUE(form->profile_table.SortBy(ProfileField::Name, true));
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());

  EXPECT_EQ(StoredNames(store), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FormTest, CloseInTheBackgroundModeAsksNothingAndStopsTheTimers) {
  Open({"a"}, {"/B"});
  ASSERT_TRUE(form->session().background_queue_timer.Enabled());

  EXPECT_TRUE(form->Close());
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_FALSE(form->state.Running);
  EXPECT_FALSE(form->session().background_queue_timer.Enabled());
  EXPECT_TRUE(loop.quit_requested());
}

TEST_F(FormTest, StoreThatCannotBeWrittenAtCloseShowsTheMessageAndTheProgramStillEnds) {
  WriteStore({"a", "b"});
  const std::string before = ReadWholeFile(store);
  Start();
  PassOneTimeStep();
  fs.FailAlways(FsOp::kCreate, ErrorKind::kReadOnly, dir / "data/");

  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_TRUE(form->Close());
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not save the program options."});
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_EQ(ReadWholeFile(store), before);
}

TEST_F(FormTest, FirstCloseOfAFreshInstallationCreatesTheDataDirectory) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  PassOneTimeStep();
  ASSERT_TRUE(form->profile_table.Append());
  form->profile_table.SetText(ProfileField::Name, "n");
  form->profile_table.SetText(ProfileField::SrcDir, "/s");
  form->profile_table.SetText(ProfileField::DestDir, "/d");
  ASSERT_TRUE(form->profile_table.Post());

  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());
  EXPECT_EQ(StoredNames(store).size(), 1u);
}

TEST_F(FormTest, EndOfSessionSavesWithoutAQuestionKeepingACompleteEdit) {
  Open({"a", "b"});
  form->state.Running = true;
  form->profile_table.SetText(ProfileField::Name, "renamed");
  ASSERT_TRUE(form->profile_table.Editing());

  form->EndSession();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_FALSE(form->state.Running);
  const std::vector<std::string> names = StoredNames(store);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "renamed");
}

TEST_F(FormTest, EndOfSessionDropsAnIncompleteNewRowAndSavesTheOthers) {
  Open({"a"});
  ASSERT_TRUE(form->profile_table.Append());
  form->profile_table.SetText(ProfileField::Name, "half");

  form->EndSession();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(StoredNames(store), std::vector<std::string>{"a"});
}

TEST_F(FormTest, ErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
  WriteStore({"a"});
  Start();
  form->help_button.OnClick = form->Guarded([] { throw std::runtime_error("Disk not ready"); });
  form->help_button.Click();
  form->help_button.OnClick = form->Guarded([] { throw std::runtime_error("Already ends."); });
  form->help_button.Click();
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError),
            (std::vector<std::string>{"Disk not ready.", "Already ends."}));
  PassOneTimeStep();
  EXPECT_FALSE(form->after_show_timer.Enabled());
}

}  // namespace
}  // namespace qm::test
