#include "engine/masks.h"

#include "engine/kept_copy_names.h"

#include <cstdint>
#include <optional>

#include "platform/utf8.h"

namespace qm {
namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

struct Char {
  uint32_t cp;
  size_t len;
};

// The UTF-8 character at s[i]. A byte that starts no well-formed character stands for itself,
// as a code point no valid character has.
Char Decode(std::string_view s, size_t i) {
  size_t len = 1;
  const std::optional<char32_t> c = DecodeUtf8(s, i, len);
  return c ? Char{*c, len} : Char{0xDC00u + static_cast<unsigned char>(s[i]), 1};
}

// Lower case for the letters of Latin, Greek and Cyrillic names; other characters unchanged.
uint32_t Fold(uint32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
  if ((cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) return cp | 1u;
  if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) {
    return (cp & 1u) != 0 ? cp + 1 : cp;
  }
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 0x20;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 0x20;
  if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
  return cp;
}

size_t CharCount(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); i += Decode(s, i).len) ++count;
  return count;
}

// Classic wildcard match with one backtrack point: the last "*" seen. Linear in practice.
bool Glob(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0;
  size_t star_m = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star_m = ++m;
      star_n = n;
      continue;
    }
    if (m < mask.size() && mask[m] == '?') {
      n += Decode(name, n).len;
      ++m;
      continue;
    }
    if (m < mask.size()) {
      const Char a = Decode(mask, m), b = Decode(name, n);
      if (Fold(a.cp) == Fold(b.cp)) {
        m += a.len;
        n += b.len;
        continue;
      }
    }
    if (star_m == std::string_view::npos) return false;
    // Let the last "*" swallow one more character and retry from there.
    star_n += Decode(name, star_n).len;
    n = star_n;
    m = star_m;
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

std::vector<std::string> CutMaskText(std::string_view text) {
  if (text.empty()) text = "*.*";
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  std::vector<std::string> masks;
  while (!text.empty()) {
    size_t at = text.find(';');
    if (at == std::string_view::npos) at = text.find(',');
    std::string_view piece = text.substr(0, at);
    text = at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
    if (CharCount(piece) >= 2) masks.emplace_back(piece);
  }
  return masks;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*" || mask == "*") return true;
  if (Glob(name, mask)) return true;
  // A trailing ".*" may also match nothing at all, so "report.*" selects "report" too.
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*") {
    return Glob(name, mask.substr(0, mask.size() - 2));
  }
  return false;
}

std::string_view NameStoodFor(std::string_view file_name, bool doZIP, int16_t KeepCopyKind) {
  std::string_view name = file_name;
  if (doZIP) {
    if (!name.ends_with(".zip")) return name;
    name.remove_suffix(4);
  }
  if (KeepCopyKind == kKeepSequence || KeepCopyKind == kKeepDateTime) {
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
  }
  return name;
}

}  // namespace qm
