#include "engine/destination_index.h"

#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

namespace qm {
namespace {

uint32_t HashOf(std::string_view s) {
  const size_t h = std::hash<std::string_view>{}(s);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

}  // namespace

DestinationIndex::DestinationIndex(const NamedList<ScannedFile>& dest, bool doZIP,
                                   int16_t KeepCopyKind)
    : dest_(dest), sequence_(KeepCopyKind == kKeepSequence) {
  const size_t count = dest.Count();
  if (count >= kNone) throw std::length_error("destination list too long");
  // Two-thirds full at most; the tag byte ends most probes of other names without a look at
  // the list.
  slots_.assign(count + count / 2 + 1, kNone);
  tags_.assign(slots_.size(), 0);

  std::string name;
  if (doZIP || KeepCopyKind != kKeepNone) {
    // The running maximum needs the list's order; the reduced names are kept as lengths.
    reduced_size_.resize(count);
    if (sequence_) prefix_m_.resize(count);
    int64_t m = 0;
    for (size_t i = 0; i < count; ++i) {
      dest.NameInto(i, name);
      const auto reduced = ReduceDestinationName(name, doZIP, KeepCopyKind, m);
      reduced_size_[i] = reduced ? static_cast<uint32_t>(reduced->size()) : kNone;
      if (sequence_) prefix_m_[i] = m;
    }
    max_sequence_ = m;
  }
  // Backwards, so that each name's chain, built from its front, ends up in list order.
  for (size_t i = count; i-- > 0;) {
    const size_t size = ReducedSize(static_cast<uint32_t>(i));
    if (size == kNone) continue;
    dest.NameInto(i, name);
    Insert(static_cast<uint32_t>(i), std::string_view(name).substr(0, size));
  }
}

void DestinationIndex::Insert(uint32_t entry, std::string_view reduced) {
  const uint32_t hash = HashOf(reduced);
  size_t slot = 0;
  const uint32_t first = Find(reduced, hash, slot);
  if (first != kNone) {
    // Most lists never repeat a name: the chain exists only once one does.
    if (next_.empty()) next_.assign(dest_.Count(), kNone);
    next_[entry] = first;
  }
  slots_[slot] = entry;
  tags_[slot] = static_cast<uint8_t>(hash);
}

uint32_t DestinationIndex::Find(std::string_view reduced, uint32_t hash, size_t& slot) const {
  const size_t size = slots_.size();
  const auto tag = static_cast<uint8_t>(hash);
  for (slot = static_cast<size_t>((uint64_t{hash} * size) >> 32);;
       slot = slot + 1 == size ? 0 : slot + 1) {
    const uint32_t entry = slots_[slot];
    if (entry == kNone) return kNone;
    if (tags_[slot] != tag) continue;
    if (reduced_size_.empty()
            ? dest_.NameEquals(entry, reduced)
            : reduced_size_[entry] == reduced.size() && dest_.NameStartsWith(entry, reduced)) {
      return entry;
    }
  }
}

DestinationIndex::Pairing DestinationIndex::Pair(std::string_view source_name,
                                                 DosDateTime source_time) const {
  Pairing result;
  result.M = max_sequence_;
  size_t slot = 0;
  const uint32_t first = Find(source_name, HashOf(source_name), slot);
  if (first == kNone) return result;
  result.named = Members(this, first, kNone);
  // The walk stops at the first entry of this name that is at least as new as the source.
  for (uint32_t j = first; j != kNone; j = Next(j)) {
    if (static_cast<DosDateTime>(dest_.Time(j)) >= source_time) {
      result.matched = Members(this, first, j);
      result.copy_needed = false;
      result.M = sequence_ ? prefix_m_[j] : 0;
      return result;
    }
  }
  result.matched = result.named;
  return result;
}

DestinationIndex::Members DestinationIndex::EntriesNamed(std::string_view source_name) const {
  size_t slot = 0;
  const uint32_t first = Find(source_name, HashOf(source_name), slot);
  return first == kNone ? Members() : Members(this, first, kNone);
}

size_t DestinationIndex::MemoryUsed() const {
  return sizeof(*this) + slots_.capacity() * sizeof(uint32_t) + tags_.capacity() +
         next_.capacity() * sizeof(uint32_t) + reduced_size_.capacity() * sizeof(uint32_t) +
         prefix_m_.capacity() * sizeof(int64_t);
}

FirstByName::FirstByName(const NamedList<ScannedFile>& list) : list_(list) {
  const size_t count = list.Count();
  if (count >= kNone) throw std::length_error("file list too long");
  slots_.resize(std::bit_ceil(count * 2 + 2));
  const size_t mask = slots_.size() - 1;
  std::string name;
  for (size_t i = 0; i < count; ++i) {
    list.NameInto(i, name);
    const uint32_t hash = HashOf(name);
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
      Slot& slot = slots_[s];
      if (slot.entry == kNone) {
        slot = {hash, static_cast<uint32_t>(i), static_cast<uint32_t>(name.size())};
        break;
      }
      // An equal name found earlier keeps its place: the first one wins.
      if (slot.hash == hash && slot.length == name.size() &&
          list.NameStartsWith(slot.entry, name)) {
        break;
      }
    }
  }
}

uint32_t FirstByName::Find(std::string_view name) const {
  const uint32_t hash = HashOf(name);
  const size_t mask = slots_.size() - 1;
  for (size_t s = hash & mask;; s = (s + 1) & mask) {
    const Slot& slot = slots_[s];
    if (slot.entry == kNone) return kNone;
    if (slot.hash == hash && slot.length == name.size() && list_.NameStartsWith(slot.entry, name)) {
      return slot.entry;
    }
  }
}

}  // namespace qm
