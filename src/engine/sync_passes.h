// The two synchronisation passes of "Both directions synchronisation": newer or missing files
// are copied from the source to the destination, then from the destination back to the source,
// under the same relative names. Both compare the lists as scanned when the profile was queued.
#pragma once

#include "engine/engine_context.h"
#include "engine/engine_loop.h"

namespace qm {

class SyncHistory;

// Copies each source file that has no destination entry of the same Name, or a newer time
// (DOS date-times compared unsigned). kStopped when Running was found clear before a file;
// throws RunBroken when the user breaks off after a failed copy. With a `history`, a file
// changed on both sides since the last run has its older version kept before it is replaced,
// and every copy tried is noted.
PassOutcome RunForwardSyncPass(EngineContext& ctx, RunSnapshot& item,
                               SyncHistory* history = nullptr);  // throw RunBroken

// The same from the destination back to the source.
PassOutcome RunReverseSyncPass(EngineContext& ctx, RunSnapshot& item,
                               SyncHistory* history = nullptr);  // throw RunBroken

// The forward pass, then the reverse pass unless the forward pass was stopped.
PassOutcome RunSyncPasses(EngineContext& ctx, RunSnapshot& item,
                          SyncHistory* history = nullptr);  // throw RunBroken

}  // namespace qm
