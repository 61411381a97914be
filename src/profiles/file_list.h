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
// directories in a table, each file as an 8-byte entry (time, size up to 32 MiB, attributes)
// and a record in an arena (its bare name and, when it has one, its name's key); larger sizes
// are kept aside. The full path (the text) and the relative `Name` are made when asked. A
// file's record is found from the mark of every eighth entry, so that entries need not hold an
// offset. Entries and records are stored in fixed-size blocks that never move, so a growing
// list neither copies itself nor holds twice its size for a moment. Entries keep the order they
// were added in, and equal texts may occur, as in every NamedList.
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
  // Writes Name(i) and Text(i) at once, for a pass that needs both of every file: the entry's
  // directory and record are found once.
  void NameAndTextInto(size_t i, std::string& name, std::string& text) const;
  // Name(i).size(), without making it.
  size_t NameSize(size_t i) const;
  // Whether Name(i) begins with `prefix`, or equals `name`.
  bool NameStartsWith(size_t i, std::string_view prefix) const;
  bool NameEquals(size_t i, std::string_view name) const;
  int32_t Time(size_t i) const { return static_cast<int32_t>(At(i).time); }
  int64_t Size(size_t i) const;
  // The attributes' low seven bits, the only ones a list keeps.
  int32_t Attr(size_t i) const { return static_cast<int32_t>(At(i).attr); }
  int32_t Matched(size_t i) const;
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
  // Bytes in fixed-size blocks that never move; offsets run on from one block to the next. A
  // block left with room ends in a 0xFF byte, so that records walked one after another show
  // where they move on to the next block.
  class Arena {
   public:
    static constexpr size_t kBlockBits = 18;  // 256 KiB a block
    static constexpr size_t kBlockSize = size_t{1} << kBlockBits;
    Arena() = default;
    Arena(const Arena& other) { *this = other; }
    Arena& operator=(const Arena& other);
    Arena(Arena&&) noexcept = default;
    Arena& operator=(Arena&&) noexcept = default;

    // Room for `n` bytes in one block; `at` gets its offset.
    char* Reserve(size_t n, uint32_t& at);
    uint32_t Store(std::string_view s);
    const char* Ptr(uint32_t at) const {
      return blocks_[at >> kBlockBits].get() + (at & (kBlockSize - 1));
    }
    std::string_view Slice(uint32_t at, size_t len) const {
      return len == 0 ? std::string_view() : std::string_view(Ptr(at), len);
    }
    void Clear();
    size_t MemoryUsed() const;

   private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = 0;  // in the last block
  };

  struct Dir {
    uint32_t path, path_len;      // dir_texts_ slice: the directory as texts begin
    uint32_t prefix, prefix_len;  // dir_texts_ slice: the relative name prefix
  };
  // Files of one directory added one after the other: a run of entries from `first` on.
  struct Run {
    uint32_t first;
    uint32_t dir;
  };
  struct Entry {
    uint32_t time;
    uint32_t size : 25;  // bytes; kBigSize when the size is kept aside in big_sizes_
    uint32_t attr : 7;
  };
  static_assert(sizeof(Entry) == 8);
  static constexpr uint32_t kBigSize = (uint32_t{1} << 25) - 1;
  static constexpr size_t kMarkBits = 3;    // a record mark every 8 entries
  static constexpr size_t kEntryBits = 14;  // 16,384 entries a block
  static constexpr size_t kEntries = size_t{1} << kEntryBits;
  struct Block {
    Entry entries[kEntries];
    uint32_t marks[kEntries >> kMarkBits];  // names_ offset of every eighth entry's record
    uint64_t matched[kEntries / 64];        // a bit an entry
  };

  const Entry& At(size_t i) const { return blocks_[i >> kEntryBits]->entries[i & (kEntries - 1)]; }
  // names_ offset of entry i's record, walked to from the last mark.
  uint32_t RecordOf(size_t i) const;
  const Dir& DirOf(size_t i) const;
  // The name as found and the bare name as the relative name uses it (its key when it has
  // one), read from entry i's record.
  struct Bare {
    std::string_view found, own;
  };
  Bare BareOf(size_t i) const;

  size_t count_ = 0;
  std::vector<std::unique_ptr<Block>> blocks_;
  std::vector<Run> runs_;
  std::vector<Dir> dirs_;
  Arena names_;                                          // the files' records
  Arena dir_texts_;                                      // the directories' paths and prefixes
  std::vector<std::pair<uint32_t, int64_t>> big_sizes_;  // by entry, ascending
};

}  // namespace qm
