// A byte count for people to read: one decimal in the largest unit of 1024 that keeps it at
// 1 or more.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// `bytes` (1024 or more) as "286.1 MB": `units` names the kilo, mega, giga and tera steps.
std::string ScaledSizeText(int64_t bytes, const char* const (&units)[4]);

}  // namespace qm
