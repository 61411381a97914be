// Destination names: reducing a destination entry to the name of the source file it was made
// from, naming new (kept) copies, and an index of the destination list for pairing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "profiles/qmTypes.h"

namespace qm {

// KeepCopyKind values of a profile.
inline constexpr int16_t kKeepNone = 0;
inline constexpr int16_t kKeepSequence = 1;
inline constexpr int16_t kKeepDateTime = 2;

// The part before the last "." and the part after it; no "." gives {text, ""}. The whole text
// is searched, directory part included.
std::pair<std::string, std::string> SplitAtLastDot(std::string_view text);

// Reduces a destination `Name` to the source name it belongs to: ".zip" removed in ZIP mode
// (nullopt, i.e. skip the entry, when it has no ".zip"), then the kept-copy suffix. In
// sequence mode the number found is read into the running maximum `M` (a part that is not a
// number counts as 0).
std::optional<std::string> StripKeepSuffix(std::string_view name, bool doZIP, int16_t KeepCopyKind,
                                           int64_t& M);

// The date-and-time suffix for `now`: short date, a blank and long time, with "," "." ":" ";"
// made "-", ASCII letters and digits and non-ASCII characters kept, everything else "_".
std::string DateTimeSuffix(TDateTime now, const RegionalFormats& formats);

// `suffix` itself when `taken` says it is free, else `suffix` with "_2", "_3"... appended: a kept
// copy is never replaced by another made in the same second (or within a format's resolution).
// Never adds a ".", so the name still reduces to its source.
std::string DistinctSuffix(std::string_view suffix,
                           const std::function<bool(std::string_view)>& taken);

// The file name of a new copy of a source file named `file_name`: the name itself, or the name
// with "." and M + 1, or with "." and `date_time_suffix`. ".zip" is not added here.
std::string NewCopyName(std::string_view file_name, int16_t KeepCopyKind, int64_t M,
                        std::string_view date_time_suffix);

// Pairs source files with a snapshot's destination list in constant time per source file,
// with exactly the outcome of walking the destination list in order for each source file
// (reduce each entry, mark those whose reduced name equals the source's, stop at the first of
// them at least as new as the source). Built once per snapshot; the list must outlive it and
// keep its entries.
class DestinationIndex {
 public:
  DestinationIndex(const TWList<TFilesListItem>& dest, bool doZIP, int16_t KeepCopyKind);

  struct Pairing {
    // Destination entries the walk reaches with an equal reduced name, in list order: all of
    // them when a copy is needed, else up to and including the first at least as new.
    std::span<const size_t> matched;
    // No destination entry of that name is at least as new (times compared unsigned).
    bool copy_needed = true;
    // The running maximum of sequence numbers when the walk ends: over the whole list when a
    // copy is needed. 0 outside sequence mode.
    int64_t M = 0;
  };
  Pairing Pair(std::string_view source_name, DosDateTime source_time) const;

  // Every destination entry whose reduced name is `source_name`, in list order.
  std::span<const size_t> EntriesNamed(std::string_view source_name) const;
  // The largest sequence number in the whole list (0 when none, or outside sequence mode).
  int64_t MaxSequence() const { return max_sequence_; }
  // The reduced name of entry i, or nullopt when the entry is skipped.
  const std::optional<std::string>& ReducedName(size_t i) const { return reduced_[i]; }

 private:
  struct Group {
    std::vector<size_t> entries;        // indexes into the list, ascending
    std::vector<DosDateTime> max_time;  // max_time[k]: newest of entries[0..k]
  };
  struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<std::optional<std::string>> reduced_;
  std::vector<int64_t> prefix_m_;  // prefix_m_[i]: M after the walk passed entry i
  std::unordered_map<std::string, Group, StringHash, std::equal_to<>> groups_;
  int64_t max_sequence_ = 0;
};

}  // namespace qm
