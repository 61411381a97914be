// What every file system has: walks listing directories by their paths, and modes made up
// from attributes.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/date_time.h"
#include "platform/file_system.h"

namespace qm {
namespace {

class PathDirectory final : public Directory {
 public:
  PathDirectory(FileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

  Result<std::vector<DirEntry>> List() override { return fs_.ListDirectory(path_); }

  Result<std::unique_ptr<Directory>> Open(const std::string& /*name*/,
                                          const std::string& path) override {
    return std::unique_ptr<Directory>(std::make_unique<PathDirectory>(fs_, path));
  }

 private:
  FileSystem& fs_;
  std::string path_;
};

}  // namespace

Result<FileMeta> FileSystem::StatMeta(const std::string& path) {
  Result<DirEntry> st = StatLink(path);
  if (!st.ok()) return st.error();
  const DirEntry& e = st.value();
  FileMeta meta;
  if (e.is_directory()) {
    meta.mode = 0040755;
  } else if ((e.attr & faSymLink) != 0) {
    meta.mode = 0120777;
  } else {
    meta.mode = (e.attr & faReadOnly) != 0 ? 0100444 : 0100644;
  }
  meta.size = e.size;
  meta.mtime_sec = meta.atime_sec = DosDateTimeToUnix(e.time);
  return meta;
}

Result<std::unique_ptr<Directory>> FileSystem::OpenDirectory(const std::string& path) {
  return std::unique_ptr<Directory>(std::make_unique<PathDirectory>(*this, path));
}

}  // namespace qm
