// Local DOS date-times back to system seconds without asking the zone each time: the same
// answer as the zone's own rules, around offset changes too, and a change of TZ followed at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace qm::test {
namespace {

std::time_t ByZone(uint32_t dos) {
  const DateParts p = UnpackDosDateTime(dos);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  return PackDosDateTime(DateParts{year, month, day, hour, minute, second, 0});
}

// TZ is Europe/Berlin in the tests: summer time starts 2024-03-31 02:00 and ends 2024-10-27
// 03:00 local; 1980 and 1996 had other rules.
TEST(DosTimeToUnix, AgreesWithTheZoneAndLeavesSkippedAndRepeatedTimesToIt) {
  DosTimeConverter converter;
  std::vector<uint32_t> values;
  for (const std::time_t change : {std::time_t{1711846800}, std::time_t{1729990800},
                                   std::time_t{323830800}, std::time_t{846032400}}) {
    for (std::time_t t = change - 3 * 3600; t <= change + 3 * 3600; t += 60) {
      values.push_back(UnixToDosDateTime(t));
    }
  }
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<std::time_t> any(315532800, 4354819200);  // 1980 .. 2108
  for (int i = 0; i < 3000; ++i) values.push_back(UnixToDosDateTime(any(rng)));
  int left_to_zone = 0;
  for (const uint32_t dos : values) {
    const std::optional<std::time_t> t = converter.ToUnix(dos);
    if (!t) {
      ++left_to_zone;
      continue;
    }
    EXPECT_EQ(*t, ByZone(dos)) << dos;
    EXPECT_EQ(DosDateTimeToUnix(dos), *t);
  }
  // The hour the clocks skip and the hour they repeat.
  EXPECT_FALSE(converter.ToUnix(Dos(2024, 3, 31, 2, 30, 0)));
  EXPECT_FALSE(converter.ToUnix(Dos(2024, 10, 27, 2, 30, 0)));
  EXPECT_EQ(*converter.ToUnix(Dos(2024, 10, 27, 3, 0, 0)), 1729994400);  // 02:00 UTC
  EXPECT_GT(left_to_zone, 0);
  EXPECT_LT(left_to_zone, 300);
  // A damaged value (month 0) is the zone's to normalise.
  EXPECT_FALSE(converter.ToUnix(0));
}

TEST(DosTimeToUnix, FollowsAChangeOfTzAtOnce) {
  const std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
  const uint32_t midnight = Dos(2024, 12, 10, 0, 0, 0);
  const std::time_t berlin = DosDateTimeToUnix(midnight);
  setenv("TZ", "UTC", 1);
  const std::time_t utc = DosDateTimeToUnix(midnight);
  setenv("TZ", "America/New_York", 1);
  const std::time_t new_york = DosDateTimeToUnix(midnight);
  setenv("TZ", saved.c_str(), 1);
  tzset();
  EXPECT_EQ(utc, 1733788800);
  EXPECT_EQ(berlin, utc - 3600);
  EXPECT_EQ(new_york, utc + 5 * 3600);
  EXPECT_EQ(DosDateTimeToUnix(midnight), berlin);
}

}  // namespace
}  // namespace qm::test
