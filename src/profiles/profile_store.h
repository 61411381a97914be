// The profile operations: conversions between the table and the record, and the store file.
#pragma once

#include <cstddef>
#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "profiles/profile_record.h"
#include "profiles/profile_rules.h"
#include "profiles/profile_table.h"

namespace qm {

// Fills `record` from the table's current row (all zero first, so reserved bytes and bytes
// after each text are zero). An empty table gives the all-never-set record.
void ProfileFromRow(const ProfileTable& table, ProfileRecord& record);
void ProfileFromRow(const ProfileRow& row, ProfileRecord& record);

// Writes `record` into the table's current row, which the caller has put into insert or edit
// state; the caller posts it. Every value comes in as stored (texts cut to the table's sizes,
// start and finish times to their time of day). Fails, with the row partly written, when a
// date-time cannot be held by the table.
Status ProfileToRow(const ProfileRecord& record, ProfileTable& table);

// What LoadProfiles found.
struct LoadResult {
  bool ok = false;         // ran to its end (a store that cannot be opened counts as run)
  bool existed = false;    // there was a file at the path
  bool opened = false;     // it could be opened and read
  bool complete = false;   // every whole record was read and posted
  size_t rows_loaded = 0;  // rows appended and posted
  std::string error;       // why loading stopped, when it did

  // The store holds profiles the table does not: the next save keeps it as "<store>.bak".
  bool NeedsBackup() const { return existed && !complete; }
};

// Appends one posted row per 1682-byte record of `file_name`; a trailing partial record is
// ignored. Loading stops at a record whose post is refused or whose values the table refuses;
// the rows before it stay. Bound controls are not notified until the end.
LoadResult LoadProfiles(const std::string& file_name, ProfileTable& table, FileSystem& fs);

// Replaces `file_name` by the table's rows, in their order. The records go to a new file
// beside the store that is synced and renamed over it only when all are written, so on any
// failure (a refused post of the current row, a read-only store, a failed create, write, sync
// or rename) the old store stays as it was, no temporary file is left, and the result is
// false. With `keep_old_as_backup` (LoadResult::NeedsBackup() of the load at start-up) the old
// store is first kept as "<file_name>.bak"; after one successful save the caller passes false,
// so that the backup keeps what the load could not read.
bool SaveProfiles(const std::string& file_name, ProfileTable& table, FileSystem& fs,
                  bool keep_old_as_backup = false);

// "<store>.bak"
std::string BackupPathOf(const std::string& file_name);

}  // namespace qm
