// Destination names: reducing a destination entry to the name of the source file it was made
// from, and naming new (kept) copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"

namespace qm {

// The part before the last "." and the part after it; no "." gives {text, ""}. The whole text
// is searched, directory part included.
std::pair<std::string, std::string> SplitAtLastDot(std::string_view text);

// Reduces a destination `Name` to the source name it belongs to: ".zip" removed in ZIP mode
// (nullopt, i.e. skip the entry, when it has no ".zip"), then the kept-copy suffix. In
// sequence mode the number found is read into the running maximum `M` (a part that is not a
// number counts as 0).
std::optional<std::string> StripKeepSuffix(std::string_view name, bool doZIP, int16_t KeepCopyKind,
                                           int64_t& M);

// StripKeepSuffix without a copy: the reduced name is always a prefix of `name`.
std::optional<std::string_view> ReduceDestinationName(std::string_view name, bool doZIP,
                                                      int16_t KeepCopyKind, int64_t& M);

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

}  // namespace qm
