// Reading our archives back: the one entry of an archive, its data checked against its CRC,
// and unpacking it as a faithful copy of the file it was made from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "ui/message_loop.h"

namespace qm {

// The archive's entry: its size, mode and exact modification time as the packer stored them.
struct ArchiveEntry {
  std::string name;
  FileMeta meta;  // mode 0 when the archive was not made on Unix
};

// Opens `archive` and describes its first entry; an archive that cannot be opened or holds no
// entry is an error.
Result<ArchiveEntry> StatArchive(FileSystem& fs, const std::string& archive);

// Reads every entry of `archive` through, handing the first entry's data to `sink` in order
// (null: only checked). Fails on an unreadable archive, a data error or a CRC mismatch, and
// when `sink` returns false (then the error's kind is kOther and its text empty).
Status ReadArchive(FileSystem& fs, const std::string& archive,
                   const std::function<bool(std::span<const std::byte>)>& sink);

// Unpacks the entry of `archive` to `target`: written under the temporary name, checked, given
// the entry's mode and time (a link made as a link), synced and renamed over `target` (only
// when `may_replace`; otherwise an existing file fails it). Nothing is left behind on failure.
// Returns the bytes written; throws FileError.
int64_t UnpackArchive(FileSystem& fs, ui::MessageLoop& loop, const std::string& archive,
                      const std::string& target, bool may_replace);

}  // namespace qm
