// `quillmor --list`: the profiles of a store as tab-separated lines.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "profiles/profile_table.h"

namespace qm::cli {

// The nineteen field names in the table's order, tab-separated.
std::string ListingHeader();
// One row: true/false as 0/1, whole numbers in decimal, LastRun and NextRun as
// "YYYY-MM-DD hh:mm:ss.zzz", StartTime, FinishTime and Interval as "hh:mm:ss", texts escaped.
std::string ListingLine(const ProfileRow& row);
// Tab, line feed, carriage return and backslash as \t, \n, \r and \\, so that every profile
// stays one line of tab-separated fields.
std::string EscapeText(std::string_view text);

// Prints the header and one line per profile of `store_path` to `out`. A missing store lists
// no profile (0); a store that cannot be read whole is an error on `err` (1), after the
// profiles read before the damage. Never writes the store.
int ListProfiles(const std::string& store_path, std::ostream& out, std::ostream& err);

}  // namespace qm::cli
