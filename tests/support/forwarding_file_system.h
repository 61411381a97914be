// A FileSystem that hands every call, the in-kernel copy included, to another one. Test fakes
// derive from it and override only the calls they change, so everything else runs the same
// code production runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qm::test {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  Result<std::vector<DirEntry>> ListDirectory(const std::string& dir) override {
    return inner_.ListDirectory(dir);
  }
  Result<DirEntry> Stat(const std::string& path) override { return inner_.Stat(path); }
  Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& path) override {
    return inner_.OpenRead(path);
  }
  Result<std::unique_ptr<WritableFile>> Create(const std::string& path) override {
    return inner_.Create(path);
  }
  Result<std::unique_ptr<WritableFile>> OpenAppend(const std::string& path) override {
    return inner_.OpenAppend(path);
  }
  Status Rename(const std::string& from, const std::string& to) override {
    return inner_.Rename(from, to);
  }
  Status Remove(const std::string& path) override { return inner_.Remove(path); }
  Status CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  Status SetReadOnly(const std::string& path, bool read_only) override {
    return inner_.SetReadOnly(path, read_only);
  }
  Status SetLastWriteTime(const std::string& path, DosDateTime time) override {
    return inner_.SetLastWriteTime(path, time);
  }
  Result<int64_t> FreeSpace(const std::string& path) override { return inner_.FreeSpace(path); }
  Result<std::string> MountPointOf(const std::string& path) override {
    return inner_.MountPointOf(path);
  }
  std::string TempDirectory() override { return inner_.TempDirectory(); }
  Status SyncVolume(const std::string& path) override { return inner_.SyncVolume(path); }
  Status SyncDirectory(const std::string& dir) override { return inner_.SyncDirectory(dir); }
  // Files opened through a fake that does not wrap them are the inner file system's own, so
  // its in-kernel copy accepts them.
  Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max_bytes) override {
    return inner_.CopyData(from, to, max_bytes);
  }

 protected:
  FileSystem& inner() { return inner_; }

 private:
  FileSystem& inner_;
};

}  // namespace qm::test
