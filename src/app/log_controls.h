// The log options on the "Parameters" page. The main window holds one of these; the controls
// are the live values and are read at the moment a record is made or a flush runs.
#pragma once

#include "stats/log_writer.h"
#include "ui/controls.h"

namespace qm {

inline constexpr const char* kLogDirBrowseTitle = "Select the directory for the log file";

struct LogControls {
  LogControls() {
    chLogCreate.SetHint(
        "Check this box to maintain the log file.\r\nThe log file contains a date-time and an "
        "error-success \r\ninformation about profiles work.\r\nCustomize types of information "
        "using the checkboxes below.\r\nRecommended.");
    const char* dir_hint =
        "Where to put the log file.\r\nThe log file name is \"Quillmor.log\". It places into "
        "this directory.";
    deLogDir.SetHint(dir_hint);
    lLogDir.SetHint(dir_hint);
    chLogLimitSize.SetHint(
        "Check this box to prevent log file use extra disk space. \r\nRecommended.");
    eLogLimit.SetHint(
        "Set the size limit in kilobytes. When the log file grow till this size, \r\nolder "
        "records will be deleted from it so the total size \r\nof the log file will not exceed "
        "this limit.\r\nRecomended value is 64 Kb");
    chLogInfo.SetHint("Save the common informational messages in the log file.");
    chLogErrors.SetHint("Save the errors information in the log file.\r\nRecommended.");
    chLogDeletes.SetHint("Save the deletions information in the log file.\r\nRecommended.");
    chLogSucc.SetHint(
        "Save the success copies information in the log file.\r\nNot recommended, because it "
        "forces the log file to grow faster.");
  }

  // In tab order.
  ui::CheckBox chLogCreate{"chLogCreate", "Create log file", true};
  ui::Label lLogDir{"lLogDir", "Log file directory"};
  // Filled with the program's own directory the first time the window is shown.
  ui::Edit deLogDir{"deLogDir"};
  // Opens the folder browser at the directory in the field.
  ui::Button deLogDirButton{"deLogDirButton", "..."};
  ui::CheckBox chLogLimitSize{"chLogLimitSize", "Limit log file site to", true};
  ui::SpinEdit eLogLimit{"eLogLimit", kLogLimitMinKb, kLogLimitMaxKb, 64};
  ui::Label lLogLimitKb{"lLogLimitKb", "Kb"};  // follows eLogLimit
  ui::CheckBox chLogInfo{"chLogInfo", "Log informational messages", false};
  ui::CheckBox chLogErrors{"chLogErrors", "Log errors", true};
  ui::CheckBox chLogDeletes{"chLogDeletes", "Log deletes", true};
  ui::CheckBox chLogSucc{"chLogSucc", "Log successful copies", false};

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
