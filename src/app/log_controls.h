// The log options on the "Parameters" page. The main window holds one of these; the controls
// are the live values and are read at the moment a record is made or a flush runs.
#pragma once

#include "stats/log_writer.h"
#include "ui/controls.h"

namespace qm {

inline constexpr const char* kLogDirBrowseTitle = "Select the directory for the log file";

struct LogControls {
  LogControls() {
    create_log_box.SetHint(
        "Check this box to maintain the log file.\r\nThe log file contains a date-time and an "
        "error-success \r\ninformation about profiles work.\r\nCustomize types of information "
        "using the checkboxes below.\r\nRecommended.");
    const char* dir_hint =
        "Where to put the log file.\r\nThe log file name is \"Quillmor.log\". It places into "
        "this directory.";
    log_folder_edit.SetHint(dir_hint);
    log_folder_label.SetHint(dir_hint);
    limit_log_size_box.SetHint(
        "Check this box to prevent log file use extra disk space. \r\nRecommended.");
    log_limit_edit.SetHint(
        "Set the size limit in kilobytes. When the log file grow till this size, \r\nolder "
        "records will be deleted from it so the total size \r\nof the log file will not exceed "
        "this limit.\r\nRecomended value is 64 Kb");
    log_info_box.SetHint("Save the common informational messages in the log file.");
    log_errors_box.SetHint("Save the errors information in the log file.\r\nRecommended.");
    log_deletes_box.SetHint("Save the deletions information in the log file.\r\nRecommended.");
    log_successes_box.SetHint(
        "Save the success copies information in the log file.\r\nNot recommended, because it "
        "forces the log file to grow faster.");
  }

  // In tab order.
  ui::CheckBox create_log_box{"create_log_box", "Create log file", true};
  ui::Label log_folder_label{"log_folder_label", "Log file directory"};
  // Filled with the program's own directory the first time the window is shown.
  ui::Edit log_folder_edit{"log_folder_edit"};
  // Opens the folder browser at the directory in the field.
  ui::Button log_folder_browse_button{"log_folder_browse_button", "..."};
  ui::CheckBox limit_log_size_box{"limit_log_size_box", "Limit log file site to", true};
  ui::SpinEdit log_limit_edit{"log_limit_edit", kLogLimitMinKb, kLogLimitMaxKb, 64};
  ui::Label log_limit_unit_label{"log_limit_unit_label", "Kb"};  // follows log_limit_edit
  ui::CheckBox log_info_box{"log_info_box", "Log informational messages", false};
  ui::CheckBox log_errors_box{"log_errors_box", "Log errors", true};
  ui::CheckBox log_deletes_box{"log_deletes_box", "Log deletes", true};
  ui::CheckBox log_successes_box{"log_successes_box", "Log successful copies", false};

  LogOptions Options() const {
    LogOptions o;
    o.create = create_log_box.Checked();
    o.info = log_info_box.Checked();
    o.errors = log_errors_box.Checked();
    o.deletes = log_deletes_box.Checked();
    o.success = log_successes_box.Checked();
    o.limit_size = limit_log_size_box.Checked();
    o.limit_kb = log_limit_edit.Value();
    o.dir = log_folder_edit.Text();
    return o;
  }
};

}  // namespace qm
