#include "profiles/profile_table.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"

namespace qm {

namespace {

// 0001-01-01 and the day after 9999-12-31 as day counts.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958466.0;

struct FieldInfo {
  const char* name;
  FieldType type;
  size_t text_size;
};

constexpr std::array<FieldInfo, kProfileFieldCount> kFields = {{
    {"Enabled", FieldType::kBool, 0},       {"Name", FieldType::kText, 30},
    {"SrcDir", FieldType::kText, 254},      {"DestDir", FieldType::kText, 254},
    {"FileMask", FieldType::kText, 255},    {"InclDirs", FieldType::kBool, 0},
    {"CopyCriteria", FieldType::kInt16, 0}, {"SyncMethod", FieldType::kInt16, 0},
    {"LastRun", FieldType::kDateTime, 0},   {"NextRun", FieldType::kDateTime, 0},
    {"KeepCopyKind", FieldType::kInt16, 0}, {"PSDone", FieldType::kInt16, 0},
    {"doZIP", FieldType::kBool, 0},         {"zipMode", FieldType::kInt16, 0},
    {"RemoveDeleted", FieldType::kBool, 0}, {"UseStartTimeEndTime", FieldType::kBool, 0},
    {"StartTime", FieldType::kTime, 0},     {"FinishTime", FieldType::kTime, 0},
    {"Interval", FieldType::kDateTime, 0},
}};

const FieldInfo& Info(ProfileField f) {
  return kFields[static_cast<size_t>(f)];
}

[[noreturn]] void WrongType(ProfileField f, const char* as) {
  throw std::logic_error(std::string("profile field ") + Info(f).name + " is not " + as);
}

template <class Row>
auto* BoolOf(Row& r, ProfileField f) {
  switch (f) {
    case ProfileField::Enabled:
      return &r.Enabled;
    case ProfileField::InclDirs:
      return &r.InclDirs;
    case ProfileField::doZIP:
      return &r.doZIP;
    case ProfileField::RemoveDeleted:
      return &r.RemoveDeleted;
    case ProfileField::UseStartTimeEndTime:
      return &r.UseStartTimeEndTime;
    default:
      WrongType(f, "true/false");
  }
}

template <class Row>
auto* IntOf(Row& r, ProfileField f) {
  switch (f) {
    case ProfileField::CopyCriteria:
      return &r.CopyCriteria;
    case ProfileField::SyncMethod:
      return &r.SyncMethod;
    case ProfileField::KeepCopyKind:
      return &r.KeepCopyKind;
    case ProfileField::PSDone:
      return &r.PSDone;
    case ProfileField::zipMode:
      return &r.zipMode;
    default:
      WrongType(f, "a whole number");
  }
}

template <class Row>
auto* TextOf(Row& r, ProfileField f) {
  switch (f) {
    case ProfileField::Name:
      return &r.Name;
    case ProfileField::SrcDir:
      return &r.SrcDir;
    case ProfileField::DestDir:
      return &r.DestDir;
    case ProfileField::FileMask:
      return &r.FileMask;
    default:
      WrongType(f, "a text");
  }
}

template <class Row>
auto* DateTimeOf(Row& r, ProfileField f) {
  switch (f) {
    case ProfileField::LastRun:
      return &r.LastRun;
    case ProfileField::NextRun:
      return &r.NextRun;
    case ProfileField::StartTime:
      return &r.StartTime;
    case ProfileField::FinishTime:
      return &r.FinishTime;
    case ProfileField::Interval:
      return &r.Interval;
    default:
      WrongType(f, "a date-time");
  }
}

void Require(ProfileField f, FieldType type, const char* as) {
  if (TypeOf(f) != type) WrongType(f, as);
}

const ProfileRow& NeverSet() {
  static const ProfileRow row;
  return row;
}

// Orders two rows by one field; false/true and numbers by value, texts byte-wise.
bool Less(const ProfileRow& x, const ProfileRow& y, ProfileField f) {
  switch (TypeOf(f)) {
    case FieldType::kBool:
      return *BoolOf(x, f) < *BoolOf(y, f);
    case FieldType::kInt16:
      return *IntOf(x, f) < *IntOf(y, f);
    case FieldType::kText:
      return *TextOf(x, f) < *TextOf(y, f);
    case FieldType::kDateTime:
    case FieldType::kTime:
      return *DateTimeOf(x, f) < *DateTimeOf(y, f);
  }
  return false;
}

}  // namespace

const std::array<ProfileField, kProfileFieldCount>& AllProfileFields() {
  static const auto fields = [] {
    std::array<ProfileField, kProfileFieldCount> all{};
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<ProfileField>(i);
    return all;
  }();
  return fields;
}

const char* FieldName(ProfileField field) {
  return Info(field).name;
}
FieldType TypeOf(ProfileField field) {
  return Info(field).type;
}
size_t TextFieldSize(ProfileField field) {
  return Info(field).text_size;
}

const ProfileRow& ProfileTable::Row(size_t index) const {
  if (index >= rows_.size()) throw std::out_of_range("profile table row out of range");
  return rows_[index];
}

bool ProfileTable::Modified() const {
  switch (state_) {
    case TableState::kInsert:
      return true;
    case TableState::kEdit:
      return rows_[current_] != saved_;
    case TableState::kBrowse:
      return false;
  }
  return false;
}

// --- moving

bool ProfileTable::CheckBrowseMode() {
  if (state_ == TableState::kBrowse) return true;
  if (Modified()) return Post();
  // An edit that changed nothing ends quietly: nothing to check, nothing to restore.
  SetState(TableState::kBrowse);
  return true;
}

bool ProfileTable::MoveTo(size_t rec_no) {
  if (!CheckBrowseMode()) return false;
  eof_ = false;
  if (rows_.empty()) return true;
  const size_t target = std::clamp<size_t>(rec_no, 1, rows_.size()) - 1;
  if (target != current_) {
    current_ = target;
    AfterScroll();
    NotifyData();
  }
  return true;
}

bool ProfileTable::First() {
  return MoveTo(1);
}
bool ProfileTable::Last() {
  return MoveTo(rows_.size());
}

bool ProfileTable::Next() {
  if (!CheckBrowseMode()) return false;
  if (rows_.empty() || current_ + 1 >= rows_.size()) {
    eof_ = true;
    return true;
  }
  return MoveTo(current_ + 2);
}

bool ProfileTable::Prior() {
  if (!CheckBrowseMode()) return false;
  return MoveTo(current_ == 0 ? 1 : current_);
}

// --- row operations

bool ProfileTable::AddRow(bool at_end) {
  if (!CheckBrowseMode()) return false;
  insert_from_ = current_;
  const size_t at = (at_end || rows_.empty()) ? rows_.size() : current_;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), ProfileRow{});
  current_ = at;
  eof_ = false;
  state_ = TableState::kInsert;
  AfterInsert();
  AfterScroll();
  NotifyData();
  return true;
}

