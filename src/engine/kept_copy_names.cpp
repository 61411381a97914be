#include "engine/kept_copy_names.h"

#include <algorithm>
#include <limits>

#include "platform/utf8.h"

namespace qm {
namespace {

// A whole decimal integer with an optional sign; nullopt for anything else or an overflow.
std::optional<int64_t> ParseWholeNumber(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    // Keep room for the "+ 1" of the next copy's number.
    if (value > (std::numeric_limits<int64_t>::max() - 1 - (c - '0')) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// Unicode blanks a locale may put into a time format (no-break space, narrow no-break space
// before AM/PM...): they are blanks, so they become "_" like the ASCII blank.
bool IsUnicodeBlank(uint32_t cp) {
  return cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200B) || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000 || cp == 0xFEFF;
}

}  // namespace

std::pair<std::string, std::string> SplitAtLastDot(std::string_view text) {
  const size_t at = text.rfind('.');
  if (at == std::string_view::npos) return {std::string(text), std::string()};
  return {std::string(text.substr(0, at)), std::string(text.substr(at + 1))};
}

std::optional<std::string_view> ReduceDestinationName(std::string_view name, bool doZIP,
                                                      int16_t KeepCopyKind, int64_t& M) {
  auto before_last_dot = [](std::string_view text) {
    const size_t at = text.rfind('.');
    return at == std::string_view::npos ? text : text.substr(0, at);
  };
  std::string_view reduced = name;
  if (doZIP) {
    const size_t at = reduced.rfind('.');
    if (at == std::string_view::npos || reduced.substr(at + 1) != "zip") return std::nullopt;
    reduced = reduced.substr(0, at);
  }
  if (KeepCopyKind == kKeepSequence) {
    const size_t at = reduced.rfind('.');
    const std::string_view after =
        at == std::string_view::npos ? std::string_view() : reduced.substr(at + 1);
    const int64_t number = ParseWholeNumber(after).value_or(0);
    if (number > M) M = number;
    reduced = before_last_dot(reduced);
  } else if (KeepCopyKind == kKeepDateTime) {
    reduced = before_last_dot(reduced);
  }
  return reduced;
}

std::optional<std::string> StripKeepSuffix(std::string_view name, bool doZIP, int16_t KeepCopyKind,
                                           int64_t& M) {
  const auto reduced = ReduceDestinationName(name, doZIP, KeepCopyKind, M);
  if (!reduced) return std::nullopt;
  return std::string(*reduced);
}

std::string DateTimeSuffix(TDateTime now, const RegionalFormats& formats) {
  const std::string text = FormatDateTime(formats.short_date, now, formats) + " " +
                           FormatDateTime(formats.long_time, now, formats);
  std::string suffix;
  suffix.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      size_t len = 1;
      if (IsUnicodeBlank(DecodeUtf8(text, i, len).value_or(0xFFFD))) {
        suffix += '_';
      } else {
        suffix.append(text, i, len);
      }
      i += len;
      continue;
    }
    if (c == ',' || c == '.' || c == ':' || c == ';') {
      suffix += '-';
    } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      suffix += c;
    } else {
      suffix += '_';
    }
    ++i;
  }
  return suffix;
}

std::string DistinctSuffix(std::string_view suffix,
                           const std::function<bool(std::string_view)>& taken) {
  std::string candidate(suffix);
  for (int n = 2; taken(candidate); ++n) candidate = std::string(suffix) + "_" + std::to_string(n);
  return candidate;
}

std::string NewCopyName(std::string_view file_name, int16_t KeepCopyKind, int64_t M,
                        std::string_view date_time_suffix) {
  std::string name(file_name);
  if (KeepCopyKind == kKeepSequence) {
    name += '.';
    name += std::to_string(M + 1);
  } else if (KeepCopyKind == kKeepDateTime) {
    name += '.';
    name += date_time_suffix;
  }
  return name;
}

}  // namespace qm
