// The background mode's timer items: one per enabled profile, each with its own event on the
// timer list, queuing a snapshot of its profile every interval, inside its daily window.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/engine_context.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "scheduler/timer_list.h"

namespace qm {

// The run list is full at this many entries; due profiles then wait for their next interval.
inline constexpr size_t kRunListCap = 1024;

// What a timer item asks of the run session that owns it.
class TimerItemOwner {
 public:
  virtual ~TimerItemOwner() = default;
  virtual size_t RunListCount() const = 0;
  // The daily window applies unless a "Start selected" run is on.
  virtual const RunState& CurrentRunState() const = 0;
  virtual TDateTime Now() = 0;
  // Appends a snapshot of `profile` to the run list, scanned now, unless one of that name is
  // queued or in work.
  virtual void QueueProfile(const ProfileRecord& profile) = 0;
};

// A profile's interval (a time of day) in whole milliseconds, the fraction dropped.
uint32_t IntervalMs(TDateTime interval);

class ProfileTimer {
 public:
  // Registers a cycled event of 1000 ms, switched off.
  ProfileTimer(TimerList& list, TimerItemOwner& owner);
  // Removes the event from the list.
  virtual ~ProfileTimer();
  ProfileTimer(const ProfileTimer&) = delete;
  ProfileTimer& operator=(const ProfileTimer&) = delete;

  // The profile fell due.
  void DoTimer();

  ProfileRecord Profile;
  TimerList::Event* TimerEvent = nullptr;
  int TimerHandle = 0;
  TimerItemOwner& OwnerForm;

 private:
  TimerList& list_;
};

// One item per profile of `enabled` (already the enabled rows, in table order), added to
// `items` under the profile's name, its event set to the profile's interval and switched on.
// A profile with a zero interval gets no running event, since it would fall due on every tick;
// its name is returned in `no_interval` for the caller's error record.
void CreateTimerItems(NamedList<ProfileTimer>& items, TimerList& list, TimerItemOwner& owner,
                      std::span<const ProfileRecord> enabled,
                      std::vector<std::string>& no_interval);

// The error record for a profile that cannot run in the background mode for lack of an interval.
std::string NoIntervalMessage(const std::string& profile_name);

}  // namespace qm
