// The local clock, the millisecond tick count and the user's regional formats. Passed in, never
// global, so tests can drive time.
#pragma once

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

  // Derived from the C library's locale (LC_TIME), as set from the environment.
  static RegionalFormats FromLocale();
};

// Formats one pattern ("dd.mm.yyyy", "h:nn:ss ampm", ...) for a date-time.
std::string FormatDateTime(const std::string& pattern, TDateTime value,
                           const RegionalFormats& formats);
// Short date, a blank and the long time; the time left out at exactly midnight to the second.
std::string DateTimeToDisplay(TDateTime value, const RegionalFormats& formats);

}  // namespace qm
