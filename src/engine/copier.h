// The engine's file utilities: the block copier that reports its progress while it copies, and
// the small file-system helpers around it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/durability_batch.h"
#include "engine/run_observer.h"
#include "engine/temporary_names.h"
#include "platform/file_system.h"
#include "ui/message_loop.h"

namespace qm {

// The copier's block size: every read is this big, and the observer and the message loop are
// served once per block. Twice this is the engine's free-space threshold.
inline constexpr int CopyBufferSize = 16384;

// How a copy is finished. Without a batch the copy is synced and renamed into place at once.
struct CopyOptions {
  // Leaves the finished copy under its temporary name, with the source's time, to `batch`,
  // which makes it durable with its group and reports its outcome to `done`.
  DurabilityBatch* batch = nullptr;
  DurabilityBatch::Done done;
  // Hears the progress of each block and gets its Update() call there; an Update() that throws
  // abandons the copy (its temporary removed, the old target untouched) and passes the
  // exception on.
  RunObserver* observer = nullptr;
  // False for a kept copy: an existing file of the target's name fails the copy instead of
  // being replaced.
  bool may_replace = true;
  // The source is a symbolic link: the copy is a link with the same target text.
  bool link = false;
};

// Copies `source` to `target` (into it when `target` is an existing directory), creating the
// target's directories, while it reports the bytes copied to the options' observer (FileProgress
// as the copy opens and once per block, FileCopyEnded on every way out) and processes messages
// once per block. The copy is written to TempCopyName(target), owner-only, and given the
// source's mode, owner (as root) and exact time before it takes the target's name; only a
// complete copy ever reaches that name, so a failure leaves an existing target exactly as it
// was and removes the temporary file. A read-only target is replaced. A link at the target is
// replaced, never followed. Folders it makes go through the batch's FolderFinisher if it has
// one.
// Throws FileError with "Cannot open file <source>", "Cannot create file <target>",
// "Stream read error" or "Stream write error".
// Returns the bytes copied.
int64_t CopyFileWithProgress(FileSystem& fs, ui::MessageLoop& loop, const std::string& source,
                             const std::string& target,
                             const CopyOptions& options = {});  // throw FileError

// The copy of a regular file as CopyFileWithProgress makes it for a batch, written and closed
// under its temporary name, without a message loop or an observer, and without making folders
// (a missing one fails the copy): it touches nothing but the file system, so that it may run
// on another thread. The caller owns the temporary it returns.
FinishedFile CopyToTemporary(FileSystem& fs, const std::string& source, const std::string& target,
                             bool may_replace);  // throw FileError

// Removes every temporary of ours below `root` (folders a scan never lists are not entered:
// nothing is ever copied there). Left by a run that was killed or lost its power;
// their source files may be gone. Returns how many were removed.
int RemoveStaleTemporaries(FileSystem& fs, const std::string& root);

// Size in bytes, or -1 when nothing of that name exists or it is a directory.
int64_t FileSizeOf(FileSystem& fs, const std::string& path);
// True when `path` exists and carries every bit of `attributes` (fa* bits).
bool HasAttributes(FileSystem& fs, const std::string& path, uint32_t attributes);
// True when `path` names an existing directory.
bool IsDirectory(FileSystem& fs, const std::string& path);
// Creates the folders of a new copy in `dir`: through the batch's FolderFinisher when there is
// one (owner-only, finished with the pass), plainly otherwise.
void MakeCopyFolders(FileSystem& fs, DurabilityBatch* batch, const std::string& dir);
// Creates `dir` and every missing parent. Failures show up later, when a file is created in it.
void MakeDirPath(FileSystem& fs, const std::string& dir);

}  // namespace qm
