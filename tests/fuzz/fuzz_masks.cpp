// Feeds arbitrary mask texts and names to the mask cutter and matcher. Input: mask text, a
// newline, then the file names to match (one a line).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/masks.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool HasWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\n');
  const std::string_view text = input.substr(0, cut);
  const std::string_view names = cut == std::string_view::npos ? "" : input.substr(cut + 1);

  const auto masks = qm::CutMaskText(text);
  const bool has_semicolon = text.find(';') != std::string_view::npos;
  for (const std::string& mask : masks) {
    Require(mask.size() >= 2);
    // Commas only separate pieces in a text without ";", and never survive into those pieces.
    if (has_semicolon) Require(mask.find(';') == std::string::npos);
    if (!has_semicolon) Require(mask.find(',') == std::string::npos);
  }

  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find('\n', start);
    if (end == std::string_view::npos) end = names.size();
    const std::string_view name = names.substr(start, end - start);
    start = end + 1;

    Require(qm::MatchesMask(name, "*.*"));
    Require(qm::MatchesMask(name, "*"));
    if (!HasWildcard(name)) {
      // A name without wildcards is a mask that selects itself, in either letter case.
      Require(qm::MatchesMask(name, name));
      Require(qm::MatchesMask(name, Lower(name)));
    }
    for (const std::string& mask : masks) {
      const bool match = qm::MatchesMask(name, mask);
      // "*" in front of a mask can only widen what it selects.
      if (match) Require(qm::MatchesMask(name, "*" + mask));
      (void)qm::MatchesMask(mask, name);
    }
    if (names.empty()) break;
  }
  return 0;
}
