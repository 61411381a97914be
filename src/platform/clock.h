// The local clock, the millisecond tick count and the user's regional formats. Passed in, never
// global, so tests can drive time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace qm {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local date and time.
  virtual TDateTime Now() = 0;
  // Milliseconds since some fixed moment; never goes backwards.
  virtual uint64_t TickCount() = 0;
};

Clock& SystemClock();

// Short date and long time formats in the pattern form the program's texts use:
// d dd ddd dddd m mm mmm mmmm yy yyyy for dates; h hh n nn s ss z zzz am/pm ampm for times;
// "/" stands for the date separator and ":" for the time separator.
struct RegionalFormats {
  std::string short_date = "dd.mm.yyyy";
  std::string long_time = "hh:nn:ss";
  char date_separator = '.';
  char time_separator = ':';
  std::string am = "AM";
  std::string pm = "PM";
  // Names for mmm/mmmm (January first) and ddd/dddd (Sunday first).
  std::array<std::string, 12> short_month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> long_month_names = {"January",   "February", "March",    "April",
                                                  "May",       "June",     "July",     "August",
                                                  "September", "October",  "November", "December"};
  std::array<std::string, 7> short_day_names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> long_day_names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};

  // Derived from the C library's locale (LC_TIME) named by the environment (LC_ALL, LC_TIME,
  // LANG); the process's own locale is left alone.
  static RegionalFormats FromLocale();
  // The translation FromLocale applies to the locale's strftime formats (D_FMT, T_FMT and,
  // for "%r", T_FMT_AMPM) and its AM/PM strings; names keep their defaults.
  static RegionalFormats FromStrftime(const std::string& d_fmt, const std::string& t_fmt,
                                      const std::string& am, const std::string& pm,
                                      const std::string& t_fmt_ampm = "%I:%M:%S %p");
};

// Formats one pattern ("dd.mm.yyyy", "h:nn:ss ampm", ...) for a date-time.
std::string FormatDateTime(const std::string& pattern, TDateTime value,
                           const RegionalFormats& formats);
// Short date, a blank and the long time; the time left out at exactly midnight to the second.
std::string DateTimeToDisplay(TDateTime value, const RegionalFormats& formats);

}  // namespace qm
