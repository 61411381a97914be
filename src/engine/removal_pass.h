// The removal pass: after the backup pass, deletes from the destination every file that no
// longer belongs to a source file (the destination entries the backup pass left unmarked).
#pragma once

#include "engine/engine_context.h"

namespace qm {

// Deletes every unmarked destination entry and reports each deletion or failure. Files only,
// never directories; no messages are processed and no stop request is looked at. Once the
// pinned volume is gone, every removal left fails as on a missing drive, with the break
// question (throw RunBroken on Yes).
// Deletes nothing, and reports why, when the source listing cannot be trusted:
// a source directory that could not be read, or a source that lists no file at all while the
// destination does (an unmounted or emptied source must not empty the backup).
void RunRemovalPass(EngineContext& ctx, RunSnapshot& item);

}  // namespace qm
