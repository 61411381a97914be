// The "Restore files..." dialog without a toolkit: the moment, the target folder and the
// overwrite choice, and a line telling what a restore with them would do, from a dry run made
// again whenever a choice changes. A front end shows it through a RestoreDialogPresenter.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/restore_job.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"

namespace qm {

inline constexpr const char* kRestoreTitle = "Restore files";

class RestoreDialog {
 public:
  // What a restore with this choice would do, without doing it.
  using DryRun = std::function<RestoreTally(const RestoreChoice&)>;

  // Typing waits this long for the next key before the dry run: a large backup takes a while
  // to list, and the outcome of a half-typed folder is of no use.
  static constexpr uint32_t kTypingPauseMs = 400;

  // `moment` fills the date-time field, used once "Newest" is unchecked.
  RestoreDialog(const std::string& profile_name, const std::string& source,
                const std::string& moment, ui::Dialogs& dialogs, ui::MessageLoop& loop,
                DryRun dry_run);

  ui::Label profile_label{"restore_profile_label"};
  ui::Label as_of_label{"restore_as_of_label", "Restore the files as they were on"};
  ui::CheckBox newest_box{"restore_newest_box", "Newest"};
  ui::Edit as_of_edit{"restore_as_of_edit"};
  ui::Label to_label{"restore_to_label", "Restore into"};
  ui::Edit to_edit{"restore_to_edit"};
  ui::Button browse_button{"restore_browse_button", "..."};
  ui::CheckBox overwrite_box{"restore_overwrite_box", "Replace files that differ"};
  ui::Label outcome_label{"restore_outcome_label"};
  ui::Button restore_button{"restore_button", "Restore"};
  ui::Button cancel_button{"restore_cancel_button", "Cancel"};

  // The choice the controls make; nullopt while the date-time field holds no valid moment or
  // the folder is not a full path.
  std::optional<RestoreChoice> Choice() const;
  // Runs the dry run for the controls' choice and tells its outcome; "Restore" is enabled only
  // for a choice that can be restored.
  void Refresh();

 private:
  // A field was typed in: the dry run follows after a pause, "Restore" waits for it.
  void Typed();

  ui::Dialogs& dialogs_;
  DryRun dry_run_;
  ui::Timer typing_timer_;
};

// "12 files", "1 file"
std::string FileCount(int64_t n);
// Bytes as a person reads them: "512 bytes", "1.5 KB", "20.0 MB".
std::string ByteCount(int64_t n);

// Shows the dialog modally; true when the user chose "Restore".
class RestoreDialogPresenter {
 public:
  virtual ~RestoreDialogPresenter() = default;
  virtual bool Show(RestoreDialog& dialog) = 0;
};

}  // namespace qm
