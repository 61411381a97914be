#include "app/main_form_state.h"

#include "app/main_window_controller.h"

namespace qm {

FormStateSettings MainFormSettings() {
  FormStateSettings settings;
  settings.root = Hive::kLocalMachine;
  settings.key_path = kMainFormKeyPath;
  settings.section = kMainFormSection;
  settings.store_placement = true;
  settings.version = 0;
  return settings;
}

std::vector<StoredProperty> MainFormProperties(MainWindowController& form) {
  LogControls& log = form.Log;
  return {
      CheckedProperty("chRunOnWindowsStart.Checked", form.autostart_box),
      IntegerProperty("PC.Width", form.page_control_width),
      CheckedProperty("chLogCreate.Checked", log.create_log_box),
      CheckedProperty("chLogDeletes.Checked", log.log_deletes_box),
      CheckedProperty("chLogErrors.Checked", log.log_errors_box),
      CheckedProperty("chLogLimitSize.Checked", log.limit_log_size_box),
      CheckedProperty("chLogSucc.Checked", log.log_successes_box),
      ValueProperty("eLogLimit.Value", log.log_limit_edit),
      TextProperty("deLogDir.Text", log.log_folder_edit),
      IntegerProperty("grdProfs.Tag", form.profile_grid.Tag),
      CheckedProperty("chLogInfo.Checked", log.log_info_box),
      IntegerProperty(
          "grdProfs.FixedColor", [&form] { return int64_t{form.profile_grid.FixedColor}; },
          [&form](int64_t v) { form.profile_grid.FixedColor = static_cast<int32_t>(v); }),
      IntegerProperty(
          "grdProfs.FooterColor", [&form] { return int64_t{form.profile_grid.FooterColor}; },
          [&form](int64_t v) { form.profile_grid.FooterColor = static_cast<int32_t>(v); }),
  };
}

}  // namespace qm
