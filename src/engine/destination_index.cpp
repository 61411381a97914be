#include "engine/destination_index.h"

#include <bit>
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
  if (count >= kEmpty) throw std::length_error("destination list too long");
  // Half full at most, so a probe ends after a step or two.
  slots_.assign(std::bit_ceil(count * 2 + 2), kEmpty);
  if (sequence_) prefix_m_.reserve(count);
  groups_.reserve(count);
  std::vector<uint32_t> group_of(count, kEmpty);  // for the grouping below only

  std::string name;
  int64_t m = 0;
  for (size_t i = 0; i < count; ++i) {
    dest.NameInto(i, name);
    const auto reduced = ReduceDestinationName(name, doZIP, KeepCopyKind, m);
    if (sequence_) prefix_m_.push_back(m);
    if (!reduced) continue;
    const uint32_t hash = HashOf(*reduced);
    size_t slot = 0;
    uint32_t g = Find(*reduced, hash, slot);
    if (g == kEmpty) {
      g = static_cast<uint32_t>(groups_.size());
      groups_.push_back({hash, static_cast<uint32_t>(i), static_cast<uint32_t>(reduced->size())});
      slots_[slot] = g;
    }
    ++groups_[g].count;
    group_of[i] = g;
  }
  max_sequence_ = m;

  uint32_t next = 0;
  for (Group& g : groups_) {
    g.first = next;
    next += g.count;
    g.count = 0;
  }
  members_.resize(next);
  for (size_t i = 0; i < count; ++i) {
    if (group_of[i] == kEmpty) continue;
    Group& g = groups_[group_of[i]];
    members_[g.first + g.count++] = static_cast<uint32_t>(i);
  }
}

uint32_t DestinationIndex::Find(std::string_view reduced, uint32_t hash, size_t& slot) const {
  const size_t mask = slots_.size() - 1;
  for (slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t g = slots_[slot];
    if (g == kEmpty) return kEmpty;
    const Group& group = groups_[g];
    if (group.hash == hash && group.length == reduced.size() &&
        dest_.NameStartsWith(group.entry, reduced)) {
      return g;
    }
  }
}

DestinationIndex::Pairing DestinationIndex::Pair(std::string_view source_name,
                                                 DosDateTime source_time) const {
  Pairing result;
  result.M = max_sequence_;
  size_t slot = 0;
  const uint32_t g = Find(source_name, HashOf(source_name), slot);
  if (g == kEmpty) return result;
  const Group& group = groups_[g];
  const std::span<const uint32_t> members(members_.data() + group.first, group.count);
  // The walk stops at the first entry of this name that is at least as new as the source.
  for (size_t k = 0; k < members.size(); ++k) {
    if (static_cast<DosDateTime>(dest_.Time(members[k])) >= source_time) {
      result.matched = members.first(k + 1);
      result.copy_needed = false;
      result.M = sequence_ ? prefix_m_[members[k]] : 0;
      return result;
    }
  }
  result.matched = members;
  return result;
}

std::span<const uint32_t> DestinationIndex::EntriesNamed(std::string_view source_name) const {
  size_t slot = 0;
  const uint32_t g = Find(source_name, HashOf(source_name), slot);
  if (g == kEmpty) return {};
  return {members_.data() + groups_[g].first, groups_[g].count};
}

size_t DestinationIndex::MemoryUsed() const {
  return sizeof(*this) + slots_.capacity() * sizeof(uint32_t) + groups_.capacity() * sizeof(Group) +
         members_.capacity() * sizeof(uint32_t) + prefix_m_.capacity() * sizeof(int64_t);
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
