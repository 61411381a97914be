#include "app/main_form_state.h"

#include "app/qmUnit1.h"

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

std::vector<StoredProperty> MainFormProperties(TForm1& form) {
  LogControls& log = form.Log;
  return {
      CheckedProperty(form.chRunOnWindowsStart),
      IntegerProperty("PC.Width", form.PCWidth),
      CheckedProperty(log.chLogCreate),
      CheckedProperty(log.chLogDeletes),
      CheckedProperty(log.chLogErrors),
      CheckedProperty(log.chLogLimitSize),
      CheckedProperty(log.chLogSucc),
      ValueProperty(log.eLogLimit),
      TextProperty(log.deLogDir),
      IntegerProperty("grdProfs.Tag", form.grdProfs.Tag),
      CheckedProperty(log.chLogInfo),
      IntegerProperty(
          "grdProfs.FixedColor", [&form] { return int64_t{form.grdProfs.FixedColor}; },
          [&form](int64_t v) { form.grdProfs.FixedColor = static_cast<int32_t>(v); }),
      IntegerProperty(
          "grdProfs.FooterColor", [&form] { return int64_t{form.grdProfs.FooterColor}; },
          [&form](int64_t v) { form.grdProfs.FooterColor = static_cast<int32_t>(v); }),
  };
}

}  // namespace qm
