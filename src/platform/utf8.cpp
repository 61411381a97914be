#include "platform/utf8.h"

namespace qm {

std::optional<char32_t> DecodeUtf8(std::string_view text, size_t at, size_t& length) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  length = 1;
  if (byte(0) < 0x80) return byte(0);
  // Lead byte mask and value, the bits it carries, and the smallest character of that length
  // (anything below is an overlong form).
  struct Form {
    unsigned char mask, value, bits;
    char32_t min;
  };
  static constexpr Form kForms[] = {
      {0xE0, 0xC0, 0x1F, 0x80}, {0xF0, 0xE0, 0x0F, 0x800}, {0xF8, 0xF0, 0x07, 0x10000}};
  for (size_t n = 2; n <= 4; ++n) {
    const Form& form = kForms[n - 2];
    if ((byte(0) & form.mask) != form.value) continue;
    if (at + n > text.size()) return std::nullopt;
    char32_t c = byte(0) & form.bits;
    for (size_t i = 1; i < n; ++i) {
      if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < form.min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    length = n;
    return c;
  }
  return std::nullopt;
}

bool IsUtf8BeyondAscii(std::string_view text) {
  bool beyond_ascii = false;
  for (size_t at = 0, length = 1; at < text.size(); at += length) {
    if (!DecodeUtf8(text, at, length)) return false;
    beyond_ascii = beyond_ascii || length > 1;
  }
  return beyond_ascii;
}

}  // namespace qm
