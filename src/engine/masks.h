// File masks: cutting the profile's mask text into masks, and matching names against them.
#pragma once

#include <cstdint>
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

// The name a destination file stands for, which the masks are matched against: in ZIP mode a
// ".zip" archive's name without that extension (any other file stands for its own name), then
// without the kept-copy suffix (after the last ".") when copies are kept. So the run's own kept
// copies and archives of a selected file are always listed.
std::string_view NameStoodFor(std::string_view file_name, bool doZIP, int16_t KeepCopyKind);

}  // namespace qm
