// A FileSystem that hands every call, the in-kernel copy included, to another one, and open
// files that hand every call to the files they wrap. Test fakes derive from these and override
// only the calls they change, so everything else runs the same code production runs.
// forwarding_file_system_test.cpp holds a fake that overrides nothing against the real file
// system: a call added to FileSystem without a forwarder here shows there.
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
  // Walks list through ListDirectory by path rather than through the inner file system's open
  // directories, so that a fake which changes or fails listings changes walks too.
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    return FileSystem::OpenDirectory(path);
  }
  // Fakes record and count calls without a lock; one that can take calls from two threads
  // says so.
  bool ThreadSafe() const override { return false; }
  Result<DirEntry> Stat(const std::string& path) override { return inner_.Stat(path); }
  Result<DirEntry> StatLink(const std::string& path) override { return inner_.StatLink(path); }
  Result<FileMeta> StatMeta(const std::string& path) override { return inner_.StatMeta(path); }
  MetaApplied ApplyMeta(const std::string& path, const FileMeta& meta, uint32_t parts) override {
    return inner_.ApplyMeta(path, meta, parts);
  }
  Result<std::string> ReadLink(const std::string& path) override { return inner_.ReadLink(path); }
  Status CreateLink(const std::string& target, const std::string& path) override {
    return inner_.CreateLink(target, path);
  }
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
  // These two are made of this file system's own Stat, Rename and Create, so that a fake that
  // fails creating or renaming fails temporaries and kept copies too. A fake that wants the
  // inner file system's own (FaultInjectingFileSystem) overrides them.
  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    return FileSystem::RenameNoReplace(from, to);
  }
  Result<std::unique_ptr<WritableFile>> CreateTemporary(const std::string& path) override {
    return FileSystem::CreateTemporary(path);
  }
  Result<uint64_t> VolumeId(const std::string& path) override { return inner_.VolumeId(path); }
  Status Remove(const std::string& path) override { return inner_.Remove(path); }
  Status CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  Status CreatePrivateDirectory(const std::string& path) override {
    return inner_.CreatePrivateDirectory(path);
  }
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
  std::string NotReadyMountPlace(const std::string& path) override {
    return inner_.NotReadyMountPlace(path);
  }
  std::string TempDirectory() override { return inner_.TempDirectory(); }
  // Pin is not forwarded: a pinned inner file system would bypass the fake. The run then uses
  // the fake itself, which may override these to play a lost volume.
  Status CheckPinned() override { return inner_.CheckPinned(); }
  const std::string& LostVolume() const override { return inner_.LostVolume(); }
  std::string NativePath(const std::string& path) override { return inner_.NativePath(path); }
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

// An open file for reading that hands every call to the one it wraps.
class ForwardingReadableFile : public ReadableFile {
 public:
  explicit ForwardingReadableFile(std::unique_ptr<ReadableFile> inner) : inner_(std::move(inner)) {}

  Result<size_t> Read(std::span<std::byte> buffer) override { return inner_->Read(buffer); }
  Result<int64_t> Size() override { return inner_->Size(); }
  Result<DosDateTime> LastWriteTime() override { return inner_->LastWriteTime(); }
  Result<DirEntry> Info() override { return inner_->Info(); }
  std::optional<FileMeta> Meta() override { return inner_->Meta(); }

  // The wrapped file, for an in-kernel copy that only accepts the inner file system's own.
  ReadableFile& inner() { return *inner_; }

 private:
  std::unique_ptr<ReadableFile> inner_;
};

// An open file for writing that hands every call to the one it wraps.
class ForwardingWritableFile : public WritableFile {
 public:
  explicit ForwardingWritableFile(std::unique_ptr<WritableFile> inner) : inner_(std::move(inner)) {}

  Status Write(std::span<const std::byte> data) override { return inner_->Write(data); }
  Status Sync() override { return inner_->Sync(); }
  Status SetLastWriteTime(DosDateTime time) override { return inner_->SetLastWriteTime(time); }
  MetaApplied ApplyMeta(const FileMeta& meta, uint32_t parts) override {
    return inner_->ApplyMeta(meta, parts);
  }
  Status Close() override { return inner_->Close(); }
  void StartWriteback() override { inner_->StartWriteback(); }

  WritableFile& inner() { return *inner_; }

 private:
  std::unique_ptr<WritableFile> inner_;
};

}  // namespace qm::test
