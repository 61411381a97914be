// The engine loop: works off the run list one snapshot at a time, on the caller's thread,
// pumping messages so that clicks, timers and a stop request are handled while it runs.
#pragma once

#include <functional>
#include <span>

#include "engine/engine_context.h"

namespace qm {

// How a pass or a snapshot ended.
enum class PassOutcome { kCompleted, kStopped };

// "Start selected": sets SelectedRun, queues `selected` in order through `queue_profile`
// (the scan), runs the engine loop to its end and clears SelectedRun. The caller gathers the
// selected rows and deals with its log buffer first.
void RunSelectedProfiles(EngineContext& ctx, std::span<const ProfileRecord> selected,
                         const std::function<void(const ProfileRecord&)>& queue_profile);

// The engine loop. Returns at once when another loop is active (EngineBusy); otherwise runs
// while Running is set and, in a "Start selected" run, until the run list is worked off.
void ProcessRunList(EngineContext& ctx);

// One snapshot: daily window, start, passes, finish. kStopped when a stop request was seen
// inside a pass: the profile is reported dropped then, not finished.
PassOutcome ProcessSnapshot(EngineContext& ctx, RunSnapshot& item);

// Whether `now` (a date-time) lies outside the profile's daily window; only the time of day of
// each value counts, both bounds belong to the window, and a start later than the finish spans
// midnight.
bool OutsideDailyWindow(const ProfileRecord& profile, TDateTime now);

}  // namespace qm
