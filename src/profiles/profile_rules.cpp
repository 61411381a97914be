#include "profiles/profile_rules.h"

#include <string>

#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"

namespace qm {

void ApplyNewRowDefaults(ProfileTable& table, TDateTime now) {
  using F = ProfileField;
  table.SetBool(F::Enabled, true);
  table.SetBool(F::InclDirs, true);
  table.SetText(F::FileMask, "*.*");
  table.SetInt(F::SyncMethod, kSyncOneWay);
  table.SetInt(F::KeepCopyKind, kKeepNone);
  table.SetInt(F::CopyCriteria, 0);
  // A clock outside the table's range leaves the zero date-time rather than a wrong one.
  (void)table.SetDateTime(F::LastRun, now);
  (void)table.SetDateTime(F::NextRun, now);
  table.SetInt(F::PSDone, 0);
  table.SetBool(F::doZIP, true);
  table.SetInt(F::zipMode, 9);
  table.SetBool(F::RemoveDeleted, false);
  (void)table.SetDateTime(F::Interval, EncodeTime(0, 10, 0));
  table.SetBool(F::UseStartTimeEndTime, false);
  (void)table.SetDateTime(F::StartTime, EncodeTime(8, 0, 0));
  (void)table.SetDateTime(F::FinishTime, EncodeTime(18, 0, 0));
}

std::string MissingFieldsMessage(const ProfileRow& row) {
  // Blanks count as a value; only an empty text is missing.
  std::string list;
  if (row.Name.empty()) list += "name, ";
  if (row.SrcDir.empty()) list += "source directory, ";
  if (row.DestDir.empty()) list += "destination directory, ";
  if (list.size() <= 1) return {};
  list.resize(list.size() - 2);
  return "Some required fields are not filled:\r" + list;
}

bool CheckRowBeforePost(ProfileTable& table, ui::Dialogs& dialogs) {
  if (table.IsEmpty()) return true;
  const std::string message = MissingFieldsMessage(table.Current());
  if (!message.empty()) {
    dialogs.ShowErrorBox(message);
    return false;
  }
  // Both directions means nothing is packed, deleted or kept, whatever the row held.
  if (table.AsInt(ProfileField::SyncMethod) == kSyncBothWays) {
    table.SetBool(ProfileField::doZIP, false);
    table.SetBool(ProfileField::RemoveDeleted, false);
    table.SetInt(ProfileField::KeepCopyKind, kKeepNone);
  }
  return true;
}

}  // namespace qm
