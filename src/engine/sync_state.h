// What both folders of a two-way profile held after its last completed synchronisation: size and
// time of each file on each side. Kept in one compact file per pair of folders in the data
// directory, never inside the folders themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace qm {

// One side of a file: its size and DOS time, or absent.
struct SideState {
  int64_t size = -1;  // -1: no file on this side
  DosDateTime time = 0;

  bool present() const { return size >= 0; }
  bool operator==(const SideState&) const = default;
};

struct PairState {
  SideState src, dest;
};

class SyncState {
 public:
  enum class Loaded { kLoaded, kMissing, kUnreadable, kOtherFolders };

  // The state file of the folders `src` and `dest` below `data_dir`.
  static std::string PathFor(const std::string& data_dir, const std::string& src,
                             const std::string& dest);

  // Reads the state of `src` and `dest` from `path`. Anything but kLoaded leaves it empty: a
  // file that is damaged, of another format or of other folders is not trusted.
  // `bytes`, when given, receives what was read.
  Loaded Read(FileSystem& fs, const std::string& path, const std::string& src,
              const std::string& dest, std::string* bytes = nullptr);
  // Parses the bytes of a state file as Read does.
  Loaded Parse(std::string_view bytes, const std::string& src, const std::string& dest);

  // Adds a file, in any order; of equal names only the first added is kept.
  void Add(std::string_view name, const PairState& state);
  // Room for `files` files.
  void Reserve(size_t files);
  // The file's state, when the state knows it. Only after Read or Parse.
  std::optional<PairState> Find(std::string_view name) const;
  size_t Count() const { return entries_.size(); }

  // The bytes of the state file: the folders, then the files sorted by name, each name
  // sharing its prefix with the one before, and a checksum.
  std::string Serialize(const std::string& src, const std::string& dest);

 private:
  struct Entry {
    uint32_t name;  // offset into names_
    uint32_t name_len;
    PairState state;
  };
  std::string_view NameOf(const Entry& e) const { return {names_.data() + e.name, e.name_len}; }

  std::vector<Entry> entries_;  // sorted by name after Read, Parse or Serialize
  std::string names_;
};

}  // namespace qm
