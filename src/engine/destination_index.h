// An index of a snapshot's destination list for pairing source files with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
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
// keep its entries. It holds entry numbers only, the names stay in the list: an open-addressing
// table two-thirds full with a byte of each hash beside it (about 8 bytes per destination
// entry), a chain to the next entry of the same name once a name repeats, and the reduced
// lengths when names are reduced.
class DestinationIndex {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  // Entries of one reduced name in list order, from `first` up to and including `last` (all of
  // them when `last` is kNone).
  class Members {
   public:
    class Iterator {
     public:
      using iterator_category = std::forward_iterator_tag;
      using value_type = uint32_t;
      using difference_type = std::ptrdiff_t;
      using pointer = const uint32_t*;
      using reference = uint32_t;
      Iterator() = default;
      Iterator(const DestinationIndex* index, uint32_t at, uint32_t last)
          : index_(index), at_(at), last_(last) {}
      uint32_t operator*() const { return at_; }
      Iterator& operator++() {
        at_ = at_ == last_ ? kNone : index_->Next(at_);
        return *this;
      }
      Iterator operator++(int) {
        Iterator before = *this;
        ++*this;
        return before;
      }
      bool operator==(const Iterator& o) const { return at_ == o.at_; }

     private:
      const DestinationIndex* index_ = nullptr;
      uint32_t at_ = kNone, last_ = kNone;
    };
    Members() = default;
    Members(const DestinationIndex* index, uint32_t first, uint32_t last)
        : index_(index), first_(first), last_(last) {}
    Iterator begin() const { return {index_, first_, last_}; }
    Iterator end() const { return {index_, kNone, last_}; }
    bool empty() const { return first_ == kNone; }
    uint32_t back() const { return last_; }  // only when not empty
    size_t size() const { return static_cast<size_t>(std::distance(begin(), end())); }

   private:
    const DestinationIndex* index_ = nullptr;
    uint32_t first_ = kNone, last_ = kNone;
  };

  DestinationIndex(const NamedList<ScannedFile>& dest, bool doZIP, int16_t KeepCopyKind);

  struct Pairing {
    // Destination entries the walk reaches with an equal reduced name, in list order: all of
    // them when a copy is needed, else up to and including the first at least as new.
    Members matched;
    // Every destination entry whose reduced name is the source's, in list order.
    Members named;
    // No destination entry of that name is at least as new (times compared unsigned).
    bool copy_needed = true;
    // The running maximum of sequence numbers when the walk ends: over the whole list when a
    // copy is needed. 0 outside sequence mode.
    int64_t M = 0;
  };
  Pairing Pair(std::string_view source_name, DosDateTime source_time) const;

  // Every destination entry whose reduced name is `source_name`, in list order.
  Members EntriesNamed(std::string_view source_name) const;
  // The largest sequence number in the whole list (0 when none, or outside sequence mode).
  int64_t MaxSequence() const { return max_sequence_; }
  // Bytes of memory the index holds.
  size_t MemoryUsed() const;

 private:
  uint32_t Next(uint32_t entry) const { return next_.empty() ? kNone : next_[entry]; }
  size_t ReducedSize(uint32_t entry) const {
    return reduced_size_.empty() ? dest_.NameSize(entry) : reduced_size_[entry];
  }
  // The first entry of `reduced` (hash `hash`), or kNone; `slot` ends at its slot or a free one.
  uint32_t Find(std::string_view reduced, uint32_t hash, size_t& slot) const;
  void Insert(uint32_t entry, std::string_view reduced);

  const NamedList<ScannedFile>& dest_;
  bool sequence_;
  std::vector<uint32_t> slots_;         // first entry of each reduced name, kNone where free
  std::vector<uint8_t> tags_;           // the low byte of each slot's hash
  std::vector<uint32_t> next_;          // the next entry of the same reduced name, or kNone
  std::vector<uint32_t> reduced_size_;  // ZIP or kept copies: kNone for entries that stand
                                        // for no source name
  std::vector<int64_t> prefix_m_;       // sequence mode: M after the walk passed entry i
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
