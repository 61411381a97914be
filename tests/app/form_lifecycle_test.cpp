// The main window's life: the first show, the one-time step with its switch and its offer,
// showing and hiding, and the close with its question and the store save.
#include <stdexcept>

#include "app/main_form_state.h"
#include "form_fixture.h"

namespace qm::test {
namespace {

TEST_F(FormTest, FirstStartOffersWizardAboutAFifthSecondAfterShowAndNoLeavesTableEmpty) {
  Start();
  loop.RunFor(99);
  EXPECT_TRUE(dialogs.shown().empty());

  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  loop.RunFor(1);
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
  EXPECT_TRUE(form->rmSets.IsEmpty());
  EXPECT_FALSE(form->OnAfterShowTimer.Enabled());
  EXPECT_NE(form->State.Mode, RunMode::kBackground);
  EXPECT_TRUE(window.visible);
}

TEST_F(FormTest, YesToTheOfferLeavesTheTableAsItIsUntilTheWizardExists) {
  dialogs.ExpectConfirm(kNoProfileQuestion, true);
  Start();
  PassOneTimeStep();
  EXPECT_TRUE(form->rmSets.IsEmpty());
  EXPECT_FALSE(form->rmSets.Editing());
  EXPECT_FALSE(form->bStart.Enabled());
}

TEST_F(FormTest, EmptyTableDisablesBothStartButtonsAndTheTrayStart) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  PassOneTimeStep();
  EXPECT_FALSE(form->bStart.Enabled());
  EXPECT_FALSE(form->bStartBackground.Enabled());
  EXPECT_FALSE(form->bHide.Enabled());
  EXPECT_FALSE(form->StartinbackgroundItem.Enabled());
  EXPECT_FALSE(form->StopItem.Enabled());
  EXPECT_TRUE(form->tshCurProf.TabVisible());
  EXPECT_TRUE(form->tshPars.TabVisible());
  EXPECT_FALSE(form->tshStat.TabVisible());
}

TEST_F(FormTest, LowerCaseSwitchStartsTheBackgroundModeAndHidesTheWindow) {
  WriteStore({"a", "b"});
  Start({"/b"});
  EXPECT_TRUE(window.visible);
  PassOneTimeStep();

  EXPECT_FALSE(window.visible);
  EXPECT_EQ(window.hides, 1);
  EXPECT_EQ(form->State.Mode, RunMode::kBackground);
  EXPECT_TRUE(form->State.Running);
  EXPECT_EQ(form->bStartBackground.Caption(), "Stop");
  EXPECT_EQ(form->bStartBackground.Glyph(), kImgBackgroundStop);
  EXPECT_EQ(form->bStartBackground.Hint(), "Stop the background mode\r[ F9 ]");
  EXPECT_FALSE(form->bStart.Enabled());
  EXPECT_EQ(form->bStart.Caption(), "Start selected");
  EXPECT_TRUE(form->bHide.Enabled());
  EXPECT_TRUE(form->tshStat.TabVisible());
  EXPECT_FALSE(form->tshCurProf.TabVisible());
  EXPECT_FALSE(form->tshPars.TabVisible());
  EXPECT_EQ(form->lStatus.Caption(), "Background mode started.");
  EXPECT_TRUE(form->StopItem.Enabled());
  EXPECT_FALSE(form->StartinbackgroundItem.Enabled());
  EXPECT_TRUE(form->ShowItem.Enabled());
  EXPECT_FALSE(form->HideItem.Enabled());
  EXPECT_TRUE(form->session().ProcessListInBackgroundTimer.Enabled());
}

TEST_F(FormTest, SwitchOnlyAsSecondArgumentHasNoEffect) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start({"--verbose", "/B"});
  PassOneTimeStep();
  EXPECT_NE(form->State.Mode, RunMode::kBackground);
  EXPECT_FALSE(form->State.Running);
  EXPECT_TRUE(window.visible);
}

TEST_F(FormTest, SwitchWithEmptyTableStartsBackgroundModeWithoutAQuestion) {
  Start({"/B"});
  PassOneTimeStep();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(form->State.Mode, RunMode::kBackground);
  EXPECT_FALSE(window.visible);
}

