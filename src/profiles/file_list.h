// The files a folder scan found: one file as an object, and the compact list of a
// snapshot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "profiles/named_list.h"

namespace qm {

// One file found by the folder scan, as an object of its own. A snapshot's lists do not keep
// these (see NamedList<ScannedFile> below): they make one when asked.
class ScannedFile {
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
// the order they were added in, and equal texts may occur, as in every NamedList.
template <>
class NamedList<ScannedFile> {
 public:
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  // The full path: the directory as scanned (with its separator) and the name as found.
  std::string Text(size_t i) const;
  // A copy of entry i as an object; the list's own entries change only through SetMatched.
  ScannedFile Object(size_t i) const;

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
  void Add(std::string_view text, std::unique_ptr<ScannedFile> object);
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

}  // namespace qm
