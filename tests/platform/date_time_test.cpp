#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "platform/date_time.h"

namespace qm {
namespace {

// Unix seconds of a local wall-clock moment in the current zone (Europe/Berlin in tests).
std::time_t Local(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

uint32_t Dos(int y, int mo, int d, int h, int mi, int s) {
  return PackDosDateTime(DateParts{y, mo, d, h, mi, s, 0});
}

TEST(DosDateTime, PacksFieldsIntoTheFatLayout) {
  // 2004-12-10 14:36:20: date (24<<9 | 12<<5 | 10), time (14<<11 | 36<<5 | 10).
  EXPECT_EQ(Dos(2004, 12, 10, 14, 36, 20),
            ((24u << 9 | 12u << 5 | 10u) << 16) | (14u << 11 | 36u << 5 | 10u));
  const DateParts back = UnpackDosDateTime(Dos(2004, 12, 10, 14, 36, 20));
  EXPECT_EQ(back.year, 2004);
  EXPECT_EQ(back.month, 12);
  EXPECT_EQ(back.day, 10);
  EXPECT_EQ(back.hour, 14);
  EXPECT_EQ(back.minute, 36);
  EXPECT_EQ(back.second, 20);
}

TEST(DosDateTime, OddSecondsRoundDown) {
  EXPECT_EQ(Dos(2020, 1, 1, 0, 0, 59), Dos(2020, 1, 1, 0, 0, 58));
  EXPECT_EQ(UnixToDosDateTime(Local(2020, 6, 1, 12, 0, 1)), Dos(2020, 6, 1, 12, 0, 0));
  EXPECT_LT(Dos(2020, 1, 1, 0, 0, 59), Dos(2020, 1, 1, 0, 1, 0));
}

TEST(DosDateTime, YearsClampToTheFatRange) {
  EXPECT_EQ(Dos(1979, 12, 31, 23, 59, 59), Dos(1980, 1, 1, 0, 0, 0));
  EXPECT_EQ(Dos(2108, 1, 1, 0, 0, 0), Dos(2107, 12, 31, 23, 59, 58));
  EXPECT_EQ(UnixToDosDateTime(0), Dos(1980, 1, 1, 0, 0, 0));
  EXPECT_EQ(UnixToDosDateTime(Local(2200, 5, 5, 5, 5, 5)), Dos(2107, 12, 31, 23, 59, 58));
}

TEST(DosDateTime, LaterDatesCompareGreaterPast2043) {
  // From 2044 the top bit is set: a signed comparison would put these before 1980.
  const uint32_t before = Dos(2043, 12, 31, 23, 59, 58);
  const uint32_t after = Dos(2044, 1, 1, 0, 0, 0);
  EXPECT_NE(after & 0x80000000u, 0u);
  EXPECT_LT(before, after);
  EXPECT_LT(Dos(1980, 1, 1, 0, 0, 0), after);
  EXPECT_EQ(DosDateTimeToUnix(UnixToDosDateTime(Local(2050, 7, 1, 10, 20, 30))),
            Local(2050, 7, 1, 10, 20, 30));
}

TEST(DosDateTime, FollowsLocalTimeAcrossDaylightSaving) {
  // Berlin leaves summer time on 2024-10-27 at 03:00 CEST (01:00 UTC).
  const std::time_t last_summer_second = 1729990799;  // 02:59:59 CEST
  EXPECT_EQ(UnixToDosDateTime(last_summer_second), Dos(2024, 10, 27, 2, 59, 58));
  EXPECT_EQ(UnixToDosDateTime(last_summer_second + 1), Dos(2024, 10, 27, 2, 0, 0));
  // A summer and a winter moment each come back to the same system time.
  for (const std::time_t t : {Local(2024, 7, 15, 9, 30, 0), Local(2024, 1, 15, 9, 30, 0)}) {
    EXPECT_EQ(DosDateTimeToUnix(UnixToDosDateTime(t)), t);
  }
  // Summer and winter noon are both 12:00 local, though an hour apart in UTC offsets.
  EXPECT_EQ(UnpackDosDateTime(UnixToDosDateTime(Local(2024, 7, 1, 12, 0, 0))).hour, 12);
  EXPECT_EQ(UnpackDosDateTime(UnixToDosDateTime(Local(2024, 1, 1, 12, 0, 0))).hour, 12);
}

TEST(DosDateTime, UsesTheZoneOfTheEnvironment) {
  const std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
  setenv("TZ", "UTC", 1);
  tzset();
  const uint32_t utc = UnixToDosDateTime(1733788800);  // 2024-12-10 00:00:00 UTC
  setenv("TZ", "America/New_York", 1);
  tzset();
  const uint32_t new_york = UnixToDosDateTime(1733788800);
  setenv("TZ", saved.c_str(), 1);
  tzset();
  EXPECT_EQ(utc, Dos(2024, 12, 10, 0, 0, 0));
  EXPECT_EQ(new_york, Dos(2024, 12, 9, 19, 0, 0));
}

// The converter must agree with the zone to the second, also around offset changes (TZ is
// Europe/Berlin in the tests: 2024-03-31 02:00 and 2024-10-27 03:00 local, 1980 and 1996 rules).
TEST(DosTimeConverter, AgreesWithTheZoneAcrossOffsetChanges) {
  std::vector<std::time_t> times;
  for (const std::time_t change : {std::time_t{1711846800}, std::time_t{1729990800},
                                   std::time_t{323830800}, std::time_t{846032400}}) {
    for (std::time_t t = change - 7200; t <= change + 7200; t += 599) times.push_back(t);
    for (const std::time_t d : {-2, -1, 0, 1, 2}) times.push_back(change + d);
  }
  // Times far apart, in no order, so that the converter keeps several spans; before 1980
  // and after 2107 they clamp.
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<std::time_t> any(-400000000, 4500000000);
  for (int i = 0; i < 3000; ++i) times.push_back(any(rng));
  std::shuffle(times.begin(), times.end(), rng);
  DosTimeConverter converter;
  for (const std::time_t t : times) {
    ASSERT_EQ(converter.FromUnix(t), UnixToDosDateTime(t)) << t;
  }
}

TEST(DateTimeValue, CountsDaysFrom18991230) {
  EXPECT_EQ(*EncodeDateTime(DateParts{1899, 12, 30}), 0.0);
  EXPECT_EQ(*EncodeDateTime(DateParts{1900, 1, 1}), 2.0);
  EXPECT_DOUBLE_EQ(*EncodeDateTime(DateParts{2004, 12, 10, 18, 0, 0}), 38331.75);
  EXPECT_DOUBLE_EQ(EncodeTime(0, 10, 0), 10.0 / 1440.0);
  // Before the zero date the fraction still counts forward within the day.
  EXPECT_DOUBLE_EQ(*EncodeDateTime(DateParts{1899, 12, 29, 6, 0, 0}), -1.25);
  const DateParts p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
}

TEST(DateTimeValue, RefusesDatesOutsideTheCalendar) {
  EXPECT_FALSE(EncodeDateTime(DateParts{0, 12, 31}).has_value());
  EXPECT_FALSE(EncodeDateTime(DateParts{10000, 1, 1}).has_value());
  EXPECT_FALSE(EncodeDateTime(DateParts{2023, 2, 29}).has_value());
  EXPECT_TRUE(EncodeDateTime(DateParts{2024, 2, 29}).has_value());
  EXPECT_TRUE(EncodeDateTime(DateParts{1, 1, 1}).has_value());
  EXPECT_TRUE(EncodeDateTime(DateParts{9999, 12, 31, 23, 59, 59, 999}).has_value());
  EXPECT_FALSE(EncodeDateTime(DateParts{2024, 1, 1, 24, 0, 0}).has_value());
  // A damaged DOS value has no date.
  EXPECT_EQ(DosDateTimeToDateTime(0), 0.0);
}

TEST(DateTimeValue, DecodesEveryPartToTheMillisecond) {
  const DateParts in{2031, 3, 4, 5, 6, 7, 891};
  const DateParts out = DecodeDateTime(*EncodeDateTime(in));
  EXPECT_EQ(out.year, 2031);
  EXPECT_EQ(out.month, 3);
  EXPECT_EQ(out.day, 4);
  EXPECT_EQ(out.hour, 5);
  EXPECT_EQ(out.minute, 6);
  EXPECT_EQ(out.second, 7);
  EXPECT_EQ(out.millisecond, 891);
  // Just below the next midnight rounds up into the next day, not to hour 24.
  const DateParts carry = DecodeDateTime(1.0 - 1e-10);
  EXPECT_EQ(carry.day, 31);
  EXPECT_EQ(carry.hour, 0);
}

TEST(DateTimeValue, TimeOfKeepsOnlyTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(TimeOf(38000.75), 0.75);
  EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(TimeOf(38001.0 - 1e-10), 0.0);
  EXPECT_DOUBLE_EQ(RoundToMillisecond(0.5 + 0.4 / kMsPerDay), 0.5);
  EXPECT_DOUBLE_EQ(RoundToMillisecond(0.5 + 0.6 / kMsPerDay), 0.5 + 1 / kMsPerDay);
}

TEST(DateTimeValue, ConvertsSystemTimeToLocalDateTime) {
  const TDateTime v = UnixToDateTime(Local(2024, 7, 1, 14, 30, 15), 250);
  const DateParts p = DecodeDateTime(v);
  EXPECT_EQ(p.hour, 14);
  EXPECT_EQ(p.minute, 30);
  EXPECT_EQ(p.second, 15);
  EXPECT_EQ(p.millisecond, 250);
  EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(Dos(2024, 7, 1, 14, 30, 14)),
                   *EncodeDateTime(DateParts{2024, 7, 1, 14, 30, 14}));
}

}  // namespace
}  // namespace qm
