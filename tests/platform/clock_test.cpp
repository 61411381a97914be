#include <gtest/gtest.h>

#include "platform/clock.h"

namespace qm {
namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return *EncodeDateTime(DateParts{y, mo, d, h, mi, s, ms});
}

RegionalFormats German() {
  return RegionalFormats::FromStrftime("%d.%m.%Y", "%H:%M:%S", "", "");
}

RegionalFormats American() {
  return RegionalFormats::FromStrftime("%m/%d/%Y", "%r", "AM", "PM", "%I:%M:%S %p");
}

TEST(RegionalFormats, TranslatesLocaleFormatsToPatterns) {
  const RegionalFormats de = German();
  EXPECT_EQ(de.short_date, "dd/mm/yyyy");
  EXPECT_EQ(de.date_separator, '.');
  EXPECT_EQ(de.long_time, "hh:nn:ss");
  EXPECT_EQ(de.time_separator, ':');

  const RegionalFormats us = American();
  EXPECT_EQ(us.short_date, "mm/dd/yyyy");
  EXPECT_EQ(us.date_separator, '/');
  EXPECT_EQ(us.long_time, "hh:nn:ss ampm");

  const RegionalFormats fi = RegionalFormats::FromStrftime("%-d.%-m.%Y", "%H.%M.%S", "", "");
  EXPECT_EQ(fi.short_date, "d/m/yyyy");
  EXPECT_EQ(fi.time_separator, '.');
  // ISO dates through a compound conversion; letters that are not fields are quoted.
  const RegionalFormats iso = RegionalFormats::FromStrftime("%F", "%Hh%M", "", "");
  EXPECT_EQ(iso.short_date, "yyyy/mm/dd");
  EXPECT_EQ(iso.date_separator, '-');
  EXPECT_EQ(iso.long_time, "hh\"h\"nn");
}

TEST(RegionalFormats, FromLocaleGivesUsablePatterns) {
  const RegionalFormats f = RegionalFormats::FromLocale();
  EXPECT_FALSE(f.short_date.empty());
  EXPECT_FALSE(f.long_time.empty());
  EXPECT_FALSE(DateTimeToDisplay(At(2024, 5, 6, 7, 8, 9), f).empty());
}

TEST(FormatDateTime, FormatsEachField) {
  const RegionalFormats de = German();
  const TDateTime t = At(2004, 12, 10, 14, 36, 5, 7);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", t, de), "10.12.2004 14:36:05.007");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z", At(2009, 3, 4, 5, 6, 7, 80), de), "4.3.09 5:6:7 80");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", t, de), "Fri Friday Dec December");
  // "m" right after an hour field is the minute.
  EXPECT_EQ(FormatDateTime("hh:mm", t, de), "14:36");
  EXPECT_EQ(FormatDateTime("\"at\" hh 'o''clock'", t, de), "at 14 oclock");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD", t, de), "2004-12-10");
}

TEST(FormatDateTime, TwelveHourClockWithAmPm) {
  RegionalFormats f;
  f.am = "vorm.";
  f.pm = "nachm.";
  EXPECT_EQ(FormatDateTime("h:nn ampm", At(2004, 12, 10, 0, 5), f), "12:05 vorm.");
  EXPECT_EQ(FormatDateTime("h:nn ampm", At(2004, 12, 10, 12, 5), f), "12:05 nachm.");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", At(2004, 12, 10, 14, 5), f), "2:05 PM");
  EXPECT_EQ(FormatDateTime("hh:nn am/pm", At(2004, 12, 10, 9, 5), f), "09:05 am");
  EXPECT_EQ(FormatDateTime("h a/p", At(2004, 12, 10, 23, 0), f), "11 p");
  EXPECT_EQ(FormatDateTime("h", At(2004, 12, 10, 23, 0), f), "23");
}

TEST(DateTimeToDisplay, LeavesOutTheTimeAtMidnight) {
  const RegionalFormats de = German();
  EXPECT_EQ(DateTimeToDisplay(At(2004, 12, 10), de), "10.12.2004");
  EXPECT_EQ(DateTimeToDisplay(At(2004, 12, 10, 0, 0, 0, 400), de), "10.12.2004");
  EXPECT_EQ(DateTimeToDisplay(At(2004, 12, 10, 0, 0, 1), de), "10.12.2004 00:00:01");
  EXPECT_EQ(DateTimeToDisplay(At(2004, 12, 10, 23, 59, 59), de), "10.12.2004 23:59:59");

  RegionalFormats us = American();
  us.short_date = "m/d/yyyy";
  us.long_time = "h:nn:ss AMPM";
  EXPECT_EQ(DateTimeToDisplay(At(2004, 12, 10, 2, 14, 36), us), "12/10/2004 2:14:36 AM");
  EXPECT_EQ(FormatDateTime("c", At(2004, 12, 10), us), "12/10/2004");
}

TEST(SystemClock, TicksNeverGoBackAndNowIsToday) {
  Clock& c = SystemClock();
  const uint64_t a = c.TickCount();
  const uint64_t b = c.TickCount();
  EXPECT_LE(a, b);
  const TDateTime expected = UnixToDateTime(std::time(nullptr));
  EXPECT_NEAR(c.Now(), expected, 5.0 / 86400);
}

}  // namespace
}  // namespace qm
