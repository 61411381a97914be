#include "form_fixture.h"
#include "platform/registry.h"
#include "wizard/qmwzAddProfile.h"

namespace qm::test {
namespace {

// Runs a script on the wizard as the user would in its window, then closes it if the script
// did not.
class ScriptedWizard : public WizardPresenter {
 public:
  std::function<void(TqmwzAddProfileForm&)> script;
  int shown = 0;

  void RunModal(TqmwzAddProfileForm& form) override {
    ++shown;
    form.Show();
    if (script) script(form);
    if (!form.Closed()) (void)form.Close();
  }
};

class OneDisk : public DiskSource {
 public:
  std::vector<Volume> Volumes() override {
    return {{"/", "/dev/sda1", "ext4", VolumeKind::kLocal, 1 << 30, 1 << 30}};
  }
  std::string HomeDirectory() override { return "/home/ann"; }
  std::string MountPointOf(const std::string&) override { return "/"; }
  bool CanCreate(const std::string&) override { return true; }
};

class WizardFormTest : public FormTest {
 protected:
  void StartWithWizard() {
    Start();
    form->SetWizardDisks(&disks);
    form->SetWizardPresenter(&wizard);
  }
  // A whole profile, from the welcome page to the second "Ready" page.
  void AddProfile(TqmwzAddProfileForm& w, const std::string& name, bool sync) {
    w.bNext.Click();
    w.eSrcDir.SetTextByUser(dir.MakeDir("src-" + name));
    loop.RunFor(500);
    w.eName.SetTextByUser(name);
    w.bNext.Click();
    w.bNext.Click();
    w.eDestDir.SetTextByUser(dir / ("dest-" + name));
    w.bNext.Click();
    w.ChooseRadio(w.rZIPYes);
    w.bNext.Click();
    w.bContinue1.Click();
    if (sync) w.ChooseRadio(w.rSMSync);
    w.bNext.Click();
  }

  OneDisk disks;
  ScriptedWizard wizard;
};

TEST_F(WizardFormTest, YesToTheFirstStartOfferOpensTheWizardAndItsProfileEnablesStart) {
  dialogs.ExpectConfirm(kNoProfileQuestion, true);
  StartWithWizard();
  wizard.script = [this](TqmwzAddProfileForm& w) {
    AddProfile(w, "docs", false);
    w.BitBtn1.Click();
  };
  PassOneTimeStep();
  EXPECT_EQ(wizard.shown, 1);
  ASSERT_EQ(form->rmSets.RecordCount(), 1u);
  EXPECT_FALSE(form->rmSets.Editing());
  EXPECT_EQ(form->rmSets.Current().Name, "docs");
  EXPECT_TRUE(form->bStart.Enabled());
  EXPECT_TRUE(form->bStartBackground.Enabled());
  // The wizard's choices went to the user's hive, where its next use finds them.
  const Registry user(dir / "config");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "FormVersion"), "0");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "rZIPYes_Checked"), "True");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "eFilter_Text"), "*.*");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "rgUseFilter_ItemIndex"), "0");
}

TEST_F(WizardFormTest, TheButtonAndF3OpenTheWizardAndTheTableRulesHoldForItsRows) {
  WriteStore({"one"});
  Start();
  form->SetWizardDisks(&disks);
  EXPECT_FALSE(form->bMaster.Enabled());
  form->SetWizardPresenter(&wizard);
  EXPECT_TRUE(form->bMaster.Enabled());
  PassOneTimeStep();

  wizard.script = [this](TqmwzAddProfileForm& w) {
    AddProfile(w, "both ways", true);
    w.bSave2.Click();
    // The main window's own check refuses a profile without a name and says so.
    w.bNext.Click();
    w.eSrcDir.SetTextByUser(dir.MakeDir("nameless"));
    loop.RunFor(500);
    w.eName.SetTextByUser("");
    w.bNext.Click();
    w.bNext.Click();
    w.bNext.Click();
    w.bNext.Click();
    w.bFinish.Click();
  };
  form->bMaster.Click();
  EXPECT_EQ(wizard.shown, 1);
  ASSERT_EQ(form->rmSets.RecordCount(), 3u);
  // Both directions never pack, whatever the wizard's ZIP choice.
  EXPECT_EQ(form->rmSets.Row(1).Name, "both ways");
  EXPECT_EQ(form->rmSets.Row(1).SyncMethod, 1);
  EXPECT_FALSE(form->rmSets.Row(1).doZIP);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\rname"});
  EXPECT_EQ(form->rmSets.State(), TableState::kInsert);

  form->rmSets.Cancel();
  wizard.script = nullptr;
  EXPECT_TRUE(form->FormKeyUp(TForm1::HotKey::kF3));
  EXPECT_EQ(wizard.shown, 2);
  EXPECT_EQ(form->rmSets.RecordCount(), 2u);
}

}  // namespace
}  // namespace qm::test
