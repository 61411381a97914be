#include "platform/date_time.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace qm {

namespace {

constexpr int64_t kMsPerDayInt = 86400000;

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date (H. Hinnant's algorithm), valid for any year.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// 1899-12-30 counted from 1970-01-01.
const int64_t kEpochOfZero = DaysFromCivil(1899, 12, 30);

// A date-time split into signed whole days and the unsigned millisecond of the day. Negative
// values keep the time of day as a positive fraction (-1.25 is 1899-12-29 06:00), so the
// millisecond total is rounded first and then split toward zero.
void SplitMs(TDateTime value, int64_t& days, int64_t& ms_of_day) {
  const int64_t total = std::llround(value * kMsPerDay);
  days = total / kMsPerDayInt;
  ms_of_day = std::llabs(total % kMsPerDayInt);
}

}  // namespace

std::optional<TDateTime> EncodeDateTime(const DateParts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
    return std::nullopt;
  }
  const double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kEpochOfZero);
  const double time = EncodeTime(p.hour, p.minute, p.second, p.millisecond);
  return days < 0 ? days - time : days + time;
}

DateParts DecodeDateTime(TDateTime value) {
  int64_t days = 0, ms = 0;
  SplitMs(value, days, ms);
  DateParts p;
  CivilFromDays(days + kEpochOfZero, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  const int64_t ms =
      ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMsPerDay;
}

TDateTime TimeOf(TDateTime value) {
  int64_t days = 0, ms = 0;
  SplitMs(value, days, ms);
  return static_cast<double>(ms) / kMsPerDay;
}

TDateTime RoundToMillisecond(TDateTime value) {
  return static_cast<double>(std::llround(value * kMsPerDay)) / kMsPerDay;
}

uint32_t PackDosDateTime(const DateParts& local) {
  DateParts p = local;
  if (p.year < 1980) {
    p = DateParts{1980, 1, 1, 0, 0, 0, 0};
  } else if (p.year > 2107) {
    p = DateParts{2107, 12, 31, 23, 59, 58, 0};
  }
  const uint32_t date = (static_cast<uint32_t>(p.year - 1980) << 9) |
                        (static_cast<uint32_t>(p.month) << 5) | static_cast<uint32_t>(p.day);
  // Two-second resolution: an odd second rounds down.
  const uint32_t time = (static_cast<uint32_t>(p.hour) << 11) |
                        (static_cast<uint32_t>(p.minute) << 5) |
                        (static_cast<uint32_t>(p.second) / 2);
  return (date << 16) | time;
}

DateParts UnpackDosDateTime(uint32_t dos) {
  DateParts p;
  const uint32_t date = dos >> 16;
  const uint32_t time = dos & 0xFFFF;
  p.year = static_cast<int>(date >> 9) + 1980;
  p.month = static_cast<int>((date >> 5) & 0x0F);
  p.day = static_cast<int>(date & 0x1F);
  p.hour = static_cast<int>(time >> 11);
  p.minute = static_cast<int>((time >> 5) & 0x3F);
  p.second = static_cast<int>(time & 0x1F) * 2;
  return p;
}

TDateTime DosDateTimeToDateTime(uint32_t dos) {
  // A damaged value (month 0, hour 24...) has no date; 0 is the "no date" of the profile table.
  return EncodeDateTime(UnpackDosDateTime(dos)).value_or(0.0);
}

uint32_t UnixToDosDateTime(std::time_t seconds) {
  std::tm tm{};
  if (localtime_r(&seconds, &tm) == nullptr) {
    return PackDosDateTime(DateParts{seconds < 0 ? 1 : 9999, 1, 1, 0, 0, 0, 0});
  }
  return PackDosDateTime(
      DateParts{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0});
}

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

namespace {

std::optional<int64_t> OffsetAt(int64_t seconds) {
  std::tm tm{};
  const auto t = static_cast<std::time_t>(seconds);
  if (localtime_r(&t, &tm) == nullptr) return std::nullopt;
  return static_cast<int64_t>(tm.tm_gmtoff);
}

}  // namespace

const DosTimeConverter::Span* DosTimeConverter::Find(int64_t seconds) {
  if (last_ < spans_.size() && spans_[last_].start <= seconds && seconds < spans_[last_].end) {
    return &spans_[last_];
  }
  auto it = std::upper_bound(spans_.begin(), spans_.end(), seconds,
                             [](int64_t s, const Span& span) { return s < span.start; });
  if (it != spans_.begin() && seconds < std::prev(it)->end) {
    last_ = static_cast<size_t>(std::prev(it) - spans_.begin());
    return &spans_[last_];
  }
  const std::optional<int64_t> offset = OffsetAt(seconds);
  if (!offset) return nullptr;
  // Walk out a day at a time while the offset holds (zones never change it twice in a day),
  // up to two months each way, then find the exact second of the change.
  constexpr int64_t kDay = 86400, kSteps = 62;
  auto edge = [&](int64_t direction) {
    int64_t inside = seconds;
    for (int64_t step = 0; step < kSteps; ++step) {
      const int64_t next = inside + direction * kDay;
      if (OffsetAt(next) != offset) {
        int64_t in = inside, out = next;  // offset(in) is ours, offset(out) is not
        while (in + direction != out) {
          const int64_t mid = in + (out - in) / 2;
          (OffsetAt(mid) == offset ? in : out) = mid;
        }
        return in;
      }
      inside = next;
    }
    return inside;
  };
  const Span span{edge(-1), edge(+1) + 1, *offset};
  it = spans_.insert(std::upper_bound(spans_.begin(), spans_.end(), span.start,
                                      [](int64_t s, const Span& x) { return s < x.start; }),
                     span);
  last_ = static_cast<size_t>(it - spans_.begin());
  return &spans_[last_];
}

uint32_t DosTimeConverter::FromUnix(std::time_t seconds) {
  // Far outside the DOS range the zone's answer no longer matters: the value clamps anyway.
  constexpr int64_t kFar = int64_t{1} << 40;
  if (seconds < -kFar || seconds > kFar) return UnixToDosDateTime(seconds);
  const Span* span = Find(seconds);
  if (span == nullptr) return UnixToDosDateTime(seconds);
  const int64_t local = seconds + span->offset;
  const int64_t days = FloorDiv(local, 86400);
  const int64_t in_day = local - days * 86400;
  DateParts p;
  CivilFromDays(days, p.year, p.month, p.day);
  p.hour = static_cast<int>(in_day / 3600);
  p.minute = static_cast<int>(in_day / 60 % 60);
  p.second = static_cast<int>(in_day % 60);
  return PackDosDateTime(p);
}

std::optional<std::time_t> DosTimeConverter::ToUnix(uint32_t dos) {
  const DateParts p = UnpackDosDateTime(dos);
  if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month) ||
      p.hour > 23 || p.minute > 59 || p.second > 59) {
    return std::nullopt;
  }
  const int64_t local =
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) * 86400 +
      p.hour * 3600 + p.minute * 60 + p.second;
  // Offsets are less than a day and change at most once in two days: the offsets in force a
  // day before and a day after are the only candidates, and a candidate is right when the
  // moment it gives has that offset.
  constexpr int64_t kDay = 86400;
  std::optional<std::time_t> found;
  int consistent = 0;
  int64_t tried[2];
  for (int i = 0; i < 2; ++i) {
    // Offsets are copied out at once: a Find may add a span and move the others.
    const Span* near = Find(local + (i == 0 ? -kDay : kDay));
    if (near == nullptr) return std::nullopt;
    tried[i] = near->offset;
    if (i == 1 && tried[1] == tried[0]) break;
    const int64_t candidate = local - tried[i];
    const Span* at = Find(candidate);
    if (at == nullptr) return std::nullopt;
    if (at->offset == tried[i]) {
      ++consistent;
      found = static_cast<std::time_t>(candidate);
    }
  }
  if (consistent != 1) return std::nullopt;
  return found;
}

