// An index of a snapshot's destination list for pairing source files with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/kept_copy_names.h"
#include "platform/file_system.h"
#include "profiles/file_list.h"
#include "profiles/named_list.h"

namespace qm {

// Pairs source files with a snapshot's destination list in constant time per source file,
// with exactly the outcome of walking the destination list in order for each source file
// (reduce each entry, mark those whose reduced name equals the source's, stop at the first of
// them at least as new as the source). Built once per snapshot; the list must outlive it and
// keep its entries. Flat: one open-addressing table of name groups and one array of their
// members, about 30 bytes per destination entry.
class DestinationIndex {
 public:
  DestinationIndex(const NamedList<ScannedFile>& dest, bool doZIP, int16_t KeepCopyKind);

  struct Pairing {
    // Destination entries the walk reaches with an equal reduced name, in list order: all of
    // them when a copy is needed, else up to and including the first at least as new.
    std::span<const uint32_t> matched;
    // No destination entry of that name is at least as new (times compared unsigned).
    bool copy_needed = true;
    // The running maximum of sequence numbers when the walk ends: over the whole list when a
    // copy is needed. 0 outside sequence mode.
    int64_t M = 0;
  };
  Pairing Pair(std::string_view source_name, DosDateTime source_time) const;

  // Every destination entry whose reduced name is `source_name`, in list order.
  std::span<const uint32_t> EntriesNamed(std::string_view source_name) const;
  // The largest sequence number in the whole list (0 when none, or outside sequence mode).
  int64_t MaxSequence() const { return max_sequence_; }
  // Bytes of memory the index holds.
  size_t MemoryUsed() const;

 private:
  // The entries whose reduced names are equal: members_[first, first + count).
  struct Group {
    uint32_t hash;
    uint32_t entry;  // one member, whose name's first `length` bytes are the reduced name
    uint32_t length;
    uint32_t first = 0;
    uint32_t count = 0;
  };
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;

  // The group of `reduced` (hash `hash`), or kEmpty; `slot` ends at its slot or a free one.
  uint32_t Find(std::string_view reduced, uint32_t hash, size_t& slot) const;

  const NamedList<ScannedFile>& dest_;
  bool sequence_;
  std::vector<uint32_t> slots_;  // group numbers, kEmpty where free; a power of two long
  std::vector<Group> groups_;
  std::vector<uint32_t> members_;  // entry numbers, grouped, ascending inside each group
  std::vector<int64_t> prefix_m_;  // sequence mode: M after the walk passed entry i
  int64_t max_sequence_ = 0;
};

// The first entry of each `Name` in a list, as a walk of the list in order finds it. Flat, like
// DestinationIndex; the list must outlive it and keep its entries.
class FirstByName {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  explicit FirstByName(const NamedList<ScannedFile>& list);
  // The entry's number, or kNone.
  uint32_t Find(std::string_view name) const;

 private:
  struct Slot {
    uint32_t hash;
    uint32_t entry = kNone;
    uint32_t length;
  };
  const NamedList<ScannedFile>& list_;
  std::vector<Slot> slots_;  // a power of two long
};

}  // namespace qm
