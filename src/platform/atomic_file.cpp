#include "platform/atomic_file.h"

#include <utility>

#include "platform/path_style.h"

namespace qm {

std::string TemporaryPathOf(const std::string& path) {
  return std::string(DirectoryPart(path)) + "." + std::string(FileNamePart(path)) + ".qmtmp";
}

AtomicReplace::AtomicReplace(FileSystem& fs, std::string path, std::string temp,
                             std::unique_ptr<WritableFile> file)
    : fs_(fs), path_(std::move(path)), temp_(std::move(temp)), file_(std::move(file)) {}

Result<std::unique_ptr<AtomicReplace>> AtomicReplace::Begin(FileSystem& fs, const std::string& path,
                                                            bool owner_only) {
  std::string temp = TemporaryPathOf(path);
  Result<std::unique_ptr<WritableFile>> created =
      owner_only ? fs.CreateTemporary(temp) : fs.Create(temp);
  if (!created.ok() && created.error().kind == ErrorKind::kReadOnly && fs.Stat(temp).ok()) {
    // A stale temporary somebody made read-only is still ours to replace.
    if (fs.SetReadOnly(temp, false).ok()) created = fs.Create(temp);
  }
  if (!created.ok()) {
    (void)fs.Remove(temp);  // best effort: the create error is what gets reported
    return created.error();
  }
  return std::unique_ptr<AtomicReplace>(
      new AtomicReplace(fs, path, std::move(temp), std::move(created.value())));
}

AtomicReplace::~AtomicReplace() {
  if (done_) return;
  file_.reset();
  (void)fs_.Remove(temp_);  // cleanup after a failure that is reported already
}

Status AtomicReplace::Commit(const std::string& keep_old_as) {
  Status s = file_->Sync();
  if (Status closed = file_->Close(); s.ok()) s = closed;
  file_.reset();
  if (!s.ok()) return s;

  bool kept = false;
  if (!keep_old_as.empty()) {
    Status moved = fs_.Rename(path_, keep_old_as);
    if (!moved.ok() && moved.error().kind != ErrorKind::kNotFound) return moved;
    kept = moved.ok();
  }
  if (Status renamed = fs_.Rename(temp_, path_); !renamed.ok()) {
    if (kept) (void)fs_.Rename(keep_old_as, path_);  // put the old file back where it was
    return renamed;
  }
  done_ = true;
  return fs_.SyncDirectory(DirectoryOf(path_));
}

Status WriteFileAtomically(FileSystem& fs, const std::string& path, std::string_view content,
                           bool owner_only) {
  auto replace = AtomicReplace::Begin(fs, path, owner_only);
  if (!replace.ok()) return replace.error();
  const auto* bytes = reinterpret_cast<const std::byte*>(content.data());
  if (Status s = replace.value()->file().Write({bytes, content.size()}); !s.ok()) return s;
  return replace.value()->Commit();
}

Status CreateDirectories(FileSystem& fs, const std::string& dir, bool owner_only) {
  if (dir.empty()) return Status::Ok();
  auto st = fs.Stat(dir);
  if (st.ok()) {
    if (st.value().is_directory()) return Status::Ok();
    return Error{ErrorKind::kNotDirectory, "Not a directory: \"" + dir + "\""};
  }
  if (st.error().kind != ErrorKind::kNotFound) return st.error();
  const size_t slash = dir.find_last_of('/', dir.size() > 1 ? dir.size() - 2 : 0);
  if (slash != std::string::npos && slash > 0) {
    if (Status s = CreateDirectories(fs, dir.substr(0, slash), owner_only); !s.ok()) return s;
  }
  Status s = owner_only ? fs.CreatePrivateDirectory(dir) : fs.CreateDirectory(dir);
  // Made meanwhile by somebody else: what was asked for exists.
  if (!s.ok() && s.error().kind == ErrorKind::kExists) return Status::Ok();
  return s;
}

}  // namespace qm