bool ProfileTable::Append() {
  return AddRow(true);
}
bool ProfileTable::Insert() {
  return AddRow(false);
}

bool ProfileTable::Edit() {
  if (rows_.empty()) return Append();
  if (state_ != TableState::kBrowse) return true;
  saved_ = rows_[current_];
  SetState(TableState::kEdit);
  return true;
}

bool ProfileTable::Post() {
  if (state_ == TableState::kBrowse) return true;
  bool accept = true;
  BeforePost(accept);
  if (!accept) return false;
  SetState(TableState::kBrowse);
  AfterPost();
  return true;
}

void ProfileTable::Cancel() {
  switch (state_) {
    case TableState::kBrowse:
      return;
    case TableState::kInsert:
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current_));
      // Back to the row that was current before the new one came.
      current_ = rows_.empty() ? 0 : std::min(insert_from_, rows_.size() - 1);
      break;
    case TableState::kEdit:
      rows_[current_] = saved_;
      break;
  }
  state_ = TableState::kBrowse;
  AfterScroll();
  NotifyData();
}

void ProfileTable::Delete() {
  if (rows_.empty()) return;
  if (state_ == TableState::kInsert) {
    Cancel();
    return;
  }
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current_));
  if (current_ >= rows_.size()) current_ = rows_.empty() ? 0 : rows_.size() - 1;
  state_ = TableState::kBrowse;
  AfterScroll();
  NotifyData();
  AfterDelete();
}

