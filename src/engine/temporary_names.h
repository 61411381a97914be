// The one rule for the names of our temporaries, and with it the names a scan never lists: a
// temporary must never be taken for a file to back up or to pair.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The temporary name a copy to `target` is written under: ".<name>.qmtmp" beside it. It begins
// with "." so no scan lists it, and is fixed per target so a stale one is overwritten. A name
// too long for the 255 bytes a file name may have is cut, with a hash of the whole name.
std::string TempCopyName(const std::string& target);

// True for the names of our temporaries: ".<name>.qmtmp", and the archiver's own beside it
// (".<name>.qmtmp.XXXXXX").
bool IsTemporaryName(std::string_view name);

// True for the names a scan never lists and no copy is ever made below: the empty name and our
// own temporaries. Dot names are ordinary user data on Linux and are listed like any other.
bool NeverListed(std::string_view name);

}  // namespace qm
