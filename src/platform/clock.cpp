#include "platform/clock.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace qm {

namespace {

class SystemClockImpl final : public Clock {
 public:
  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return UnixToDateTime(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000));
  }

  uint64_t TickCount() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
};

// ---- strftime formats to patterns --------------------------------------------------------

bool IsPatternLetter(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

struct Translation {
  std::string pattern;
  char separator = 0;  // the first punctuation between fields, if any
};

// `placeholder` is '/' for dates and ':' for times: the pattern names the separator through it.
void Translate(const std::string& fmt, char placeholder, const std::string& t_fmt_ampm, int depth,
               Translation& out) {
  auto literal = [&](char c) {
    if (IsPatternLetter(c) || c == '"' || c == '\'' || c == '/' || c == ':') {
      // Letters and the pattern's own symbols would be read as fields: quote them.
      const char quote = c == '"' ? '\'' : '"';
      out.pattern += quote;
      out.pattern += c;
      out.pattern += quote;
    } else {
      out.pattern += c;
    }
  };
  for (size_t i = 0; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (c != '%') {
      const bool punct = std::ispunct(static_cast<unsigned char>(c)) != 0 && c != '"' && c != '\'';
      if (punct && (out.separator == 0 || out.separator == c)) {
        out.separator = c;
        out.pattern += placeholder;
      } else {
        literal(c);
      }
      continue;
    }
    if (++i >= fmt.size()) break;
    bool no_pad = false;
    while (i < fmt.size() && (fmt[i] == '-' || fmt[i] == '_' || fmt[i] == '0' || fmt[i] == '^' ||
                              fmt[i] == '#' || fmt[i] == 'E' || fmt[i] == 'O')) {
      if (fmt[i] == '-' || fmt[i] == '_') no_pad = true;
      ++i;
    }
    if (i >= fmt.size()) break;
    auto recurse = [&](const std::string& sub) {
      if (depth < 3) Translate(sub, placeholder, t_fmt_ampm, depth + 1, out);
    };
    switch (fmt[i]) {
      case 'd':
        out.pattern += no_pad ? "d" : "dd";
        break;
      case 'e':
        out.pattern += "d";
        break;
      case 'm':
        out.pattern += no_pad ? "m" : "mm";
        break;
      case 'y':
        out.pattern += "yy";
        break;
      case 'Y':
      case 'G':
        out.pattern += "yyyy";
        break;
      case 'b':
      case 'h':
        out.pattern += "mmm";
        break;
      case 'B':
        out.pattern += "mmmm";
        break;
      case 'a':
        out.pattern += "ddd";
        break;
      case 'A':
        out.pattern += "dddd";
        break;
      case 'H':
      case 'I':
        out.pattern += no_pad ? "h" : "hh";
        break;
      case 'k':
      case 'l':
        out.pattern += "h";
        break;
      case 'M':
        out.pattern += no_pad ? "n" : "nn";
        break;
      case 'S':
        out.pattern += no_pad ? "s" : "ss";
        break;
      case 'p':
      case 'P':
        out.pattern += "ampm";
        break;
      case 'r':
        recurse(t_fmt_ampm);
        break;
      case 'T':
        recurse("%H:%M:%S");
        break;
      case 'R':
        recurse("%H:%M");
        break;
      case 'D':
        recurse("%m/%d/%y");
        break;
      case 'F':
        recurse("%Y-%m-%d");
        break;
      case 'n':
      case 't':
        out.pattern += ' ';
        break;
      case '%':
        out.pattern += '%';
        break;
      default:
        break;  // fields the program never shows (week numbers, zone names...)
    }
  }
}

// ---- pattern formatting -------------------------------------------------------------------

void AppendNumber(std::string& out, int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out += buf;
}

bool StartsWithNoCase(const std::string& s, size_t pos, const char* prefix) {
  for (size_t k = 0; prefix[k] != 0; ++k) {
    if (pos + k >= s.size() || std::tolower(static_cast<unsigned char>(s[pos + k])) != prefix[k]) {
      return false;
    }
  }
  return true;
}

// Whether an am/pm field anywhere in the pattern turns the hours into a 12-hour clock.
bool HasAmPm(const std::string& pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      const size_t close = pattern.find(c, i + 1);
      if (close == std::string::npos) return false;
      i = close;
    } else if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
               StartsWithNoCase(pattern, i, "ampm")) {
      return true;
    }
  }
  return false;
}

bool IsMidnight(const DateParts& p) {
  return p.hour == 0 && p.minute == 0 && p.second == 0;
}

