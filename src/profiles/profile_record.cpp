#include <algorithm>
#include <bit>
#include <cstring>

#include "profiles/profile_record.h"

namespace qm {

// The record is little-endian on disk and in memory; this machine is too, and the byte copies
// keep the unaligned offsets safe.
static_assert(std::endian::native == std::endian::little);

int16_t ProfileRecord::GetInt16(size_t at) const {
  int16_t v;
  std::memcpy(&v, &bytes_[at], sizeof v);
  return v;
}

void ProfileRecord::SetInt16(size_t at, int16_t v) {
  std::memcpy(&bytes_[at], &v, sizeof v);
}

double ProfileRecord::GetDouble(size_t at) const {
  double v;
  std::memcpy(&v, &bytes_[at], sizeof v);
  return v;
}

void ProfileRecord::SetDouble(size_t at, double v) {
  std::memcpy(&bytes_[at], &v, sizeof v);
}

std::string ProfileRecord::GetText(size_t at, size_t capacity) const {
  const size_t length = std::min(static_cast<size_t>(bytes_[at]), capacity);
  return std::string(reinterpret_cast<const char*>(&bytes_[at + 1]), length);
}

void ProfileRecord::SetText(size_t at, size_t capacity, std::string_view v) {
  const std::string_view cut = CutUtf8(v, capacity);
  std::memset(&bytes_[at], 0, capacity + 1);
  bytes_[at] = static_cast<std::byte>(cut.size());
  std::memcpy(&bytes_[at + 1], cut.data(), cut.size());
}

std::string_view CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = max_bytes;
  // Step back over continuation bytes (10xxxxxx) to the start of the split character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace qm
