// Turning a profile into work: the folder scan and queueing a snapshot on the run list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_context.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path_style.h"
#include "profiles/file_list.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"

namespace qm {

// One tree to scan. A destination's files are selected by the names they stand for
// (NameStoodFor with `doZIP` and `KeepCopyKind`), a source's by their own.
struct ScanRequest {
  std::string dir;
  std::vector<std::string> masks;
  bool incl_dirs = false;
  std::string top;  // the directory the relative `Name`s are taken from
  bool destination = false;
  bool doZIP = false;
  int16_t KeepCopyKind = 0;
  // The program's own live files and folders (the lock folder, the log being written), full
  // paths without a trailing separator: never listed, never entered.
  std::vector<std::string> own_paths;
};

// The signature a CACHEDIR.TAG file begins with, the tag other backup tools honour as well.
inline constexpr std::string_view kCacheDirSignature =
    "Signature: 8a477f597d28d172789f06886806bc55";

struct ScanOutcome {
  Status status;  // the first failure
  // Every directory that could not be listed (its files would otherwise look deleted), as
  // the scan named it.
  std::vector<std::string> unlisted;
  // Folders tagged as caches by a valid CACHEDIR.TAG: skipped with everything below them.
  std::vector<std::string> caches;
  // Fifos, sockets and devices the masks select (a source's only): they cannot be copied.
  std::vector<std::string> special_files;
};

// Appends to `list` every file below the request's `dir` that one of its masks selects, depth
// first: the files of the subdirectories (when `incl_dirs`) before the directory's own files,
// those mask by mask in listing order, each file once. Our temporaries, the program's own paths
// and system entries (devices, sockets, fifos) are skipped, and so is a folder tagged as a cache
// with everything below it; dot names are listed like any other. Links to directories are not
// descended. What could be listed is in `list` whatever the outcome.
ScanOutcome ScanTree(FileSystem& fs, const ScanRequest& request, NamedList<ScannedFile>& list,
                     const PathStyle& style = PosixStyle());

// ScanTree of a source tree; returns its first failure.
Status ScanFolder(FileSystem& fs, const std::string& dir, const std::vector<std::string>& masks,
                  NamedList<ScannedFile>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style = PosixStyle());

// The same, with the profile's mask text (cut by CutMaskText).
Status ScanFolder(FileSystem& fs, const std::string& dir, std::string_view mask_text,
                  NamedList<ScannedFile>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style = PosixStyle());

// Queues a snapshot of `profile` on ctx.run_list unless a profile of that name (any letter case)
// is already queued: scans its source and destination, telling the observer when the snapshot
// is queued and when it is scanned.
// A failed scan sets the snapshot's SrcScanFailed / DestScanFailed with the error text and the
// unlisted directories. The two trees are walked at once on two threads when the file system
// allows it; only the walks run there, the lists and records come out the same either way.
void QueueProfile(EngineContext& ctx, const ProfileRecord& profile);

// Reports every source directory the snapshot's scan could not list.
void ReportUnlistedSourceDirectories(EngineContext& ctx, const RunSnapshot& item);

// Reports the folders both scans skipped as caches and the source's special files.
void ReportSkippedEntries(EngineContext& ctx, const RunSnapshot& item);

}  // namespace qm
