// Whole-file replacement that never leaves a half-written file under the final name, and the
// creation of missing directories. Every save of the program goes through these.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/file_system.h"

namespace qm {

// The temporary that stands in for `path` while it is being replaced: ".<name>.qmtmp" in the
// same folder, so that the rename stays on one volume and a file listing hides it.
[[nodiscard]] std::string TemporaryPathOf(const std::string& path);

// Replaces one file. Begin() creates the temporary (a stale one of the same name is simply
// replaced); the caller writes through file(); Commit() flushes it, renames it over the target
// and flushes the folder. The old target is never deleted first: until the rename it stays as
// it was. A replacement that is not committed, or whose commit fails before the rename,
// removes its temporary.
class AtomicReplace {
 public:
  // `owner_only`: the temporary, and so the file it becomes, is readable and writable by the
  // owner alone from its first moment, whatever mode an old file or a stale temporary had.
  [[nodiscard]] static Result<std::unique_ptr<AtomicReplace>> Begin(FileSystem& fs,
                                                                    const std::string& path,
                                                                    bool owner_only = false);
  ~AtomicReplace();
  AtomicReplace(const AtomicReplace&) = delete;
  AtomicReplace& operator=(const AtomicReplace&) = delete;

  WritableFile& file() { return *file_; }

  // With `keep_old_as` the old target, when there is one, is renamed to that name just before
  // the temporary takes its place, and renamed back if that fails. A failed flush of the
  // folder after the rename is reported although the new content is in place: it may not
  // survive a power loss.
  [[nodiscard]] Status Commit(const std::string& keep_old_as = {});

 private:
  AtomicReplace(FileSystem& fs, std::string path, std::string temp,
                std::unique_ptr<WritableFile> file);

  FileSystem& fs_;
  std::string path_;
  std::string temp_;
  std::unique_ptr<WritableFile> file_;
  bool done_ = false;
};

// Replaces `path` by `content` through an AtomicReplace.
[[nodiscard]] Status WriteFileAtomically(FileSystem& fs, const std::string& path,
                                         std::string_view content, bool owner_only = false);

// Creates `dir` and its missing parents; an existing directory is fine. With `owner_only` the
// folders it creates are the owner's alone (existing ones keep their modes).
[[nodiscard]] Status CreateDirectories(FileSystem& fs, const std::string& dir,
                                       bool owner_only = false);

}  // namespace qm
