#include <unistd.h>

#include <cstdlib>

#include "platform/path_style.h"
#include "wizard/add_profile_wizard.h"

namespace qm {

namespace {

class SystemDiskSource : public DiskSource {
 public:
  explicit SystemDiskSource(FileSystem& files) : files_(files) {}

  std::vector<Volume> Volumes() override { return ListVolumes(); }

  std::string HomeDirectory() override {
    const char* home = std::getenv("HOME");
    return home ? home : "";
  }

  std::string MountPointOf(const std::string& path) override {
    Result<std::string> mount = files_.MountPointOf(path);
    return mount.ok() ? mount.value() : std::string();
  }

  // The folder can be used when it is a writable directory, or when the nearest existing
  // folder above it is writable, so that the missing ones can be made.
  bool CanCreate(const std::string& dir) override {
    std::string path = dir;
    while (!path.empty()) {
      const Result<DirEntry> entry = files_.Stat(path);
      if (entry.ok()) {
        return entry.value().is_directory() && ::access(path.c_str(), W_OK | X_OK) == 0;
      }
      if (path.find('/') == std::string::npos) return false;
      path = DirectoryOf(path);
    }
    return false;
  }

 private:
  FileSystem& files_;
};

}  // namespace

std::unique_ptr<DiskSource> MakeSystemDiskSource(FileSystem& files) {
  return std::make_unique<SystemDiskSource>(files);
}

}  // namespace qm
