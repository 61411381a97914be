// Turning a profile into work: the folder scan and queueing a snapshot on the run list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_context.h"
#include "engine/path_style.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "profiles/qmTypes.h"

namespace qm {

// Appends to `list` every file below `dir` that one of `masks` selects, depth first: the files
// of the subdirectories (when `incl_dirs`) before the directory's own files, those mask by mask
// in listing order, each file once. Names beginning with "." are skipped, as are system
// entries (devices, sockets, fifos); links to directories are not descended. `top` is the
// directory the relative `Name`s are taken from.
// Returns an error when `dir` or a directory below it could not be listed (its files would
// otherwise look deleted); what could be listed is in `list` either way.
Status ScanFolder(FileSystem& fs, const std::string& dir, const std::vector<std::string>& masks,
                  TWList<TFilesListItem>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style = PosixStyle());

// The same, with the profile's mask text (cut by CutMaskText).
Status ScanFolder(FileSystem& fs, const std::string& dir, std::string_view mask_text,
                  TWList<TFilesListItem>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style = PosixStyle());

// Queues a snapshot of `profile` on ctx.RunList unless a profile of that name (any letter case)
// is already queued: scans its source and destination, and updates the labels lStartedAt,
// lFinishExpectedAt, lProfilesToPperate and lStatus and ctx.state.RunStartedAt.
// A failed scan sets the snapshot's SrcScanFailed / DestScanFailed with the error text.
void QueueProfile(EngineContext& ctx, const TProfileRecord& profile);

}  // namespace qm
