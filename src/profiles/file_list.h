// The files a folder scan found: one file as an object, and the compact list of a
// snapshot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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
// directories in a table, each file as one 16-byte entry with its bare name in an arena; the
// full path (the text) and the relative `Name` are made when asked. Entries and names are
// stored in fixed-size blocks that never move, so a growing list neither copies itself nor
// holds twice its size for a moment. Entries keep the order they were added in, and equal
// texts may occur, as in every NamedList.
template <>
class NamedList<ScannedFile> {
 public:
  NamedList() = default;
  NamedList(const NamedList& other) { *this = other; }
  NamedList& operator=(const NamedList& other);
  NamedList(NamedList&&) noexcept = default;
  NamedList& operator=(NamedList&&) noexcept = default;

  size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // The full path: the directory as scanned (with its separator) and the name as found.
  std::string Text(size_t i) const;
  // A copy of entry i as an object; the list's own entries change only through SetMatched.
  ScannedFile Object(size_t i) const;

  // The fields one by one, without making an object.
  std::string Name(size_t i) const;
  // Writes Name(i) into `out`, reusing its storage.
  void NameInto(size_t i, std::string& out) const;
  // Name(i).size(), without making it.
  size_t NameSize(size_t i) const;
  // Whether Name(i) begins with `prefix`.
  bool NameStartsWith(size_t i, std::string_view prefix) const;
  int32_t Time(size_t i) const { return static_cast<int32_t>(At(i).time); }
  int64_t Size(size_t i) const;
  int32_t Attr(size_t i) const { return static_cast<int32_t>(At(i).attr); }
  int32_t Matched(size_t i) const { return (At(i).flags & kMatched) != 0 ? 1 : 0; }
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
  static constexpr uint8_t kOwnKey = 2;   // the name's key follows the name in the arena
  static constexpr uint8_t kBigSize = 8;  // the size did not fit: it is in big_sizes_
  struct Dir {
    uint32_t path, path_len;      // arena slice: the directory as texts begin
    uint32_t prefix, prefix_len;  // arena slice: the relative name prefix
  };
  // Files of one directory added one after the other: a run of entries from `first` on.
  struct Run {
    uint32_t first;
    uint32_t dir;
  };
  struct Entry {
    uint32_t name;  // arena offset of the name's length (1 or 3 bytes), then the name
    uint32_t time;
    int64_t size : 48;  // bytes; larger sizes are kept aside (kBigSize)
    uint64_t attr : 8;
    uint64_t flags : 8;
  };
  static_assert(sizeof(Entry) == 16);
  static constexpr size_t kEntryBits = 13;  // 8192 entries (128 KiB) a block
  static constexpr size_t kArenaBits = 18;  // 256 KiB of names a block

  const Entry& At(size_t i) const {
    return entry_blocks_[i >> kEntryBits][i & ((size_t{1} << kEntryBits) - 1)];
  }
  Entry& At(size_t i) {
    return entry_blocks_[i >> kEntryBits][i & ((size_t{1} << kEntryBits) - 1)];
  }
  const char* Ptr(uint32_t at) const {
    return arena_blocks_[at >> kArenaBits].get() + (at & ((uint32_t{1} << kArenaBits) - 1));
  }
  std::string_view Slice(uint32_t at, size_t len) const {
    return len == 0 ? std::string_view() : std::string_view(Ptr(at), len);
  }
  // Room for `n` bytes in one block of the arena; `at` gets its offset.
  char* Reserve(size_t n, uint32_t& at);
  uint32_t Store(std::string_view s);
  const Dir& DirOf(size_t i) const;
  // The bare name of entry i as the relative name uses it (its key when it has one).
  std::string_view OwnName(size_t i) const;

  size_t count_ = 0;
  std::vector<std::unique_ptr<Entry[]>> entry_blocks_;
  std::vector<Run> runs_;
  std::vector<Dir> dirs_;
  std::vector<std::unique_ptr<char[]>> arena_blocks_;
  size_t arena_used_ = 0;                                // in the last block
  std::vector<std::pair<uint32_t, int64_t>> big_sizes_;  // by entry, ascending
};

}  // namespace qm
