// The background mode's timer items on the virtual clock: when profiles fall due and in which
// order, the daily windows, the run list's cap, zero intervals and the freeing of the items.
#include "scheduler/background_timers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/engine_loop.h"
#include "platform/date_time.h"
#include "support/virtual_message_loop.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TDateTime Time(int h, int m, int s, int ms = 0) {
  return EncodeTime(h, m, s, ms);
}

ProfileRecord Profile(const std::string& name, TDateTime interval) {
  ProfileRecord p;
  p.SetName(name);
  p.SetEnabled(true);
  p.SetInterval(interval);
  return p;
}

class BackgroundTimersTest : public ::testing::Test, public TimerItemOwner {
 protected:
  BackgroundTimersTest() { state.Mode = RunMode::kBackground; }
  ~BackgroundTimersTest() override { items.Clear(); }

  size_t RunListCount() const override { return run_list_count; }
  const RunState& CurrentRunState() const override { return state; }
  TDateTime Now() override { return now ? *now : loop.Now(); }
  void QueueProfile(const ProfileRecord& profile) override {
    queued.push_back(profile.Name() + "@" + std::to_string(loop.TickCount()));
  }

  RunState state;

  void Create(const std::vector<ProfileRecord>& profiles) {
    CreateTimerItems(items, list, *this, profiles, no_interval);
    ASSERT_TRUE(list.SetActive(true));
  }

  ui::VirtualMessageLoop loop;
  LoopPlatformTimer platform{loop};
  TimerList list{platform, [this] { return loop.TickCount(); }};
  NamedList<ProfileTimer> items;
  std::vector<std::string> queued;
  std::vector<std::string> no_interval;
  size_t run_list_count = 0;
  std::optional<TDateTime> now;
};

TEST_F(BackgroundTimersTest, ThreeOneMinuteProfilesFallDueTogetherInReverseTableOrder) {
  Create({Profile("A", Time(0, 1, 0)), Profile("B", Time(0, 1, 0)), Profile("C", Time(0, 1, 0))});
  loop.RunFor(59'000);
  EXPECT_THAT(queued, IsEmpty());
  loop.RunFor(1'000);
  EXPECT_THAT(queued, ElementsAre("C@60000", "B@60000", "A@60000"));
  loop.RunFor(60'000);
  EXPECT_EQ(queued.size(), 6u);
}

TEST_F(BackgroundTimersTest, MultipleOfAnotherIntervalIsQueuedFirst) {
  Create({Profile("Short", Time(0, 0, 3)), Profile("Long", Time(0, 0, 6))});
  loop.RunFor(6'000);
  EXPECT_THAT(queued, ElementsAre("Short@3000", "Long@6000", "Short@6000"));
}

TEST_F(BackgroundTimersTest, IntervalInWholeMilliseconds) {
  EXPECT_EQ(IntervalMs(Time(0, 10, 0)), 600'000u);
  EXPECT_EQ(IntervalMs(Time(23, 59, 59)), 86'399'000u);
  EXPECT_EQ(IntervalMs(0), 0u);
}

TEST_F(BackgroundTimersTest, DailyWindowBoundsBelongToIt) {
  ProfileRecord p = Profile("Day", Time(0, 1, 0));
  p.SetUseStartTimeEndTime(true);
  p.SetStartTime(Time(8, 0, 0));
  p.SetFinishTime(Time(18, 0, 0));
  Create({p});
  ProfileTimer& item = items.Object(0);
  for (TDateTime t : {Time(8, 0, 0), Time(17, 59, 59), Time(7, 59, 59), Time(18, 0, 0, 500)}) {
    now = 46000 + t;
    item.DoTimer();
  }
  EXPECT_EQ(queued.size(), 2u);
}

TEST_F(BackgroundTimersTest, WindowOverMidnightAdmitsTheNight) {
  ProfileRecord p = Profile("Night", Time(0, 1, 0));
  p.SetUseStartTimeEndTime(true);
  p.SetStartTime(Time(22, 0, 0));
  p.SetFinishTime(Time(6, 0, 0));
  for (TDateTime t : {Time(23, 30, 0), Time(5, 0, 0), Time(22, 0, 0), Time(6, 0, 0)})
    EXPECT_FALSE(OutsideDailyWindow(p, 46000 + t));
  for (TDateTime t : {Time(12, 0, 0), Time(21, 59, 59), Time(6, 0, 1)})
    EXPECT_TRUE(OutsideDailyWindow(p, 46000 + t));
}

TEST_F(BackgroundTimersTest, FullRunListMakesADueProfileWait) {
  Create({Profile("A", Time(0, 0, 1))});
  run_list_count = kRunListCap - 1;
  items.Object(0).DoTimer();
  run_list_count = kRunListCap;
  items.Object(0).DoTimer();
  run_list_count = kRunListCap + 1;
  items.Object(0).DoTimer();
  EXPECT_EQ(queued.size(), 1u);
}

TEST_F(BackgroundTimersTest, ZeroIntervalGetsNoRunningEvent) {
  Create({Profile("Zero", 0), Profile("A", Time(0, 0, 2))});
  EXPECT_THAT(no_interval, ElementsAre("Zero"));
  EXPECT_FALSE(items.Object(0).TimerEvent->Enabled());
  loop.RunFor(4'000);
  EXPECT_THAT(queued, ElementsAre("A@2000", "A@4000"));
  EXPECT_EQ(NoIntervalMessage("Zero"),
            "Profile \"Zero\" has the re-backup interval 00:00:00 and is not run in the "
            "background mode");
}

TEST_F(BackgroundTimersTest, FreeingTheItemsRemovesTheirEvents) {
  Create({Profile("A", Time(0, 0, 1)), Profile("B", Time(0, 0, 1))});
  EXPECT_EQ(list.Count(), 2u);
  items.Clear();
  EXPECT_EQ(list.Count(), 0u);
  loop.RunFor(5'000);
  EXPECT_THAT(queued, IsEmpty());
}

}  // namespace
}  // namespace qm