namespace {

std::time_t DosDateTimeToUnixByZone(uint32_t dos) {
  const DateParts p = UnpackDosDateTime(dos);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;  // let the zone rules decide whether daylight saving applies
  return mktime(&tm);
}

// The converter of this thread, made afresh when TZ changes and every few seconds, so that a
// change of the system's zone is followed too; asking the zone itself re-reads its file on
// every call, a status call per copied file.
DosTimeConverter& ThreadConverter() {
  struct Cached {
    DosTimeConverter converter;
    std::string tz;
    bool has_tz = false;
    int64_t made = 0;
  };
  constexpr int64_t kFreshSeconds = 10;
  thread_local std::unique_ptr<Cached> cached;
  const char* tz = std::getenv("TZ");
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (!cached || cached->has_tz != (tz != nullptr) || (tz != nullptr && cached->tz != tz) ||
      now.tv_sec - cached->made >= kFreshSeconds) {
    cached = std::make_unique<Cached>();
    cached->has_tz = tz != nullptr;
    if (tz != nullptr) cached->tz = tz;
    cached->made = now.tv_sec;
    tzset();  // localtime_r follows a new TZ only after this
  }
  return cached->converter;
}

}  // namespace

std::time_t DosDateTimeToUnix(uint32_t dos) {
  if (const std::optional<std::time_t> t = ThreadConverter().ToUnix(dos)) return *t;
  return DosDateTimeToUnixByZone(dos);
}

TDateTime UnixToDateTime(std::time_t seconds, int millisecond) {
  std::tm tm{};
  if (localtime_r(&seconds, &tm) == nullptr) return 0.0;
  return EncodeDateTime(DateParts{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                  tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, millisecond})
      .value_or(0.0);
}

}  // namespace qm
