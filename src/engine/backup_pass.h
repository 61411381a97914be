// The backup pass: copies (or packs) every source file that no destination entry of the same
// reduced name holds at least as new, and marks the destination entries that belong to a
// source file so that the removal pass spares them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/durability_batch.h"
#include "engine/engine_context.h"
#include "engine/engine_loop.h"

namespace qm {

class ZipPacker;

// Runs the pass over `item` (processing messages before each file). kStopped when Running was
// found clear before a file; throws RunBroken when the user breaks off after a failure.
PassOutcome RunBackupPass(EngineContext& ctx, RunSnapshot& item);

// Packs `source` into its own archive `archive` with `packer` and leaves it, with the source's
// time, to `batch`, which places it and reports the outcome. A kept archive
// (`may_replace` false) never replaces a file.
void PackFile(EngineContext& ctx, ZipPacker& packer, const std::string& source,
              DosDateTime source_time, const std::string& archive, DurabilityBatch& batch,
              bool may_replace = true);  // throw RunBroken, RunAbandoned

}  // namespace qm
