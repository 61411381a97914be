// Date-times as the program keeps them: a double counting days since 1899-12-30, the time of
// day as the fraction of a day. Times of day and durations use the same form.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

namespace qm {

using TDateTime = double;

inline constexpr double kMsPerDay = 86400000.0;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Whole days and milliseconds; nullopt for a date outside 0001-01-01 .. 9999-12-31.
std::optional<TDateTime> EncodeDateTime(const DateParts& parts);
DateParts DecodeDateTime(TDateTime value);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
// The time-of-day part of a date-time (always in [0, 1)).
TDateTime TimeOf(TDateTime value);
// Rounds to the millisecond, the resolution the profile table keeps.
TDateTime RoundToMillisecond(TDateTime value);

// FAT date-time packing of local wall-clock parts (two-second resolution).
uint32_t PackDosDateTime(const DateParts& local);
DateParts UnpackDosDateTime(uint32_t dos);
TDateTime DosDateTimeToDateTime(uint32_t dos);

// Conversions between the system's seconds and local DOS date-times, through the time zone
// rules of the TZ environment (daylight saving included). Out-of-range years clamp to
// 1980 and 2107. DosDateTimeToUnix keeps a converter per thread (see below) that follows a
// change of TZ at once and a change of the system's zone within seconds.
uint32_t UnixToDosDateTime(std::time_t seconds);
std::time_t DosDateTimeToUnix(uint32_t dos);

// UnixToDosDateTime for many times in a row, as a walk of a tree needs it. The zone is asked
// only to find the spans of time in which its UTC offset stays the same (a few a year); each
// time inside a known span is converted by arithmetic. Keep one per thread; a change of TZ
// reaches only converters made after it.
class DosTimeConverter {
 public:
  uint32_t FromUnix(std::time_t seconds);
  // The system time of a local DOS date-time, when the zone gives it exactly one; nullopt for
  // a time that daylight saving skips or repeats, or a damaged value (the zone's own rules
  // decide those).
  std::optional<std::time_t> ToUnix(uint32_t dos);

 private:
  struct Span {
    int64_t start, end;  // [start, end) in system seconds
    int64_t offset;      // local minus UTC, in seconds
  };
  const Span* Find(int64_t seconds);

  std::vector<Span> spans_;  // ordered by start
  size_t last_ = 0;          // the span found last: the next time is usually in it
};

// Local date-time of a system time, and back.
TDateTime UnixToDateTime(std::time_t seconds, int millisecond = 0);

}  // namespace qm
