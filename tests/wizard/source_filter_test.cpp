#include "wizard_fixture.h"

namespace qm::test {
namespace {

class SourcePageTest : public WizardTest {
 protected:
  void SetUp() override {
    dir.MakeDir("My Documents");
    Open();
    form->bNext.Click();
  }
};

TEST_F(SourcePageTest, ATypedSourceProposesTheNameHalfASecondAfterTheFirstKey) {
  form->eSrcDir.SetTextByUser(dir / "My");
  loop.RunFor(300);
  // The timer is not restarted by later keys: the name follows the typing.
  form->eSrcDir.SetTextByUser(Source());
  loop.RunFor(199);
  EXPECT_EQ(form->eName.Text(), "");
  EXPECT_FALSE(form->bNext.Enabled());
  loop.RunFor(1);
  EXPECT_EQ(form->eName.Text(), "My Documents (root)");
  EXPECT_TRUE(form->bNext.Enabled());
  EXPECT_FALSE(form->lDirExists.Visible());
  EXPECT_EQ(form->LastSourceDirectory(), Source());
}

TEST_F(SourcePageTest, AMissingSourceSaysSoAndKeepsNextDisabled) {
  TypeSource("/media/ann/STICK/Photos");
  EXPECT_FALSE(form->bNext.Enabled());
  EXPECT_TRUE(form->lDirExists.Visible());
  EXPECT_EQ(form->lDirExists.Caption(), "Directory \"/media/ann/STICK/Photos/\" does not exsists!");
  EXPECT_EQ(form->lDirExists.Color(), kMaroon);
  EXPECT_EQ(form->eName.Text(), "Photos (STICK)");
  // A key in the field hides the message until the path is looked at again.
  form->eSrcDir.SetTextByUser("/media/ann/STICK/Photo");
  EXPECT_FALSE(form->lDirExists.Visible());
  TypeSource("");
  EXPECT_FALSE(form->bNext.Enabled());
  EXPECT_FALSE(form->lDirExists.Visible());
  EXPECT_EQ(form->eName.Text(), "");
}

TEST_F(SourcePageTest, ATypedNameIsReplacedByTypingTheSourceButKeptOnLeaving) {
  TypeSource(Source());
  form->eName.SetTextByUser("Mine");
  form->eSrcDirExit();
  EXPECT_EQ(form->eName.Text(), "Mine");
  TypeSource(Source() + "/");
  EXPECT_EQ(form->eName.Text(), "My Documents (root)");
}

TEST_F(SourcePageTest, BrowsingChoosesTheSourceAndItsName) {
  dialogs.ExpectBrowse(kSourceBrowseTitle, std::nullopt);
  form->eSrcDirButton.Click();
  EXPECT_EQ(form->eSrcDir.Text(), "");
  EXPECT_EQ(dialogs.browse_starts().back(), "");

  TypeSource(Source());
  form->eName.SetTextByUser("Mine");
  const std::string other = dir.MakeDir("Other");
  dialogs.ExpectBrowse(kSourceBrowseTitle, other);
  form->eSrcDirButton.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), Source());
  EXPECT_EQ(form->eSrcDir.Text(), other);
  EXPECT_EQ(form->eName.Text(), "Other (root)");
  EXPECT_TRUE(form->bNext.Enabled());
  EXPECT_EQ(form->LastSourceDirectory(), other);
}

TEST_F(WizardTest, TheFilterTypedBeforeChoosingAllFilesComesBackLaterInTheRun) {
  Open();
  WalkTo(2);
  form->rgUseFilter.SelectByUser(1);
  EXPECT_TRUE(form->eFilter.Enabled());
  EXPECT_TRUE(form->lFilter.Enabled());
  EXPECT_EQ(form->eFilter.Text(), "*.*");
  form->eFilter.SetTextByUser("*.doc");
  form->rgUseFilter.SelectByUser(0);
  EXPECT_EQ(form->eFilter.Text(), "*.*");
  EXPECT_FALSE(form->eFilter.Enabled());
  form->rgUseFilter.SelectByUser(1);
  EXPECT_EQ(form->eFilter.Text(), "*.doc");
  form->rgUseFilter.SelectByUser(0);

  // A later use of the wizard in the same run of the program.
  dialogs.ExpectConfirm(kWizardCloseQuestion, true);
  ASSERT_TRUE(form->Close());
  Open();
  EXPECT_EQ(form->rgUseFilter.ItemIndex(), 0);
  EXPECT_EQ(form->eFilter.Text(), "*.*");
  form->rgUseFilter.SelectByUser(1);
  EXPECT_EQ(form->eFilter.Text(), "*.doc");
}

TEST_F(WizardTest, ChoicesComeBackAtTheNextUseButTheCopyMethodAndIntervalDoNot) {
  Open();
  WalkTo(2);
  form->ChooseRadio(form->rSubDirs2);
  form->rgUseFilter.SelectByUser(1);
  form->eFilter.SetTextByUser("*.txt;*.doc");
  form->ChooseRadio(form->rZIPYes);
  WalkTo(7);
  form->ChooseRadio(form->rSMSync);
  form->eH.SetValueByUser(2);
  form->BitBtn1.Click();
  ASSERT_TRUE(form->Closed());
  EXPECT_EQ(choices.values["rSubDirs1_Checked"], "False");
  EXPECT_EQ(choices.values["rSubDirs2_Checked"], "True");
  EXPECT_EQ(choices.values["eFilter_Text"], "*.txt;*.doc");
  EXPECT_EQ(choices.values["rgUseFilter_ItemIndex"], "1");
  EXPECT_EQ(choices.values["rZIPNo_Checked"], "False");
  EXPECT_EQ(choices.values["rZIPYes_Checked"], "True");

  // A restart of the program: a fresh remembered filter, the same stored values.
  remembered_filter = "*.*";
  MemoryChoices stored = choices;
  TqmwzAddProfileForm again(table, loop, dialogs, PosixFileSystem(), disks, stored,
                            remembered_filter);
  again.Show();
  EXPECT_FALSE(again.rSubDirs1.Checked());
  EXPECT_TRUE(again.rSubDirs2.Checked());
  EXPECT_EQ(again.rgUseFilter.ItemIndex(), 1);
  EXPECT_EQ(again.eFilter.Text(), "*.txt;*.doc");
  EXPECT_TRUE(again.rZIPYes.Checked());
  EXPECT_FALSE(again.rZIPNo.Checked());
  EXPECT_TRUE(again.rSMBackupOnly.Checked());
  EXPECT_FALSE(again.rSMSync.Checked());
  EXPECT_EQ(again.eH.Value(), 0);
  EXPECT_EQ(again.eM.Value(), 10);
  EXPECT_EQ(again.eS.Value(), 0);
}

TEST_F(WizardTest, DamagedStoredChoicesLeaveSensibleOnes) {
  choices.values = {{"rSubDirs1_Checked", "False"},
                    {"rSubDirs2_Checked", "no"},
                    {"rgUseFilter_ItemIndex", "7"},
                    {"rZIPNo_Checked", "FALSE"},
                    {"rZIPYes_Checked", "false"}};
  Open();
  EXPECT_TRUE(form->rSubDirs1.Checked());
  EXPECT_FALSE(form->rSubDirs2.Checked());
  EXPECT_EQ(form->rgUseFilter.ItemIndex(), 0);
  EXPECT_TRUE(form->rZIPNo.Checked());
  EXPECT_FALSE(form->rZIPYes.Checked());
}

}  // namespace
}  // namespace qm::test
