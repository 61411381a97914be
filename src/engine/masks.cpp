#include "engine/masks.h"

namespace qm {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Length in bytes of the UTF-8 character starting at s[i] (1 for a stray byte).
size_t CharLength(std::string_view s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

size_t CharCount(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) ++count;
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
    } else if (m < mask.size() && mask[m] == '?') {
      n += CharLength(name, n);
      ++m;
    } else if (m < mask.size() && LowerAscii(mask[m]) == LowerAscii(name[n])) {
      ++n;
      ++m;
    } else if (star_m != std::string_view::npos) {
      // Let the last "*" swallow one more character and retry from there.
      star_n += CharLength(name, star_n);
      n = star_n;
      m = star_m;
    } else {
      return false;
    }
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

}  // namespace qm
