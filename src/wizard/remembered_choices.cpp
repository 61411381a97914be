#include "wizard/remembered_choices.h"

#include <strings.h>
#include <charconv>

namespace qm {

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

void ReadBoolText(const std::string& text, bool& value) {
  if (::strcasecmp(text.c_str(), "True") == 0) value = true;
  if (::strcasecmp(text.c_str(), "False") == 0) value = false;
}

int ReadIntText(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace qm
