#include "engine/names.h"

#include <algorithm>
#include <limits>

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

// Decodes the UTF-8 character at s[i]; `len` receives its length (1 for a stray byte, whose
// code point is then 0xFFFD).
uint32_t DecodeUtf8(std::string_view s, size_t i, size_t& len) {
  const auto c = static_cast<unsigned char>(s[i]);
  len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (len == 1 || i + len > s.size()) {
    len = 1;
    return 0xFFFD;
  }
  uint32_t cp = c & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      len = 1;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  return cp;
}

}  // namespace

std::pair<std::string, std::string> SplitAtLastDot(std::string_view text) {
  const size_t at = text.rfind('.');
  if (at == std::string_view::npos) return {std::string(text), std::string()};
  return {std::string(text.substr(0, at)), std::string(text.substr(at + 1))};
}

std::optional<std::string> StripKeepSuffix(std::string_view name, bool doZIP, int16_t KeepCopyKind,
                                           int64_t& M) {
  std::string reduced(name);
  if (doZIP) {
    auto [before, after] = SplitAtLastDot(reduced);
    if (after != "zip") return std::nullopt;
    reduced = std::move(before);
  }
  if (KeepCopyKind == kKeepSequence) {
    auto [before, after] = SplitAtLastDot(reduced);
    const int64_t number = ParseWholeNumber(after).value_or(0);
    if (number > M) M = number;
    reduced = std::move(before);
  } else if (KeepCopyKind == kKeepDateTime) {
    reduced = SplitAtLastDot(reduced).first;
  }
  return reduced;
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
      const uint32_t cp = DecodeUtf8(text, i, len);
      if (IsUnicodeBlank(cp)) {
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

DestinationIndex::DestinationIndex(const TWList<TFilesListItem>& dest, bool doZIP,
                                   int16_t KeepCopyKind) {
  const size_t count = dest.Count();
  reduced_.reserve(count);
  prefix_m_.reserve(count);
  groups_.reserve(count);
  int64_t m = 0;
  for (size_t i = 0; i < count; ++i) {
    const TFilesListItem& entry = dest.Object(i);
    reduced_.push_back(StripKeepSuffix(entry.Name, doZIP, KeepCopyKind, m));
    prefix_m_.push_back(m);
    if (!reduced_.back()) continue;
    Group& group = groups_[*reduced_.back()];
    const auto time = static_cast<DosDateTime>(entry.Time);
    group.max_time.push_back(group.max_time.empty() ? time : std::max(group.max_time.back(), time));
    group.entries.push_back(i);
  }
  max_sequence_ = m;
}

DestinationIndex::Pairing DestinationIndex::Pair(std::string_view source_name,
                                                 DosDateTime source_time) const {
  Pairing result;
  result.M = max_sequence_;
  const auto it = groups_.find(source_name);
  if (it == groups_.end()) return result;
  const Group& group = it->second;
  // The walk stops at the first entry of this name that is at least as new as the source:
  // the first position where the running newest time reaches the source's time.
  const auto stop = std::lower_bound(group.max_time.begin(), group.max_time.end(), source_time);
  if (stop == group.max_time.end()) {
    result.matched = group.entries;
    return result;
  }
  const auto k = static_cast<size_t>(stop - group.max_time.begin());
  result.matched = std::span<const size_t>(group.entries.data(), k + 1);
  result.copy_needed = false;
  result.M = prefix_m_[group.entries[k]];
  return result;
}

std::span<const size_t> DestinationIndex::EntriesNamed(std::string_view source_name) const {
  const auto it = groups_.find(source_name);
  if (it == groups_.end()) return {};
  return it->second.entries;
}

}  // namespace qm
