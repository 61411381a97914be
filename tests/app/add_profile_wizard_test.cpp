#include "wizard/add_profile_wizard.h"
#include "platform/registry.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

// Runs a script on the wizard as the user would in its window, then closes it if the script
// did not.
class ScriptedWizard : public WizardPresenter {
 public:
  std::function<void(AddProfileWizard&)> script;
  int shown = 0;

  void RunModal(AddProfileWizard& form) override {
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
  void AddProfile(AddProfileWizard& w, const std::string& name, bool sync) {
    w.next_button.Click();
    w.source_folder_edit.SetTextByUser(dir.MakeDir("src-" + name));
    loop.RunFor(500);
    w.profile_name_edit.SetTextByUser(name);
    w.next_button.Click();
    w.next_button.Click();
    w.destination_folder_edit.SetTextByUser(dir / ("dest-" + name));
    w.next_button.Click();
    w.ChooseRadio(w.zip_yes_radio);
    w.next_button.Click();
    w.continue_button.Click();
    if (sync) w.ChooseRadio(w.synchronize_radio);
    w.next_button.Click();
  }

  OneDisk disks;
  ScriptedWizard wizard;
};

TEST_F(WizardFormTest, YesToTheFirstStartOfferOpensTheWizardAndItsProfileEnablesStart) {
  dialogs.ExpectConfirm(kNoProfileQuestion, true);
  StartWithWizard();
  wizard.script = [this](AddProfileWizard& w) {
    AddProfile(w, "docs", false);
    w.final_finish_button.Click();
  };
  PassOneTimeStep();
  EXPECT_EQ(wizard.shown, 1);
  ASSERT_EQ(form->profile_table.RecordCount(), 1u);
  EXPECT_FALSE(form->profile_table.Editing());
  EXPECT_EQ(form->profile_table.Current().Name, "docs");
  EXPECT_TRUE(form->start_button.Enabled());
  EXPECT_TRUE(form->start_background_button.Enabled());
  // The wizard's choices went to the user's hive, where its next use finds them.
  const Registry user(dir / "config", PosixFileSystem());
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "FormVersion"), "0");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "rZIPYes_Checked"), "True");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "eFilter_Text"), "*.*");
  EXPECT_EQ(user.ReadString(Hive::kCurrentUser, kWizardChoicesKey, "rgUseFilter_ItemIndex"), "0");
}

TEST_F(WizardFormTest, TheButtonAndF3OpenTheWizardAndTheTableRulesHoldForItsRows) {
  WriteStore({"one"});
  Start();
  form->SetWizardDisks(&disks);
  EXPECT_FALSE(form->wizard_button.Enabled());
  form->SetWizardPresenter(&wizard);
  EXPECT_TRUE(form->wizard_button.Enabled());
  PassOneTimeStep();

  wizard.script = [this](AddProfileWizard& w) {
    AddProfile(w, "both ways", true);
    w.final_save_and_add_another_button.Click();
    // The main window's own check refuses a profile without a name and says so.
    w.next_button.Click();
    w.source_folder_edit.SetTextByUser(dir.MakeDir("nameless"));
    loop.RunFor(500);
    w.profile_name_edit.SetTextByUser("");
    w.next_button.Click();
    w.next_button.Click();
    w.next_button.Click();
    w.next_button.Click();
    w.finish_button.Click();
  };
  form->wizard_button.Click();
  EXPECT_EQ(wizard.shown, 1);
  ASSERT_EQ(form->profile_table.RecordCount(), 3u);
  // Both directions never pack, whatever the wizard's ZIP choice.
  EXPECT_EQ(form->profile_table.Row(1).Name, "both ways");
  EXPECT_EQ(form->profile_table.Row(1).SyncMethod, 1);
  EXPECT_FALSE(form->profile_table.Row(1).doZIP);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\rname"});
  EXPECT_EQ(form->profile_table.state(), TableState::kInsert);

  form->profile_table.Cancel();
  wizard.script = nullptr;
  EXPECT_TRUE(form->FormKeyUp(MainWindowController::HotKey::kF3));
  EXPECT_EQ(wizard.shown, 2);
  EXPECT_EQ(form->profile_table.RecordCount(), 2u);
}

}  // namespace
}  // namespace qm::test
