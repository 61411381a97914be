#include "platform/size_text.h"

#include <cstdio>
#include <iterator>

namespace qm {

std::string ScaledSizeText(int64_t bytes, const char* const (&units)[4]) {
  double value = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(units)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

}  // namespace qm
