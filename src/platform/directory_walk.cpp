// The walk every file system has: directories listed by their paths.
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

Result<std::unique_ptr<Directory>> FileSystem::OpenDirectory(const std::string& path) {
  return std::unique_ptr<Directory>(std::make_unique<PathDirectory>(*this, path));
}

}  // namespace qm
