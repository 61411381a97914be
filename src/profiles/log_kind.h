// The kind of a log record: which options let it through and how it is prefixed.
#pragma once

#include <cstdint>

namespace qm {

// Kinds of log records.
enum class LogKind : uint8_t { kInfo = 0, kError = 1, kDelete = 2, kSuccess = 3 };

}  // namespace qm
