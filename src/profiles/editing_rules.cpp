#include "profiles/editing_rules.h"

#include "platform/path_style.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"

namespace qm {

namespace {

// The rules act on what the user edits. While the table's controls are held back (the loader
// writing stored records), every stored value comes in unchanged.
bool UserIsEditing(const ProfileTable& table) {
  return table.Editing() && !table.ControlsDisabled();
}

}  // namespace

bool ApplyCopyMethodRule(ProfileTable& table, std::optional<int> shown_method) {
  if (shown_method == kSyncOneWay) return true;
  if (UserIsEditing(table)) {
    table.SetInt(ProfileField::KeepCopyKind, kKeepNone);
    table.SetBool(ProfileField::doZIP, false);
    table.SetBool(ProfileField::RemoveDeleted, false);
  }
  return false;
}

bool ApplyDeletionRule(ProfileTable& table, bool delete_box_enabled, bool delete_box_checked) {
  if (delete_box_enabled && !delete_box_checked) return true;
  if (UserIsEditing(table)) table.SetInt(ProfileField::KeepCopyKind, kKeepNone);
  return false;
}

bool CanWriteToDirectory(const std::string& directory, FileSystem& fs) {
  // An empty choice is tested at the root, not in the working directory.
  const std::string path =
      (directory.empty() ? std::string("/") : AddDirSeparator(directory)) + kWriteTestFileName;
  Result<std::unique_ptr<WritableFile>> created = fs.Create(path);
  if (!created.ok()) return false;
  const bool closed = created.value()->Close().ok();
  // The test file is ours alone; a failure to remove it does not make the directory less
  // writable, and a create that could not be closed (a full disk) says it is not.
  (void)fs.Remove(path);
  return closed;
}

}  // namespace qm
