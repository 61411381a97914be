// A FileSystem that passes every call to another one, except those a test has told it to fail.
// Tests run as root and cannot make the real file system refuse a write, so faults such as a
// full disk, a denied permission or a file that vanished are injected here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "support/forwarding_file_system.h"

namespace qm {

// The calls that can be made to fail. kRead to kClose are calls on an open file. kCopyData is
// the in-kernel copy between two open files; as it reads and writes, it is also counted as a
// kRead and a kWrite and is held to the read and write limits.
enum class FsOp {
  kListDirectory,
  kStat,
  kOpenRead,
  kCreate,
  kOpenAppend,
  kRename,
  kRemove,
  kCreateDirectory,
  kSetReadOnly,
  kSetLastWriteTime,
  kFreeSpace,
  kMountPointOf,
  kRead,
  kWrite,
  kSync,
  kFileSetLastWriteTime,
  kClose,
  kSyncVolume,
  kCopyData,
  kSyncDirectory,
};

class FaultInjectingFileSystem final : public test::ForwardingFileSystem {
 public:
  explicit FaultInjectingFileSystem(FileSystem& inner);
  ~FaultInjectingFileSystem() override;

  // Fails the `nth` call (1 = the next) of `op` whose path contains `path_part` (any path when
  // empty; for kRename either name) with an error of `kind`. With `once` false that call and
  // every later matching one fail.
  void Fail(FsOp op, ErrorKind kind, std::string path_part = {}, int nth = 1, bool once = true);
  void FailAlways(FsOp op, ErrorKind kind, std::string path_part = {}) {
    Fail(op, kind, std::move(path_part), 1, false);
  }
  // Every file created or opened for appending from now on (whose path contains `path_part`)
  // accepts `bytes` bytes in total and then fails its writes with `kind`; the write that
  // crosses the limit stores the part below it first, as a disk that fills up does.
  void FailWritesAfter(int64_t bytes, ErrorKind kind = ErrorKind::kNoSpace,
                       std::string path_part = {});
  // Every file opened for reading from now on delivers `bytes` bytes and then fails.
  void FailReadsAfter(int64_t bytes, ErrorKind kind = ErrorKind::kIo, std::string path_part = {});
  // FreeSpace reports `bytes` for paths containing `path_part` instead of asking the volume.
  void SetFreeSpace(int64_t bytes, std::string path_part = {});
  // Each in-kernel copy moves at most `bytes` (0: no cap), as a file system that copies in
  // pieces does; a copy then takes several calls and can fail midway.
  void SetCopyStep(int64_t bytes) { copy_step_ = bytes; }
  // Removes every fault and free-space override; the call counts and the copy step stay.
  void ClearFaults();

  // Calls of `op` made so far (failed ones included), optionally only those on a path
  // containing `path_part`.
  int CallCount(FsOp op, const std::string& path_part = {}) const;
  // Every call so far as (operation, path); kRename records "from", then "to" as a second path.
  struct Call {
    FsOp op;
    std::string path;
    std::string path2;
  };
  const std::vector<Call>& calls() const { return calls_; }

  Result<std::vector<DirEntry>> ListDirectory(const std::string& dir) override;
  Result<DirEntry> Stat(const std::string& path) override;
  Result<DirEntry> StatLink(const std::string& path) override;
  Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> Create(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> OpenAppend(const std::string& path) override;
  // A temporary is created as any file is: kCreate faults and write limits strike it too.
  Result<std::unique_ptr<WritableFile>> CreateTemporary(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  // Fails as a kRename does.
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status CreateDirectory(const std::string& path) override;
  Status CreatePrivateDirectory(const std::string& path) override;
  Status SetReadOnly(const std::string& path, bool read_only) override;
  Status SetLastWriteTime(const std::string& path, DosDateTime time) override;
  Result<int64_t> FreeSpace(const std::string& path) override;
  Result<std::string> MountPointOf(const std::string& path) override;
  Status SyncVolume(const std::string& path) override;
  Status SyncDirectory(const std::string& dir) override;
  Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max_bytes) override;

  // Used by the open-file wrappers: records the call and returns the injected error, if any.
  std::optional<Error> Check(FsOp op, const std::string& path, const std::string& path2 = {});

 private:
  struct Rule {
    FsOp op;
    ErrorKind kind;
    std::string path_part;
    int nth;
    bool once;
    int seen = 0;
  };
  struct Limit {
    int64_t bytes;
    ErrorKind kind;
    std::string path_part;
  };

  const Limit* LimitFor(const std::vector<Limit>& limits, const std::string& path) const;
  // The injected error of a call on `path`, else what `call` returns.
  template <typename Call>
  auto Checked(FsOp op, const std::string& path, Call call) -> decltype(call()) {
    if (auto e = Check(op, path)) return *e;
    return call();
  }
  // Wraps a file opened on `path` so that its reads or writes meet the faults and limits.
  Result<std::unique_ptr<ReadableFile>> Readable(const std::string& path,
                                                 Result<std::unique_ptr<ReadableFile>> file);
  Result<std::unique_ptr<WritableFile>> Writable(const std::string& path,
                                                 Result<std::unique_ptr<WritableFile>> file);

  std::vector<Rule> rules_;
  std::vector<Limit> write_limits_;
  std::vector<Limit> read_limits_;
  std::vector<std::pair<std::string, int64_t>> free_space_;
  std::vector<Call> calls_;
  int64_t copy_step_ = 0;
};

}  // namespace qm
