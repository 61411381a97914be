// The profile table `profile_table`: the in-memory table of profiles that the grid and the editors
// are bound to, with a current row, the browse/edit/insert states and the row events.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "ui/signal.h"

namespace qm {

// The nineteen fields in the table's order (which differs from the record's in its last five).
enum class ProfileField : uint8_t {
  Enabled,
  Name,
  SrcDir,
  DestDir,
  FileMask,
  InclDirs,
  CopyCriteria,
  SyncMethod,
  LastRun,
  NextRun,
  KeepCopyKind,
  PSDone,
  doZIP,
  zipMode,
  RemoveDeleted,
  UseStartTimeEndTime,
  StartTime,
  FinishTime,
  Interval,
};
inline constexpr size_t kProfileFieldCount = 19;

enum class FieldType : uint8_t { kBool, kInt16, kText, kDateTime, kTime };

// All fields in the table's order, for walking them.
const std::array<ProfileField, kProfileFieldCount>& AllProfileFields();
// "Enabled", "Name", ... as the fields are named.
const char* FieldName(ProfileField field);
FieldType TypeOf(ProfileField field);
// Byte size of a text field (Name 30, SrcDir/DestDir 254, FileMask 255); 0 for the others.
size_t TextFieldSize(ProfileField field);

// One row. A field that was never set reads as false, 0, the zero date-time or "".
struct ProfileRow {
  bool Enabled = false;
  std::string Name;
  std::string SrcDir;
  std::string DestDir;
  std::string FileMask;
  bool InclDirs = false;
  int16_t CopyCriteria = 0;
  int16_t SyncMethod = 0;
  TDateTime LastRun = 0;
  TDateTime NextRun = 0;
  int16_t KeepCopyKind = 0;
  int16_t PSDone = 0;
  bool doZIP = false;
  int16_t zipMode = 0;
  bool RemoveDeleted = false;
  bool UseStartTimeEndTime = false;
  TDateTime StartTime = 0;
  TDateTime FinishTime = 0;
  TDateTime Interval = 0;

  bool operator==(const ProfileRow&) const = default;
};

enum class TableState : uint8_t { kBrowse, kEdit, kInsert };

// Row events run for every change, also while controls are disabled; only DataChanged (the
// signal bound controls listen to) is held back while disabled.
class ProfileTable {
 public:
  ProfileTable() = default;
  ProfileTable(const ProfileTable&) = delete;
  ProfileTable& operator=(const ProfileTable&) = delete;

  // --- rows and position
  // Number of rows, counting a row being inserted.
  size_t RecordCount() const { return rows_.size(); }
  bool IsEmpty() const { return rows_.empty(); }
  // 1-based number of the current row; 0 when the table is empty.
  size_t RecNo() const { return rows_.empty() ? 0 : current_ + 1; }
  // True after Next() on the last row (or on an empty table); any other move clears it.
  bool Eof() const { return eof_ || rows_.empty(); }
  // Row by 0-based index, for the grid; the current row shows its unposted values.
  const ProfileRow& Row(size_t index) const;
  // The current row with its unposted values. The table must not be empty.
  const ProfileRow& Current() const { return Row(current_); }

  TableState state() const { return state_; }
  bool Editing() const { return state_ != TableState::kBrowse; }
  // The current row differs from what was posted (an inserted row always counts as changed).
  bool Modified() const;

  // --- moving. Each first ends a pending edit as CheckBrowseMode() does; false when that
  // post was refused (the table then stays where it was, still editing).
  bool MoveTo(size_t rec_no);  // 1-based; clamped to the rows there are
  bool First();
  bool Last();
  bool Next();
  bool Prior();
  // Posts a pending changed edit or cancels an unchanged one; false when the post is refused.
  bool CheckBrowseMode();

  // --- row operations
  // Adds a new row at the end (Append) or before the current row (Insert) in insert state and
  // fires AfterInsert, then AfterScroll. False when a pending edit could not be posted.
  bool Append();
  bool Insert();
  // Puts the current row into edit state; on an empty table appends a new row instead.
  bool Edit();
  // Posts the current row: BeforePost may refuse (false; the row stays in its state with its
  // values). True in browse state (nothing to post).
  bool Post();
  // Discards the changes of the current row, or the row being inserted.
  void Cancel();
  // Deletes the current row (a row being inserted is discarded). Nothing on an empty table.
  void Delete();

  // --- typed field access on the current row. Reading an empty table gives the never-set
  // value. Setting on an empty table appends a row; in browse state it starts editing. Texts
  // are cut at a UTF-8 character boundary to the field's size; StartTime and FinishTime keep
  // only the time of day; date-times are kept to the millisecond. Using a field with the
  // wrong type throws std::logic_error (a programming error).
  bool AsBool(ProfileField field) const;
  int16_t AsInt(ProfileField field) const;
  std::string AsText(ProfileField field) const;
  TDateTime AsDateTime(ProfileField field) const;  // also for StartTime/FinishTime/Interval

  void SetBool(ProfileField field, bool value);
  void SetInt(ProfileField field, int16_t value);
  void SetText(ProfileField field, std::string_view value);
  // False, and nothing changes, when the value is not a date-time the table can hold (not a
  // number, or outside the years 1 to 9999).
  bool SetDateTime(ProfileField field, TDateTime value);

  // --- sorting. Sorts the rows themselves by one field (texts compared byte-wise, so with
  // regard to case; equal keys keep their order) and keeps the current profile current.
  // A pending edit is ended first; false when its post was refused.
  bool SortBy(ProfileField field, bool ascending);

  // --- notifications of bound controls
  // Nested: DataChanged is held back until the last EnableControls(), which then fires it
  // once so that bound controls show the row that is current by then.
  void DisableControls() { ++disable_count_; }
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }

  // --- events
  ui::Signal<> AfterInsert;
  // Handlers set the flag to false to refuse the post; they may change fields of the row.
  ui::Signal<bool&> BeforePost;
  ui::Signal<> AfterPost;
  ui::Signal<> AfterScroll;
  // A field of the current row got a different value.
  ui::Signal<ProfileField> FieldChanged;
  // Something a bound control shows changed: values, rows, position or state.
  ui::Signal<> DataChanged;

 private:
  ProfileRow& Editable();  // the current row's edit buffer, starting an edit if needed
  bool AddRow(bool at_end);
  void SetState(TableState state);
  void NotifyData();
  void AfterFieldSet(ProfileField field, bool changed);

  std::vector<ProfileRow> rows_;
  size_t current_ = 0;
  size_t insert_from_ = 0;  // the row that was current before the row being inserted
  bool eof_ = false;
  TableState state_ = TableState::kBrowse;
  ProfileRow saved_;  // the current row as it was before the edit began (edit state)
  int disable_count_ = 0;
};

}  // namespace qm
