// The main window's way into the add-profile wizard.
#include <memory>

#include "app/form_state_store.h"
#include "app/main_window_controller.h"
#include "platform/registry.h"

namespace qm {

namespace {

// The wizard's own form-state store `fs`: the user's hive, no placement, layout version 0.
class WizardFormState : public RememberedChoices {
 public:
  WizardFormState(Registry& registry, ui::Dialogs& dialogs)
      : registry_(registry), dialogs_(dialogs) {}

  void Restore(const std::vector<ChoiceProperty>& properties) override {
    std::vector<StoredProperty> stored;
    for (const ChoiceProperty& p : properties) {
      // "rSubDirs1_Checked" is stored for the property "rSubDirs1.Checked".
      std::string name = p.name;
      name[name.find('_')] = '.';
      stored.push_back({std::move(name), PropertyType::kText, p.get, p.set});
    }
    store_ = std::make_unique<FormStateStore>(registry_, dialogs_, Settings(), std::move(stored));
    store_->RestoreFormState();
  }
  void Save(const std::vector<ChoiceProperty>&) override {
    if (store_) store_->SaveFormState();
  }

 private:
  static FormStateSettings Settings() {
    FormStateSettings s;
    s.root = Hive::kCurrentUser;
    s.key_path = "Software\\Ostrel\\Applications\\Quillmor";
    s.section = "Wizard";
    s.store_placement = false;
    s.version = 0;
    return s;
  }

  Registry& registry_;
  ui::Dialogs& dialogs_;
  std::unique_ptr<FormStateStore> store_;
};

}  // namespace

void MainWindowController::SetWizardPresenter(WizardPresenter* presenter) {
  wizard_presenter_ = presenter;
  if (!presenter) {
    editor.SetWizard(nullptr);
    return;
  }
  // The wizard button, F3 and the first-start offer all come here.
  editor.SetWizard([this] {
    ShowAddProfileWizard();
    UpdateControls();
  });
}

void MainWindowController::SetWizardDisks(DiskSource* disks) {
  wizard_disks_ = disks;
}

void MainWindowController::ShowAddProfileWizard() {
  if (!wizard_presenter_) return;
  std::unique_ptr<DiskSource> system_disks;
  DiskSource* disks = wizard_disks_;
  if (!disks) {
    system_disks = MakeSystemDiskSource(fs_);
    disks = system_disks.get();
  }
  WizardFormState wizard_fs(registry, dialogs_);
  qm::ShowAddProfileWizard(
      profile_table, {loop_, dialogs_, fs_, *disks, wizard_fs, wizard_filter_, *wizard_presenter_});
}

}  // namespace qm
