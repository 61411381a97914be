#include "platform/atomic_file.h"

#include <unistd.h>

namespace qm {

namespace {

Status WriteAll(FileSystem& fs, const std::string& path, std::string_view text) {
  auto file = fs.Create(path);
  if (!file.ok()) return file.error();
  WritableFile& f = *file.value();
  const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
  if (Status s = f.Write({bytes, text.size()}); !s.ok()) return s;
  if (Status s = f.Sync(); !s.ok()) return s;
  return f.Close();
}

}  // namespace

Status WriteFileAtomically(FileSystem& fs, const std::string& path, std::string_view content) {
  // The pid keeps two running instances from writing into each other's temporary file.
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  Status s = WriteAll(fs, temp, content);
  if (s.ok()) s = fs.Rename(temp, path);
  if (!s.ok()) (void)fs.Remove(temp);  // best effort: the write error is what gets reported
  return s;
}

Status CreateDirectories(FileSystem& fs, const std::string& dir) {
  if (dir.empty()) return Status::Ok();
  auto st = fs.Stat(dir);
  if (st.ok()) {
    if (st.value().is_directory()) return Status::Ok();
    return Error{ErrorKind::kNotDirectory, "Not a directory: \"" + dir + "\""};
  }
  if (st.error().kind != ErrorKind::kNotFound) return st.error();
  const size_t slash = dir.find_last_of('/', dir.size() > 1 ? dir.size() - 2 : 0);
  if (slash != std::string::npos && slash > 0) {
    if (Status s = CreateDirectories(fs, dir.substr(0, slash)); !s.ok()) return s;
  }
  Status s = fs.CreateDirectory(dir);
  if (!s.ok() && s.error().kind == ErrorKind::kExists) return Status::Ok();
  return s;
}

}  // namespace qm