// --- fields

bool ProfileTable::AsBool(ProfileField field) const {
  const ProfileRow& r = rows_.empty() ? NeverSet() : rows_[current_];
  return *BoolOf(r, field);
}

int16_t ProfileTable::AsInt(ProfileField field) const {
  const ProfileRow& r = rows_.empty() ? NeverSet() : rows_[current_];
  return *IntOf(r, field);
}

std::string ProfileTable::AsText(ProfileField field) const {
  const ProfileRow& r = rows_.empty() ? NeverSet() : rows_[current_];
  return *TextOf(r, field);
}

TDateTime ProfileTable::AsDateTime(ProfileField field) const {
  const ProfileRow& r = rows_.empty() ? NeverSet() : rows_[current_];
  return *DateTimeOf(r, field);
}

ProfileRow& ProfileTable::Editable() {
  if (state_ == TableState::kBrowse) Edit();
  return rows_[current_];
}

void ProfileTable::SetBool(ProfileField field, bool value) {
  Require(field, FieldType::kBool, "true/false");  // before a row is added for it
  bool& slot = *BoolOf(Editable(), field);
  const bool changed = slot != value;
  slot = value;
  AfterFieldSet(field, changed);
}

void ProfileTable::SetInt(ProfileField field, int16_t value) {
  Require(field, FieldType::kInt16, "a whole number");
  int16_t& slot = *IntOf(Editable(), field);
  const bool changed = slot != value;
  slot = value;
  AfterFieldSet(field, changed);
}

void ProfileTable::SetText(ProfileField field, std::string_view value) {
  Require(field, FieldType::kText, "a text");
  const std::string_view cut = CutUtf8(value, TextFieldSize(field));
  std::string& slot = *TextOf(Editable(), field);
  const bool changed = slot != cut;
  slot.assign(cut);
  AfterFieldSet(field, changed);
}

bool ProfileTable::SetDateTime(ProfileField field, TDateTime value) {
  if (TypeOf(field) != FieldType::kTime) Require(field, FieldType::kDateTime, "a date-time");
  if (!std::isfinite(value) || value < kMinDateTime || value >= kMaxDateTime) return false;
  TDateTime kept = RoundToMillisecond(value);
  if (TypeOf(field) == FieldType::kTime) kept = TimeOf(kept);
  TDateTime& slot = *DateTimeOf(Editable(), field);
  const bool changed = slot != kept;
  slot = kept;
  AfterFieldSet(field, changed);
  return true;
}

void ProfileTable::AfterFieldSet(ProfileField field, bool changed) {
  if (!changed) return;
  FieldChanged(field);
  NotifyData();
}

// --- sorting

bool ProfileTable::SortBy(ProfileField field, bool ascending) {
  if (!CheckBrowseMode()) return false;
  if (rows_.size() < 2) return true;
  std::vector<size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return ascending ? Less(rows_[a], rows_[b], field) : Less(rows_[b], rows_[a], field);
  });
  std::vector<ProfileRow> sorted;
  sorted.reserve(rows_.size());
  size_t new_current = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == current_) new_current = i;
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  current_ = new_current;
  AfterScroll();
  NotifyData();
  AfterSort();
  return true;
}

// --- notifications

void ProfileTable::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0) return;
  DataChanged();
}

void ProfileTable::SetState(TableState state) {
  if (state_ == state) return;
  state_ = state;
  NotifyData();
}

void ProfileTable::NotifyData() {
  if (disable_count_ == 0) DataChanged();
}

}  // namespace qm
