// The timer list's rules on a hand-moved clock: when an event is due, in which order events of
// one tick fire, how periods restart, the platform period, and a refused platform timer.
#include "scheduler/timer_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FakePlatformTimer : public PlatformTimer {
 public:
  bool Start(uint32_t period_ms) override {
    period = period_ms;
    running = !refuse;
    return !refuse;
  }
  void Stop() override { running = false; }
  bool refuse = false;
  bool running = false;
  uint32_t period = 0;
};

class TimerListTest : public ::testing::Test {
 protected:
  int Add(const std::string& name, uint32_t interval, bool cycled = true) {
    return list.Add(interval, cycled, [this, name] { fired.push_back(name); });
  }
  void TickAt(uint64_t ms) {
    now = ms;
    list.Tick();
  }

  uint64_t now = 0;
  FakePlatformTimer platform;
  TimerList list{platform, [this] { return now; }};
  std::vector<std::string> fired;
};

TEST_F(TimerListTest, DueFiftyMillisecondsBeforeItsIntervalThenFromTheFiring) {
  Add("a", 1000);
  ASSERT_TRUE(list.SetActive(true));
  TickAt(949);
  EXPECT_THAT(fired, IsEmpty());
  TickAt(950);
  EXPECT_THAT(fired, ElementsAre("a"));
  TickAt(1899);
  EXPECT_THAT(fired, ElementsAre("a"));
  TickAt(1900);
  EXPECT_THAT(fired, ElementsAre("a", "a"));
}

TEST_F(TimerListTest, MissedPeriodsAreNotMadeUp) {
  Add("a", 1000);
  ASSERT_TRUE(list.SetActive(true));
  TickAt(5000);
  TickAt(5100);
  EXPECT_THAT(fired, ElementsAre("a"));
  TickAt(5950);
  EXPECT_THAT(fired, ElementsAre("a", "a"));
}

TEST_F(TimerListTest, OneTickFiresLongestIntervalFirstThenLastRegisteredFirst) {
  Add("1min-first", 60000);
  Add("2min", 120000);
  Add("1min-second", 60000);
  ASSERT_TRUE(list.SetActive(true));
  TickAt(120000);
  EXPECT_THAT(fired, ElementsAre("2min", "1min-second", "1min-first"));
}

TEST_F(TimerListTest, EnablingAnEventOrTheListStartsItsPeriod) {
  const int h = Add("a", 1000);
  now = 400;
  ASSERT_TRUE(list.SetActive(true));  // the period starts at 400, not at registration
  TickAt(1300);
  EXPECT_THAT(fired, IsEmpty());
  list.Find(h)->SetEnabled(false);
  TickAt(1400);
  now = 3000;
  list.Find(h)->SetEnabled(true);
  TickAt(3900);
  EXPECT_THAT(fired, IsEmpty());
  TickAt(3950);
  EXPECT_THAT(fired, ElementsAre("a"));
}

TEST_F(TimerListTest, OneShotEventSwitchesItselfOff) {
  const int h = Add("once", 1000, /*cycled=*/false);
  ASSERT_TRUE(list.SetActive(true));
  TickAt(1000);
  TickAt(2000);
  EXPECT_THAT(fired, ElementsAre("once"));
  EXPECT_FALSE(list.Find(h)->Enabled());
}

TEST_F(TimerListTest, PlatformPeriodServesEveryEventButIsNeverBelowAHundred) {
  EXPECT_EQ(list.PlatformPeriod(), 0u);
  const int zero = Add("zero", 0);
  EXPECT_EQ(list.PlatformPeriod(), 0u);  // a zero interval needs no tick
  Add("a", 60000);
  Add("b", 90000);
  ASSERT_TRUE(list.SetActive(true));
  EXPECT_EQ(platform.period, 30000u);
  Add("c", 130);
  EXPECT_EQ(platform.period, 100u);
  TickAt(1'000'000);
  EXPECT_THAT(fired, ElementsAre("b", "a", "c"));  // never the zero interval
  list.Remove(zero);
}

TEST_F(TimerListTest, SwitchingOffStopsTheTicksAndRaisesFinish) {
  int finished = 0;
  list.OnFinish = [&] { ++finished; };
  Add("a", 1000);
  ASSERT_TRUE(list.SetActive(true));
  EXPECT_TRUE(platform.running);
  ASSERT_TRUE(list.SetActive(false));
  EXPECT_FALSE(platform.running);
  EXPECT_EQ(finished, 1);
  TickAt(5000);
  EXPECT_THAT(fired, IsEmpty());
}

TEST_F(TimerListTest, RefusedPlatformTimerIsReportedAndLeavesTheListOff) {
  std::vector<std::string> errors;
  int finished = 0;
  list.OnError = [&](const std::string& e) { errors.push_back(e); };
  list.OnFinish = [&] { ++finished; };
  Add("a", 1000);
  platform.refuse = true;
  EXPECT_FALSE(list.SetActive(true));
  EXPECT_FALSE(list.Active());
  EXPECT_THAT(errors, ElementsAre("Not enough timers available"));
  EXPECT_EQ(finished, 1);
  platform.refuse = false;
  EXPECT_TRUE(list.SetActive(true));
  TickAt(1000);
  EXPECT_THAT(fired, ElementsAre("a"));
}

TEST_F(TimerListTest, CallbackMayRemoveAnEventDueOnTheSameTick) {
  int later = 0;
  later = Add("later", 1000);
  list.Add(2000, true, [&] {
    fired.push_back("remover");
    list.Remove(later);
  });
  ASSERT_TRUE(list.SetActive(true));
  TickAt(2000);
  EXPECT_THAT(fired, ElementsAre("remover"));
  EXPECT_EQ(list.Count(), 1u);
}

}  // namespace
}  // namespace qm
