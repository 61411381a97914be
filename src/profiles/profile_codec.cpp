#include <string>

#include "profiles/profile_store.h"

namespace qm {

void ProfileFromRow(const ProfileTable& table, ProfileRecord& record) {
  static const ProfileRow kNeverSet;
  ProfileFromRow(table.IsEmpty() ? kNeverSet : table.Current(), record);
}

void ProfileFromRow(const ProfileRow& row, ProfileRecord& record) {
  record.Clear();
  record.SetEnabled(row.Enabled);
  record.SetName(row.Name);
  record.SetSrcDir(row.SrcDir);
  record.SetDestDir(row.DestDir);
  record.SetFileMask(row.FileMask);
  record.SetInclDirs(row.InclDirs);
  record.SetCopyCriteria(row.CopyCriteria);
  record.SetSyncMethod(row.SyncMethod);
  record.SetLastRun(row.LastRun);
  record.SetNextRun(row.NextRun);
  record.SetKeepCopyKind(row.KeepCopyKind);
  record.SetPSDone(row.PSDone);
  record.SetdoZIP(row.doZIP);
  record.SetzipMode(row.zipMode);
  record.SetRemoveDeleted(row.RemoveDeleted);
  record.SetInterval(row.Interval);
  record.SetUseStartTimeEndTime(row.UseStartTimeEndTime);
  record.SetStartTime(row.StartTime);
  record.SetFinishTime(row.FinishTime);
}

Status ProfileToRow(const ProfileRecord& record, ProfileTable& table) {
  using F = ProfileField;
  auto date_time = [&](F field, TDateTime value) -> Status {
    if (table.SetDateTime(field, value)) return Status::Ok();
    return Error{ErrorKind::kInvalid,
                 std::string("the record's ") + FieldName(field) + " is not a valid date-time"};
  };
  // By name, in the record's order; texts are cut to the table's sizes by the table.
  table.SetBool(F::Enabled, record.Enabled());
  table.SetText(F::Name, record.Name());
  table.SetText(F::SrcDir, record.SrcDir());
  table.SetText(F::DestDir, record.DestDir());
  table.SetText(F::FileMask, record.FileMask());
  table.SetBool(F::InclDirs, record.InclDirs());
  table.SetInt(F::CopyCriteria, record.CopyCriteria());
  table.SetInt(F::SyncMethod, record.SyncMethod());
  if (Status s = date_time(F::LastRun, record.LastRun()); !s.ok()) return s;
  if (Status s = date_time(F::NextRun, record.NextRun()); !s.ok()) return s;
  table.SetInt(F::KeepCopyKind, record.KeepCopyKind());
  table.SetInt(F::PSDone, record.PSDone());
  table.SetBool(F::doZIP, record.doZIP());
  table.SetInt(F::zipMode, record.zipMode());
  table.SetBool(F::RemoveDeleted, record.RemoveDeleted());
  if (Status s = date_time(F::Interval, record.Interval()); !s.ok()) return s;
  table.SetBool(F::UseStartTimeEndTime, record.UseStartTimeEndTime());
  if (Status s = date_time(F::StartTime, record.StartTime()); !s.ok()) return s;
  return date_time(F::FinishTime, record.FinishTime());
}

}  // namespace qm
