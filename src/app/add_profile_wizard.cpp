// The main window's way into the add-profile wizard.
#include <optional>

#include "app/qmUnit1.h"
#include "platform/app_paths.h"
#include "platform/registry.h"

namespace qm {

void TForm1::SetWizardPresenter(WizardPresenter* presenter) {
  wizard_presenter_ = presenter;
  if (!presenter) {
    Editor.SetWizard(nullptr);
    return;
  }
  // The wizard button, F3 and the first-start offer all come here.
  Editor.SetWizard([this] {
    ShowAddProfileWizard();
    UpdateControls();
  });
}

void TForm1::SetWizardEnvironment(DiskSource* disks, Registry* registry) {
  wizard_disks_ = disks;
  wizard_registry_ = registry;
}

void TForm1::ShowAddProfileWizard() {
  if (!wizard_presenter_) return;
  std::unique_ptr<DiskSource> system_disks;
  DiskSource* disks = wizard_disks_;
  if (!disks) {
    system_disks = MakeSystemDiskSource(fs_);
    disks = system_disks.get();
  }
  std::optional<Registry> user_registry;
  Registry* registry = wizard_registry_;
  if (!registry) registry = &user_registry.emplace(ConfigDirectory(), fs_);
  RegistryRememberedChoices choices(*registry, Hive::kCurrentUser, kWizardChoicesKey, dialogs_);
  qm::ShowAddProfileWizard(
      rmSets, {loop_, dialogs_, fs_, *disks, choices, wizard_filter_, *wizard_presenter_});
}

}  // namespace qm
