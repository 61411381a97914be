// File masks: cutting the profile's mask text into masks, and matching names against them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Cuts a mask text into masks. An empty text means "*.*". The whole text is trimmed of blanks,
// then cut at ";" while it holds one, otherwise at ","; pieces shorter than two characters are
// dropped, and pieces are not trimmed one by one.
std::vector<std::string> CutMaskText(std::string_view text);

// Matches a file name against one mask: "*" any run of characters, "?" one (UTF-8) character,
// letters (Latin, Greek, Cyrillic) without regard to case. A trailing ".*" may also match
// nothing, so "*.*" selects every file, names without a dot included.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace qm