void Format(const std::string& pattern, const DateParts& p, const RegionalFormats& f, int depth,
            std::string& out) {
  const bool twelve_hour = HasAmPm(pattern);
  char last_token = 0;
  size_t i = 0;
  auto run_of = [&](char lower) {
    size_t n = 0;
    while (i + n < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[i + n])) == lower) {
      ++n;
    }
    return n;
  };
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      size_t close = pattern.find(c, i + 1);
      if (close == std::string::npos) close = pattern.size();
      out.append(pattern, i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    if (c == '/') {
      out += f.date_separator;
      ++i;
      continue;
    }
    if (c == ':') {
      out += f.time_separator;
      ++i;
      continue;
    }
    char token = lower;
    // "m" right after an hour field (separators between them do not count) is the minute.
    if (token == 'm' && last_token == 'h') token = 'n';
    if (std::isalpha(static_cast<unsigned char>(c))) last_token = token;
    switch (token) {
      case 'd': {
        const size_t n = run_of('d');
        i += n;
        if (n == 1) {
          AppendNumber(out, p.day, 1);
        } else if (n == 2) {
          AppendNumber(out, p.day, 2);
        } else if (n <= 4) {
          const auto days =
              static_cast<int64_t>(EncodeDateTime(DateParts{p.year, p.month, p.day}).value_or(0.0));
          const int dow = static_cast<int>(((days % 7) + 7 + 6) % 7);  // 1899-12-30 was a Saturday
          out += n == 3 ? f.short_day_names[dow] : f.long_day_names[dow];
        } else if (depth < 2) {
          Format(f.short_date, p, f, depth + 1, out);
        }
        break;
      }
      case 'm': {
        const size_t n = run_of('m');
        i += n;
        if (n <= 2) {
          AppendNumber(out, p.month, static_cast<int>(n));
        } else {
          out += n == 3 ? f.short_month_names[p.month - 1] : f.long_month_names[p.month - 1];
        }
        break;
      }
      case 'n': {
        const size_t n = token == lower ? run_of('n') : run_of('m');
        i += n;
        AppendNumber(out, p.minute, n >= 2 ? 2 : 1);
        break;
      }
      case 'y': {
        const size_t n = run_of('y');
        i += n;
        if (n <= 2) {
          AppendNumber(out, p.year % 100, 2);
        } else {
          AppendNumber(out, p.year, 4);
        }
        break;
      }
      case 'h': {
        const size_t n = run_of('h');
        i += n;
        int hour = p.hour;
        if (twelve_hour) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendNumber(out, hour, n >= 2 ? 2 : 1);
        break;
      }
      case 's': {
        const size_t n = run_of('s');
        i += n;
        AppendNumber(out, p.second, n >= 2 ? 2 : 1);
        break;
      }
      case 'z': {
        const size_t n = run_of('z');
        i += n;
        AppendNumber(out, p.millisecond, n >= 2 ? 3 : 1);
        break;
      }
      case 'a': {
        const bool pm = p.hour >= 12;
        if (StartsWithNoCase(pattern, i, "am/pm")) {
          out.append(pattern, pm ? i + 3 : i, 2);  // in the letter case the pattern uses
          i += 5;
        } else if (StartsWithNoCase(pattern, i, "a/p")) {
          out += pattern[pm ? i + 2 : i];
          i += 3;
        } else if (StartsWithNoCase(pattern, i, "ampm")) {
          out += pm ? f.pm : f.am;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        break;
      }
      case 'c': {
        ++i;
        if (depth < 2) {
          Format(f.short_date, p, f, depth + 1, out);
          if (!IsMidnight(p)) {
            out += ' ';
            Format(f.long_time, p, f, depth + 1, out);
          }
        }
        break;
      }
      case 't': {
        i += run_of('t');
        if (depth < 2) Format(f.long_time, p, f, depth + 1, out);
        break;
      }
      default:
        out += c;
        ++i;
        break;
    }
  }
}

std::string LangInfo(locale_t loc, nl_item item) {
  const char* s = loc != nullptr ? nl_langinfo_l(item, loc) : nl_langinfo(item);
  return s != nullptr ? std::string(s) : std::string();
}

}  // namespace

Clock& SystemClock() {
  static SystemClockImpl instance;
  return instance;
}

RegionalFormats RegionalFormats::FromStrftime(const std::string& d_fmt, const std::string& t_fmt,
                                              const std::string& am, const std::string& pm,
                                              const std::string& t_fmt_ampm) {
  RegionalFormats f;
  Translation date, time;
  Translate(d_fmt, '/', t_fmt_ampm, 0, date);
  // A locale with a 12-hour clock but no AM/PM field in T_FMT would be ambiguous; its %r form
  // carries the field.
  Translate(t_fmt, ':', t_fmt_ampm, 0, time);
  if (!date.pattern.empty()) f.short_date = date.pattern;
  if (!time.pattern.empty()) f.long_time = time.pattern;
  if (date.separator != 0) f.date_separator = date.separator;
  if (time.separator != 0) f.time_separator = time.separator;
  if (!am.empty()) f.am = am;
  if (!pm.empty()) f.pm = pm;
  return f;
}

RegionalFormats RegionalFormats::FromLocale() {
  // newlocale reads LC_ALL/LC_TIME/LANG itself; an unknown name falls back to the C locale.
  locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == nullptr) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  RegionalFormats f =
      FromStrftime(LangInfo(loc, D_FMT), LangInfo(loc, T_FMT), LangInfo(loc, AM_STR),
                   LangInfo(loc, PM_STR), LangInfo(loc, T_FMT_AMPM));
  for (int m = 0; m < 12; ++m) {
    std::string s = LangInfo(loc, static_cast<nl_item>(ABMON_1 + m));
    if (!s.empty()) f.short_month_names[m] = s;
    s = LangInfo(loc, static_cast<nl_item>(MON_1 + m));
    if (!s.empty()) f.long_month_names[m] = s;
  }
  for (int d = 0; d < 7; ++d) {
    std::string s = LangInfo(loc, static_cast<nl_item>(ABDAY_1 + d));
    if (!s.empty()) f.short_day_names[d] = s;
    s = LangInfo(loc, static_cast<nl_item>(DAY_1 + d));
    if (!s.empty()) f.long_day_names[d] = s;
  }
  if (loc != nullptr) freelocale(loc);
  return f;
}

std::string FormatDateTime(const std::string& pattern, TDateTime value,
                           const RegionalFormats& formats) {
  std::string out;
  Format(pattern, DecodeDateTime(value), formats, 0, out);
  return out;
}

std::string DateTimeToDisplay(TDateTime value, const RegionalFormats& formats) {
  const DateParts p = DecodeDateTime(value);
  std::string out;
  Format(formats.short_date, p, formats, 0, out);
  if (!IsMidnight(p)) {
    out += ' ';
    Format(formats.long_time, p, formats, 0, out);
  }
  return out;
}

}  // namespace qm
