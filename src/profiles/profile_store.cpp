#include <span>
#include <string>

#include "platform/atomic_file.h"
#include "profiles/profile_store.h"

namespace qm {

namespace {

// Holds back the table's notifications to bound controls for as long as it lives.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(ProfileTable& table) : table_(table) { table_.DisableControls(); }
  ~ControlsDisabled() { table_.EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  ProfileTable& table_;
};

// Reads exactly one record; false at the end of the file or on a read error (`error` says
// which).
bool ReadRecord(ReadableFile& file, ProfileRecord& record, std::string& error) {
  std::span<std::byte> rest(record.bytes());
  while (!rest.empty()) {
    Result<size_t> got = file.Read(rest);
    if (!got.ok()) {
      error = got.error().message;
      return false;
    }
    if (got.value() == 0) {
      error = "the file ended inside a record";
      return false;
    }
    rest = rest.subspan(got.value());
  }
  return true;
}

}  // namespace

std::string BackupPathOf(const std::string& file_name) {
  return file_name + ".bak";
}

LoadResult LoadProfiles(const std::string& file_name, ProfileTable& table, FileSystem& fs) {
  LoadResult result;
  ControlsDisabled quiet(table);

  Result<DirEntry> info = fs.Stat(file_name);
  result.existed = info.ok() || info.error().kind != ErrorKind::kNotFound;
  Result<std::unique_ptr<ReadableFile>> opened = fs.OpenRead(file_name);
  if (!opened.ok()) {
    // Like a missing store: the table stays as it was.
    if (result.existed) result.error = opened.error().message;
    result.ok = true;
    return result;
  }
  ReadableFile& file = *opened.value();
  Result<int64_t> size = file.Size();
  if (!size.ok()) {
    result.error = size.error().message;
    result.ok = true;
    return result;
  }
  result.opened = true;

  // Bytes after the last whole record are ignored.
  const int64_t count = size.value() / static_cast<int64_t>(ProfileRecord::kSize);
  for (int64_t n = 0; n < count; ++n) {
    ProfileRecord record;
    if (!ReadRecord(file, record, result.error)) {
      result.ok = true;  // a failed read only stops the reading
      return result;
    }
    const std::string where = "record " + std::to_string(n + 1) + ": ";
    if (!table.Append()) {
      result.error = where + "the table refused a new row";
      return result;
    }
    if (Status s = ProfileToRow(record, table); !s.ok()) {
      table.Cancel();
      result.error = where + s.error().message;
      return result;
    }
    if (!table.Post()) {
      // The row that stopped the loading is not kept half-made.
      table.Cancel();
      result.error = where + "the profile was refused";
      return result;
    }
    ++result.rows_loaded;
  }
  result.complete = true;
  result.ok = true;
  return result;
}

bool SaveProfiles(const std::string& file_name, ProfileTable& table, FileSystem& fs,
                  bool keep_old_as_backup) {
  ControlsDisabled quiet(table);
  // A pending edit is posted (and checked) first; a refused row stops the save before the
  // store is touched.
  if (!table.CheckBrowseMode()) return false;
  // A store the user made read-only is not replaced behind their back, although a rename
  // over it would succeed.
  if (Result<DirEntry> info = fs.Stat(file_name); info.ok() && (info.value().attr & faReadOnly))
    return false;

  Result<std::unique_ptr<AtomicReplace>> replace = AtomicReplace::Begin(fs, file_name);
  if (!replace.ok()) return false;
  WritableFile& file = replace.value()->file();
  ProfileRecord record;
  for (size_t i = 0; i < table.RecordCount(); ++i) {
    ProfileFromRow(table.Row(i), record);
    if (!file.Write(record.bytes()).ok()) return false;
  }
  return replace.value()->Commit(keep_old_as_backup ? BackupPathOf(file_name) : "").ok();
}

}  // namespace qm
