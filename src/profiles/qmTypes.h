// The profile in its record and snapshot forms, and the owning list that holds snapshots and
// file lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/date_time.h"

namespace qm {

// One profile as the store file holds it: 1682 bytes, packed, little-endian. The doubles lie
// at odd offsets, so every field is read and written through byte copies, never in place.
// Texts are a length byte followed by UTF-8 bytes; a text cut to a field's size is cut at a
// character boundary.
class TProfileRecord {
 public:
  static constexpr size_t kSize = 1682;
  // Byte offsets of the layout.
  static constexpr size_t kEnabled = 0, kName = 1, kSrcDir = 42, kDestDir = 298, kFileMask = 554,
                          kInclDirs = 810, kCopyCriteria = 811, kSyncMethod = 813, kLastRun = 815,
                          kNextRun = 823, kKeepCopyKind = 831, kPSDone = 833, kdoZIP = 835,
                          kzipMode = 836, kRemoveDeleted = 838, kInterval = 839,
                          kUseStartTimeEndTime = 847, kStartTime = 848, kFinishTime = 856,
                          kReserved = 864;
  static constexpr size_t kNameChars = 40, kDirChars = 255;

  using Bytes = std::array<std::byte, kSize>;

  TProfileRecord() { bytes_.fill(std::byte{0}); }
  explicit TProfileRecord(const Bytes& bytes) : bytes_(bytes) {}

  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }
  void Clear() { bytes_.fill(std::byte{0}); }

  // Any byte other than 0 reads as true; true is written as 1.
  bool Enabled() const { return GetBool(kEnabled); }
  void SetEnabled(bool v) { SetBool(kEnabled, v); }
  std::string Name() const { return GetText(kName, kNameChars); }
  void SetName(std::string_view v) { SetText(kName, kNameChars, v); }
  std::string SrcDir() const { return GetText(kSrcDir, kDirChars); }
  void SetSrcDir(std::string_view v) { SetText(kSrcDir, kDirChars, v); }
  std::string DestDir() const { return GetText(kDestDir, kDirChars); }
  void SetDestDir(std::string_view v) { SetText(kDestDir, kDirChars, v); }
  std::string FileMask() const { return GetText(kFileMask, kDirChars); }
  void SetFileMask(std::string_view v) { SetText(kFileMask, kDirChars, v); }
  bool InclDirs() const { return GetBool(kInclDirs); }
  void SetInclDirs(bool v) { SetBool(kInclDirs, v); }
  int16_t CopyCriteria() const { return GetInt16(kCopyCriteria); }
  void SetCopyCriteria(int16_t v) { SetInt16(kCopyCriteria, v); }
  int16_t SyncMethod() const { return GetInt16(kSyncMethod); }
  void SetSyncMethod(int16_t v) { SetInt16(kSyncMethod, v); }
  TDateTime LastRun() const { return GetDouble(kLastRun); }
  void SetLastRun(TDateTime v) { SetDouble(kLastRun, v); }
  TDateTime NextRun() const { return GetDouble(kNextRun); }
  void SetNextRun(TDateTime v) { SetDouble(kNextRun, v); }
  int16_t KeepCopyKind() const { return GetInt16(kKeepCopyKind); }
  void SetKeepCopyKind(int16_t v) { SetInt16(kKeepCopyKind, v); }
  int16_t PSDone() const { return GetInt16(kPSDone); }
  void SetPSDone(int16_t v) { SetInt16(kPSDone, v); }
  bool doZIP() const { return GetBool(kdoZIP); }
  void SetdoZIP(bool v) { SetBool(kdoZIP, v); }
  int16_t zipMode() const { return GetInt16(kzipMode); }
  void SetzipMode(int16_t v) { SetInt16(kzipMode, v); }
  bool RemoveDeleted() const { return GetBool(kRemoveDeleted); }
  void SetRemoveDeleted(bool v) { SetBool(kRemoveDeleted, v); }
  TDateTime Interval() const { return GetDouble(kInterval); }
  void SetInterval(TDateTime v) { SetDouble(kInterval, v); }
  bool UseStartTimeEndTime() const { return GetBool(kUseStartTimeEndTime); }
  void SetUseStartTimeEndTime(bool v) { SetBool(kUseStartTimeEndTime, v); }
  TDateTime StartTime() const { return GetDouble(kStartTime); }
  void SetStartTime(TDateTime v) { SetDouble(kStartTime, v); }
  TDateTime FinishTime() const { return GetDouble(kFinishTime); }
  void SetFinishTime(TDateTime v) { SetDouble(kFinishTime, v); }

 private:
  bool GetBool(size_t at) const { return bytes_[at] != std::byte{0}; }
  void SetBool(size_t at, bool v) { bytes_[at] = std::byte{v ? uint8_t{1} : uint8_t{0}}; }
  int16_t GetInt16(size_t at) const;
  void SetInt16(size_t at, int16_t v);
  double GetDouble(size_t at) const;
  void SetDouble(size_t at, double v);
  std::string GetText(size_t at, size_t capacity) const;
  void SetText(size_t at, size_t capacity, std::string_view v);

  Bytes bytes_;
};
static_assert(sizeof(TProfileRecord) == TProfileRecord::kSize);

// The longest prefix of `text` of at most `max_bytes` bytes that does not split a UTF-8
// character.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

// SyncMethod values of a profile, as stored.
inline constexpr int16_t kSyncOneWay = 0;    // "From Source to Destination only"
inline constexpr int16_t kSyncBothWays = 1;  // both directions
// KeepCopyKind values of a profile, as stored: what becomes of a copy a newer one replaces.
inline constexpr int16_t kKeepNone = 0;
inline constexpr int16_t kKeepSequence = 1;  // kept under a sequence number
inline constexpr int16_t kKeepDateTime = 2;  // kept under the date and time

