// The log options on the "Parameters" page. The main window holds one of these; the controls
// are the live values and are read at the moment a record is made or a flush runs.
#pragma once

#include "stats/log_writer.h"
#include "ui/controls.h"

namespace qm {

struct LogControls {
  ui::CheckBox chLogCreate{"chLogCreate", "Create log file", true};
  ui::CheckBox chLogInfo{"chLogInfo", "Log informational messages", false};
  ui::CheckBox chLogErrors{"chLogErrors", "Log errors", true};
  ui::CheckBox chLogDeletes{"chLogDeletes", "Log deletes", true};
  ui::CheckBox chLogSucc{"chLogSucc", "Log successful copies", false};
  ui::CheckBox chLogLimitSize{"chLogLimitSize", "Limit log file site to", true};
  ui::SpinEdit eLogLimit{"eLogLimit", 0, 65536, 64};
  ui::Label lLogLimitKb{"lLogLimitKb", "Kb"};  // follows eLogLimit
  // Filled with the program's own directory the first time the window is shown.
  ui::Edit deLogDir{"deLogDir"};
  ui::Label lLogDir{"lLogDir", "Log file directory"};

  LogOptions Options() const {
    LogOptions o;
    o.create = chLogCreate.Checked();
    o.info = chLogInfo.Checked();
    o.errors = chLogErrors.Checked();
    o.deletes = chLogDeletes.Checked();
    o.success = chLogSucc.Checked();
    o.limit_size = chLogLimitSize.Checked();
    o.limit_kb = eLogLimit.Value();
    o.dir = deLogDir.Text();
    return o;
  }
};

}  // namespace qm