TEST_F(FormTest, StoppingTheBackgroundModeFromTheTrayLeavesTheWindowHiddenAndIdle) {
  WriteStore({"a"});
  Start({"/B"});
  PassOneTimeStep();
  form->StopItem.Click();

  EXPECT_FALSE(window.visible);
  EXPECT_NE(form->State.Mode, RunMode::kBackground);
  EXPECT_FALSE(form->State.Running);
  EXPECT_EQ(form->bStartBackground.Caption(), "Start in background");
  EXPECT_EQ(form->bStartBackground.Glyph(), kImgBackgroundStart);
  EXPECT_TRUE(form->bStart.Enabled());
  EXPECT_FALSE(form->bHide.Enabled());
  EXPECT_EQ(form->lStatus.Caption(), "Stoped.");
  EXPECT_EQ(form->TrayHint(), "Quillmor stoped.");
  EXPECT_EQ(form->lpsTotal.Caption(), "0 %");
  EXPECT_TRUE(form->StartinbackgroundItem.Enabled());
  EXPECT_FALSE(form->StopItem.Enabled());
  EXPECT_FALSE(form->session().ProcessListInBackgroundTimer.Enabled());
  EXPECT_TRUE(form->tshCurProf.TabVisible());
  EXPECT_FALSE(form->tshStat.TabVisible());
}

TEST_F(FormTest, ThreeStoredProfilesShowTheFirstAsCurrentWhateverRowWasCurrentAtHide) {
  WriteStore({"one", "two", "three"});
  Start();
  EXPECT_EQ(form->rmSets.RecordCount(), 3u);
  EXPECT_EQ(form->rmSets.RecNo(), 1u);
  EXPECT_EQ(form->rmSets.Current().Name, "one");
  EXPECT_TRUE(form->bStart.Enabled());
  EXPECT_TRUE(form->bStartBackground.Enabled());

  ASSERT_TRUE(form->rmSets.MoveTo(3));
  window.HideWindow();
  EXPECT_EQ(form->grdProfs.Tag, 3);
  EXPECT_FALSE(form->WindowShown);
  window.ShowWindow();
  EXPECT_TRUE(form->WindowShown);
  EXPECT_EQ(form->rmSets.RecNo(), 1u);
}

TEST_F(FormTest, HidingAndShowingNeverRepeatsTheOneTimeStep) {
  WriteStore({"only"});
  Start();
  PassOneTimeStep();
  ASSERT_FALSE(form->OnAfterShowTimer.Enabled());

  // The table has become empty since: still no offer on the next shows.
  form->rmSets.Delete();
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
  EXPECT_TRUE(form->OnAfterShowTimer.Enabled());
  window.ShowWindow();
  loop.RunFor(100);
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
}

TEST_F(FormTest, DefaultLogDirectoryIsTheStoresDirectoryUnlessOneWasStored) {
  WriteStore({"a"});
  Start();
  PassOneTimeStep();
  EXPECT_EQ(form->Log.deLogDir.Text(), dir / "data/");

  form.reset();
  window = FakeWindow{};
  ASSERT_TRUE(Registry(dir / "config")
                  .WriteString(Hive::kLocalMachine, MainFormSettings().Key(), "deLogDir_Text",
                               "/var/log/mine/")
                  .ok());
  Start();
  PassOneTimeStep();
  EXPECT_EQ(form->Log.deLogDir.Text(), "/var/log/mine/");
}

TEST_F(FormTest, DefaultLogDirectoryFallsBackWhenTheStoresDirectoryIsNotWritable) {
  WriteStore({"a"});
  fs.FailAlways(FsOp::kCreate, ErrorKind::kReadOnly, dir / "data/");
  Start();
  PassOneTimeStep();
  EXPECT_NE(form->Log.deLogDir.Text(), dir / "data/");
  EXPECT_EQ(form->Log.deLogDir.Text().back(), '/');
}

TEST_F(FormTest, CloseAsksAndNoKeepsTheWindowAndTheRun) {
  WriteStore({"a"});
  Start();
  PassOneTimeStep();
  form->State.Running = true;
  form->session().StatTimer.SetEnabled(true);

  dialogs.ExpectConfirm(kCloseQuestion, false);
  EXPECT_FALSE(form->Close());
  EXPECT_FALSE(form->Closed());
  EXPECT_FALSE(loop.quit_requested());
  EXPECT_TRUE(form->State.Running);
  EXPECT_TRUE(form->session().StatTimer.Enabled());

  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_TRUE(form->Close());
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_FALSE(form->State.Running);
  EXPECT_FALSE(form->session().StatTimer.Enabled());
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());
}

