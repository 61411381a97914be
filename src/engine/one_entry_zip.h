// A ZIP archive of one deflated entry, laid out in memory, so that a small file's archive is
// written with one call and no intermediate file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qm {

struct OneEntryHead {
  std::string_view name;             // stored as given: UTF-8 is flagged as such
  uint32_t dos_time = 0;             // local date in the high half, time in the low half
  int64_t mtime = 0;                 // the exact second, for the extended-timestamp field
  uint32_t external_attributes = 0;  // Unix mode in the high half, DOS bits below
  uint32_t crc = 0;
  uint32_t plain_size = 0;
};

// The whole archive: local header, the data as given, central directory and its end record,
// as libzip writes them for a deflated entry made on Unix. Data and sizes stay under 4 GiB.
std::vector<std::byte> LayOutOneEntryZip(const OneEntryHead& head,
                                         std::span<const std::byte> deflated);

}  // namespace qm