// A list of texts, each with an object it owns. Entries keep the order they were added in;
// lookup by text ignores letter case; equal texts may occur. Objects have stable addresses
// (the engine holds the head snapshot while handlers append behind it).
template <class T>
class TWList {
 public:
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const std::string& Text(size_t i) const { return entries_[i].text; }
  T& Object(size_t i) { return *entries_[i].object; }
  const T& Object(size_t i) const { return *entries_[i].object; }

  T& Add(std::string text, std::unique_ptr<T> object) {
    entries_.push_back({std::move(text), std::move(object)});
    return *entries_.back().object;
  }
  void Delete(size_t i) { entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Clear() { entries_.clear(); }

  // Index of the first entry whose text equals `text` without regard to ASCII letter case;
  // -1 when there is none.
  int IndexOf(std::string_view text) const {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (EqualsIgnoreCase(entries_[i].text, text)) return static_cast<int>(i);
    return -1;
  }

  static bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
      if (x != y) return false;
    }
    return true;
  }

 private:
  struct Entry {
    std::string text;
    std::unique_ptr<T> object;
  };
  std::vector<Entry> entries_;
};

// One file found by the folder scan, as an object of its own. A snapshot's lists do not keep
// these (see TWList<TFilesListItem> below): they make one when asked.
class TFilesListItem {
 public:
  std::string Name;        // path relative to the scanned top directory
  int32_t Time = 0;        // local last-write time, DOS packed; compare as uint32_t
  TDateTime DateTime = 0;  // the same moment as a date-time
  int64_t Size = 0;        // bytes, full 64 bits in memory
  int32_t Attr = 0;        // fa* bits
  int32_t Matched = 0;     // 0 or 1, set by the backup pass on destination entries
};

// A snapshot's file list. It holds the files of a whole tree, so it is kept compact: the
// directories in a table, each file as one fixed-size entry with its bare name in one arena
// per list; the full path (the text) and the relative `Name` are made when asked. Entries keep
// the order they were added in, and equal texts may occur, as in every TWList.
template <>
class TWList<TFilesListItem> {
 public:
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  // The full path: the directory as scanned (with its separator) and the name as found.
  std::string Text(size_t i) const;
  // A copy of entry i as an object; the list's own entries change only through SetMatched.
  TFilesListItem Object(size_t i) const;

  // The fields one by one, without making an object.
  std::string Name(size_t i) const;
  // Writes Name(i) into `out`, reusing its storage.
  void NameInto(size_t i, std::string& out) const;
  // Whether Name(i) begins with `prefix`.
  bool NameStartsWith(size_t i, std::string_view prefix) const;
  int32_t Time(size_t i) const { return static_cast<int32_t>(entries_[i].time); }
  int64_t Size(size_t i) const { return entries_[i].size; }
  int32_t Attr(size_t i) const { return entries_[i].attr; }
  int32_t Matched(size_t i) const { return (entries_[i].flags & kMatched) != 0 ? 1 : 0; }
  void SetMatched(size_t i, int32_t matched);
  void ClearMatched();

  // Appends a file given as a text and an object (its DateTime is derived from its Time).
  void Add(std::string_view text, std::unique_ptr<TFilesListItem> object);
  // The scan's way in: a directory once, with its path as texts start with (separator
  // included) and the prefix of its files' relative names; then each file by its bare name
  // and, when it differs (a case-folding key), the name's key of the same length.
  uint32_t AddDirectory(std::string_view path, std::string_view name_prefix);
  void AddFile(uint32_t dir, std::string_view name, std::string_view name_key, uint32_t time,
               int64_t size, uint32_t attr);
  void Clear();
  // Bytes of memory the list holds (capacities included).
  size_t MemoryUsed() const;

 private:
  static constexpr uint8_t kMatched = 1;
  static constexpr uint8_t kOwnKey = 2;  // the name's key follows the name in the arena
  struct Dir {
    uint32_t path, path_len;      // arena slice: the directory as texts begin
    uint32_t prefix, prefix_len;  // arena slice: the relative name prefix
  };
  struct Entry {
    int64_t size;
    uint32_t time;
    uint32_t dir;
    uint32_t name;  // arena offset of the bare name (and its key after it, with kOwnKey)
    uint16_t name_len;
    uint8_t attr;
    uint8_t flags;
  };
  static_assert(sizeof(Entry) == 24);

  uint32_t Store(std::string_view s);
  std::string_view Slice(uint32_t at, size_t len) const { return {arena_.data() + at, len}; }

  std::vector<Entry> entries_;
  std::vector<Dir> dirs_;
  std::vector<char> arena_;
};

// One run snapshot: the profile as it was when queued and the files found then.
class TDataItem {
 public:
  virtual ~TDataItem() = default;

  TProfileRecord Profile;
  TWList<TFilesListItem> SrcFiles;  // text: full path as found; object: the file
  TWList<TFilesListItem> DestFiles;
  TDateTime StartedAt = 0;
  int32_t FilesDone = 0;
  int32_t FilesLeft = 0;
  std::string CurrentFile;
  // A directory of the source (or destination) tree could not be listed: the list may lack
  // files that exist, so nothing may be deleted on the strength of their absence.
  bool SrcScanFailed = false;
  std::string SrcScanError;
  bool DestScanFailed = false;
  std::string DestScanError;
  // Every directory of each tree that could not be listed, as the scan named it.
  std::vector<std::string> SrcUnlistedDirs;
  std::vector<std::string> DestUnlistedDirs;
};

// Kinds of log records.
enum TLogKind : uint8_t { lkInfo = 0, lkError = 1, lkDelete = 2, lkSuccess = 3 };

}  // namespace qm
