#include "app/restore_dialog.h"

#include <utility>

#include "platform/size_text.h"

namespace qm {

RestoreDialog::RestoreDialog(const std::string& profile_name, const std::string& source,
                             const std::string& moment, ui::Dialogs& dialogs, ui::MessageLoop& loop,
                             DryRun dry_run)
    : dialogs_(dialogs),
      dry_run_(std::move(dry_run)),
      typing_timer_(loop, "restore_typing_timer", kTypingPauseMs) {
  typing_timer_.OnTimer = [this] { Refresh(); };
  profile_label.SetCaption("Profile: " + profile_name);
  newest_box.SetChecked(true);
  as_of_edit.SetText(moment);
  as_of_edit.SetEnabled(false);
  as_of_edit.SetHint("YYYY-MM-DD or YYYY-MM-DD HH:MM[:SS]");
  to_edit.SetText(source);
  newest_box.OnClick = [this] {
    as_of_edit.SetEnabled(!newest_box.Checked());
    Refresh();
  };
  as_of_edit.OnChange = [this] { Typed(); };
  to_edit.OnChange = [this] { Typed(); };
  overwrite_box.OnClick = [this] { Refresh(); };
  browse_button.OnClick = [this] {
    if (auto dir = dialogs_.BrowseForFolder("Restore into", to_edit.Text())) {
      to_edit.SetText(*dir);
      Refresh();
    }
  };
  Refresh();
}

std::optional<RestoreChoice> RestoreDialog::Choice() const {
  RestoreChoice choice;
  if (!newest_box.Checked()) {
    choice.as_of = ParseAsOf(as_of_edit.Text());
    if (!choice.as_of) return std::nullopt;
  }
  // A folder relative to wherever the program was started from is no place a user meant.
  choice.to = to_edit.Text();
  if (!choice.to.empty() && choice.to.front() != '/') return std::nullopt;
  choice.overwrite = overwrite_box.Checked();
  return choice;
}

void RestoreDialog::Typed() {
  restore_button.SetEnabled(false);
  typing_timer_.SetEnabled(false);
  typing_timer_.SetEnabled(true);
}

void RestoreDialog::Refresh() {
  typing_timer_.SetEnabled(false);
  std::optional<RestoreChoice> choice = Choice();
  if (!choice) {
    const bool moment = newest_box.Checked() || ParseAsOf(as_of_edit.Text());
    outcome_label.SetCaption(moment ? "Enter the folder's full path, starting with \"/\"."
                                    : "Enter the moment as YYYY-MM-DD or YYYY-MM-DD HH:MM.");
    restore_button.SetEnabled(false);
    return;
  }
  choice->dry_run = true;
  const RestoreTally t = dry_run_(*choice);
  if (!t.failure.empty()) {
    outcome_label.SetCaption(t.failure);
    restore_button.SetEnabled(false);
    return;
  }
  std::string text = FileCount(t.restored) + " (" + ByteCount(t.restored_bytes) +
                     ") would be restored, " + FileCount(t.kept) + " (" + ByteCount(t.kept_bytes) +
                     ") kept";
  if (t.failed > 0) text += ", " + FileCount(t.failed) + " cannot be read";
  outcome_label.SetCaption(text + ".");
  restore_button.SetEnabled(t.restored > 0);
}

std::string FileCount(int64_t n) {
  return std::to_string(n) + (n == 1 ? " file" : " files");
}

std::string ByteCount(int64_t n) {
  if (n < 1024) return std::to_string(n) + (n == 1 ? " byte" : " bytes");
  return ScaledSizeText(n, {"KB", "MB", "GB", "TB"});
}

}  // namespace qm
