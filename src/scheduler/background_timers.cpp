#include "scheduler/background_timers.h"

#include <cmath>

#include "engine/engine_loop.h"

namespace qm {

uint32_t IntervalMs(TDateTime interval) {
  // A stored 00:10:00 is 599999.99999... ms in binary; it means 600000.
  const double ms = std::floor(interval * 86'400'000.0 + 1e-6);
  if (ms <= 0) return 0;
  return static_cast<uint32_t>(ms);
}

ProfileTimer::ProfileTimer(TimerList& list, TimerItemOwner& owner) : OwnerForm(owner), list_(list) {
  TimerHandle = list_.Add(1000, true, [this] { DoTimer(); });
  TimerEvent = list_.Find(TimerHandle);
  TimerEvent->SetEnabled(false);
}

ProfileTimer::~ProfileTimer() {
  list_.Remove(TimerHandle);
}

void ProfileTimer::DoTimer() {
  if (OwnerForm.RunListCount() >= kRunListCap) return;
  if (OwnerForm.CurrentRunState().Mode != RunMode::kSelected && Profile.UseStartTimeEndTime() &&
      OutsideDailyWindow(Profile, OwnerForm.Now()))
    return;
  OwnerForm.QueueProfile(Profile);
}

void CreateTimerItems(NamedList<ProfileTimer>& items, TimerList& list, TimerItemOwner& owner,
                      std::span<const ProfileRecord> enabled,
                      std::vector<std::string>& no_interval) {
  for (const ProfileRecord& profile : enabled) {
    auto item = std::make_unique<ProfileTimer>(list, owner);
    item->Profile = profile;
    ProfileTimer& added = items.Add(profile.Name(), std::move(item));
    const uint32_t interval = IntervalMs(profile.Interval());
    added.TimerEvent->SetInterval(interval);
    if (interval == 0) {
      no_interval.push_back(profile.Name());
      continue;
    }
    added.TimerEvent->SetEnabled(true);
  }
}

std::string NoIntervalMessage(const std::string& profile_name) {
  return "Profile \"" + profile_name +
         "\" has the re-backup interval 00:00:00 and is not run in the background mode";
}

}  // namespace qm