TEST_F(FormTest, CloseSavesTheTableInItsCurrentOrder) {
  WriteStore({"b", "a"});
  Start();
  PassOneTimeStep();
  ASSERT_TRUE(form->rmSets.SortBy(ProfileField::Name, true));
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());

  ProfileTable reloaded;
  LoadProfiles(StorePath(), reloaded, PosixFileSystem());
  ASSERT_EQ(reloaded.RecordCount(), 2u);
  EXPECT_EQ(reloaded.Row(0).Name, "a");
  EXPECT_EQ(reloaded.Row(1).Name, "b");
}

TEST_F(FormTest, CloseInTheBackgroundModeAsksNothingAndStopsTheTimers) {
  WriteStore({"a"});
  Start({"/B"});
  PassOneTimeStep();
  ASSERT_TRUE(form->session().ProcessListInBackgroundTimer.Enabled());

  EXPECT_TRUE(form->Close());
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_FALSE(form->State.Running);
  EXPECT_FALSE(form->session().ProcessListInBackgroundTimer.Enabled());
  EXPECT_TRUE(loop.quit_requested());
}

TEST_F(FormTest, StoreThatCannotBeWrittenAtCloseShowsTheMessageAndTheProgramStillEnds) {
  WriteStore({"a", "b"});
  const std::string before = ReadWholeFile(StorePath());
  Start();
  PassOneTimeStep();
  fs.FailAlways(FsOp::kCreate, ErrorKind::kReadOnly, dir / "data/");

  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_TRUE(form->Close());
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not save the program options."});
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_EQ(ReadWholeFile(StorePath()), before);
}

TEST_F(FormTest, FirstCloseOfAFreshInstallationCreatesTheDataDirectory) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  PassOneTimeStep();
  ASSERT_TRUE(form->rmSets.Append());
  form->rmSets.SetText(ProfileField::Name, "n");
  form->rmSets.SetText(ProfileField::SrcDir, "/s");
  form->rmSets.SetText(ProfileField::DestDir, "/d");
  ASSERT_TRUE(form->rmSets.Post());

  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());
  ProfileTable reloaded;
  LoadProfiles(StorePath(), reloaded, PosixFileSystem());
  EXPECT_EQ(reloaded.RecordCount(), 1u);
}

TEST_F(FormTest, EndOfSessionSavesWithoutAQuestionKeepingACompleteEdit) {
  WriteStore({"a", "b"});
  Start();
  PassOneTimeStep();
  form->State.Running = true;
  form->rmSets.SetText(ProfileField::Name, "renamed");
  ASSERT_TRUE(form->rmSets.Editing());

  form->EndSession();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_FALSE(form->State.Running);
  ProfileTable reloaded;
  LoadProfiles(StorePath(), reloaded, PosixFileSystem());
  ASSERT_EQ(reloaded.RecordCount(), 2u);
  EXPECT_EQ(reloaded.Row(0).Name, "renamed");
}

TEST_F(FormTest, EndOfSessionDropsAnIncompleteNewRowAndSavesTheOthers) {
  WriteStore({"a"});
  Start();
  PassOneTimeStep();
  ASSERT_TRUE(form->rmSets.Append());
  form->rmSets.SetText(ProfileField::Name, "half");

  form->EndSession();
  EXPECT_TRUE(dialogs.shown().empty());
  ProfileTable reloaded;
  LoadProfiles(StorePath(), reloaded, PosixFileSystem());
  ASSERT_EQ(reloaded.RecordCount(), 1u);
  EXPECT_EQ(reloaded.Row(0).Name, "a");
}

TEST_F(FormTest, ErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
  WriteStore({"a"});
  Start();
  form->bHelp.OnClick = form->Guarded([] { throw std::runtime_error("Disk not ready"); });
  form->bHelp.Click();
  form->bHelp.OnClick = form->Guarded([] { throw std::runtime_error("Already ends."); });
  form->bHelp.Click();
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError),
            (std::vector<std::string>{"Disk not ready.", "Already ends."}));
  PassOneTimeStep();
  EXPECT_FALSE(form->OnAfterShowTimer.Enabled());
}

}  // namespace
}  // namespace qm::test
