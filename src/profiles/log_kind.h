// The kind of a log record: which options let it through and how it is prefixed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// Kinds of log records.
enum class LogKind : uint8_t { kInfo = 0, kError = 1, kDelete = 2, kSuccess = 3 };

// A path or name as the records quote it.
inline std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace qm
