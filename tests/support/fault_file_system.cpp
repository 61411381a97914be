#include "support/fault_file_system.h"

#include <algorithm>
#include <cstdint>

namespace qm {

namespace {

const char* OpName(FsOp op) {
  switch (op) {
    case FsOp::kListDirectory:
      return "list directory";
    case FsOp::kStat:
      return "stat";
    case FsOp::kOpenRead:
      return "open";
    case FsOp::kCreate:
      return "create";
    case FsOp::kOpenAppend:
      return "open for appending";
    case FsOp::kRename:
      return "rename";
    case FsOp::kRemove:
      return "delete";
    case FsOp::kCreateDirectory:
      return "create directory";
    case FsOp::kSetReadOnly:
      return "change attributes of";
    case FsOp::kSetLastWriteTime:
      return "set the time of";
    case FsOp::kFreeSpace:
      return "query free space of";
    case FsOp::kMountPointOf:
      return "find the volume of";
    case FsOp::kRead:
      return "read";
    case FsOp::kWrite:
      return "write";
    case FsOp::kSync:
      return "flush";
    case FsOp::kFileSetLastWriteTime:
      return "set the time of";
    case FsOp::kClose:
      return "close";
    case FsOp::kSyncVolume:
      return "flush the volume of";
    case FsOp::kCopyData:
      return "copy to";
    case FsOp::kSyncDirectory:
      return "flush the directory";
  }
  return "access";
}

const char* KindText(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return "No such file or directory";
    case ErrorKind::kAccessDenied:
      return "Permission denied";
    case ErrorKind::kReadOnly:
      return "Read-only file system";
    case ErrorKind::kNoSpace:
      return "No space left on device";
    case ErrorKind::kIsDirectory:
      return "Is a directory";
    case ErrorKind::kNotDirectory:
      return "Not a directory";
    case ErrorKind::kExists:
      return "File exists";
    case ErrorKind::kIo:
      return "Input/output error";
    case ErrorKind::kInvalid:
      return "Invalid argument";
    case ErrorKind::kOther:
      return "Injected failure";
  }
  return "Injected failure";
}

Error Injected(FsOp op, ErrorKind kind, const std::string& path) {
  return Error{kind, std::string("Cannot ") + OpName(op) + " \"" + path + "\": " + KindText(kind)};
}

bool Contains(const std::string& path, const std::string& part) {
  return part.empty() || path.find(part) != std::string::npos;
}

// What an open file may still move before its limit, and the error it fails with then.
class Budget {
 public:
  Budget(std::string path, std::optional<int64_t> limit, ErrorKind kind)
      : path_(std::move(path)), limit_(limit), kind_(kind) {}

  const std::string& path() const { return path_; }
  // Bytes left before the limit; INT64_MAX without one.
  int64_t Left() const { return limit_ ? *limit_ - done_ : INT64_MAX; }
  ErrorKind limit_kind() const { return kind_; }
  void Count(int64_t bytes) { done_ += bytes; }

 private:
  std::string path_;
  std::optional<int64_t> limit_;
  ErrorKind kind_;
  int64_t done_ = 0;
};

class FaultReadableFile final : public test::ForwardingReadableFile, public Budget {
 public:
  FaultReadableFile(FaultInjectingFileSystem& fs, std::unique_ptr<ReadableFile> inner,
                    Budget budget)
      : ForwardingReadableFile(std::move(inner)), Budget(std::move(budget)), fs_(fs) {}

  Result<size_t> Read(std::span<std::byte> buffer) override {
    if (auto e = fs_.Check(FsOp::kRead, path())) return *e;
    if (Left() <= 0 && !buffer.empty()) return Injected(FsOp::kRead, limit_kind(), path());
    buffer = buffer.first(static_cast<size_t>(std::min<int64_t>(Left(), buffer.size())));
    Result<size_t> n = inner().Read(buffer);
    if (n.ok()) Count(static_cast<int64_t>(n.value()));
    return n;
  }

 private:
  FaultInjectingFileSystem& fs_;
};

class FaultWritableFile final : public test::ForwardingWritableFile, public Budget {
 public:
  FaultWritableFile(FaultInjectingFileSystem& fs, std::unique_ptr<WritableFile> inner,
                    Budget budget)
      : ForwardingWritableFile(std::move(inner)), Budget(std::move(budget)), fs_(fs) {}

  Status Write(std::span<const std::byte> data) override {
    if (auto e = fs_.Check(FsOp::kWrite, path())) return *e;
    if (static_cast<int64_t>(data.size()) > Left()) {
      const auto fits = static_cast<size_t>(std::max<int64_t>(0, Left()));
      if (fits > 0) {
        if (Status s = inner().Write(data.first(fits)); !s.ok()) return s;
        Count(static_cast<int64_t>(fits));
      }
      return Injected(FsOp::kWrite, limit_kind(), path());
    }
    Status s = inner().Write(data);
    if (s.ok()) Count(static_cast<int64_t>(data.size()));
    return s;
  }
  Status Sync() override {
    if (auto e = fs_.Check(FsOp::kSync, path())) return *e;
    return inner().Sync();
  }
  Status SetLastWriteTime(DosDateTime time) override {
    if (auto e = fs_.Check(FsOp::kFileSetLastWriteTime, path())) return *e;
    return inner().SetLastWriteTime(time);
  }
  Status Close() override {
    // The inner file is closed even when the close is made to fail, as a real close does.
    Status inner_status = inner().Close();
    if (auto e = fs_.Check(FsOp::kClose, path())) return *e;
    return inner_status;
  }

 private:
  FaultInjectingFileSystem& fs_;
};

}  // namespace

FaultInjectingFileSystem::FaultInjectingFileSystem(FileSystem& inner)
    : ForwardingFileSystem(inner) {}
FaultInjectingFileSystem::~FaultInjectingFileSystem() = default;

void FaultInjectingFileSystem::Fail(FsOp op, ErrorKind kind, std::string path_part, int nth,
                                    bool once) {
  rules_.push_back(Rule{op, kind, std::move(path_part), std::max(nth, 1), once});
}

void FaultInjectingFileSystem::FailWritesAfter(int64_t bytes, ErrorKind kind,
                                               std::string path_part) {
  write_limits_.push_back(Limit{bytes, kind, std::move(path_part)});
}

void FaultInjectingFileSystem::FailReadsAfter(int64_t bytes, ErrorKind kind,
                                              std::string path_part) {
  read_limits_.push_back(Limit{bytes, kind, std::move(path_part)});
}

void FaultInjectingFileSystem::SetFreeSpace(int64_t bytes, std::string path_part) {
  free_space_.emplace_back(std::move(path_part), bytes);
}

void FaultInjectingFileSystem::ClearFaults() {
  rules_.clear();
  write_limits_.clear();
  read_limits_.clear();
  free_space_.clear();
}

int FaultInjectingFileSystem::CallCount(FsOp op, const std::string& path_part) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) {
    return c.op == op && (Contains(c.path, path_part) || Contains(c.path2, path_part));
  }));
}

std::optional<Error> FaultInjectingFileSystem::Check(FsOp op, const std::string& path,
                                                     const std::string& path2) {
  calls_.push_back(Call{op, path, path2});
  std::optional<Error> result;
  for (Rule& r : rules_) {
    if (r.op != op) continue;
    const bool match = r.path_part.empty() || Contains(path, r.path_part) ||
                       (!path2.empty() && Contains(path2, r.path_part));
    if (!match) continue;
    ++r.seen;
    // Every matching rule counts the call, so two rules on the same op keep their own order.
    const bool fire = r.once ? r.seen == r.nth : r.seen >= r.nth;
    if (fire && !result) result = Injected(op, r.kind, path);
  }
  return result;
}

const FaultInjectingFileSystem::Limit* FaultInjectingFileSystem::LimitFor(
    const std::vector<Limit>& limits, const std::string& path) const {
  for (auto it = limits.rbegin(); it != limits.rend(); ++it) {
    if (Contains(path, it->path_part)) return &*it;
  }
  return nullptr;
}

Result<std::unique_ptr<ReadableFile>> FaultInjectingFileSystem::Readable(
    const std::string& path, Result<std::unique_ptr<ReadableFile>> file) {
  if (!file.ok()) return file.error();
  const Limit* limit = LimitFor(read_limits_, path);
  return std::unique_ptr<ReadableFile>(std::make_unique<FaultReadableFile>(
      *this, std::move(file).value(),
      Budget(path, limit ? std::optional<int64_t>(limit->bytes) : std::nullopt,
             limit ? limit->kind : ErrorKind::kIo)));
}

Result<std::unique_ptr<WritableFile>> FaultInjectingFileSystem::Writable(
    const std::string& path, Result<std::unique_ptr<WritableFile>> file) {
  if (!file.ok()) return file.error();
  const Limit* limit = LimitFor(write_limits_, path);
  return std::unique_ptr<WritableFile>(std::make_unique<FaultWritableFile>(
      *this, std::move(file).value(),
      Budget(path, limit ? std::optional<int64_t>(limit->bytes) : std::nullopt,
             limit ? limit->kind : ErrorKind::kNoSpace)));
}

Result<std::vector<DirEntry>> FaultInjectingFileSystem::ListDirectory(const std::string& dir) {
  return Checked(FsOp::kListDirectory, dir, [&] { return inner().ListDirectory(dir); });
}

Result<DirEntry> FaultInjectingFileSystem::Stat(const std::string& path) {
  return Checked(FsOp::kStat, path, [&] { return inner().Stat(path); });
}

Result<DirEntry> FaultInjectingFileSystem::StatLink(const std::string& path) {
  return Checked(FsOp::kStat, path, [&] { return inner().StatLink(path); });
}

Result<std::unique_ptr<ReadableFile>> FaultInjectingFileSystem::OpenRead(const std::string& path) {
  return Checked(FsOp::kOpenRead, path, [&] { return Readable(path, inner().OpenRead(path)); });
}

Result<std::unique_ptr<WritableFile>> FaultInjectingFileSystem::Create(const std::string& path) {
  return Checked(FsOp::kCreate, path, [&] { return Writable(path, inner().Create(path)); });
}

Result<std::unique_ptr<WritableFile>> FaultInjectingFileSystem::CreateTemporary(
    const std::string& path) {
  return Checked(FsOp::kCreate, path,
                 [&] { return Writable(path, inner().CreateTemporary(path)); });
}

Result<std::unique_ptr<WritableFile>> FaultInjectingFileSystem::OpenAppend(
    const std::string& path) {
  return Checked(FsOp::kOpenAppend, path, [&] { return Writable(path, inner().OpenAppend(path)); });
}

Status FaultInjectingFileSystem::Rename(const std::string& from, const std::string& to) {
  if (auto e = Check(FsOp::kRename, from, to)) return *e;
  return inner().Rename(from, to);
}

Status FaultInjectingFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (auto e = Check(FsOp::kRename, from, to)) return *e;
  return inner().RenameNoReplace(from, to);
}

Status FaultInjectingFileSystem::Remove(const std::string& path) {
  return Checked(FsOp::kRemove, path, [&] { return inner().Remove(path); });
}

Status FaultInjectingFileSystem::CreateDirectory(const std::string& path) {
  return Checked(FsOp::kCreateDirectory, path, [&] { return inner().CreateDirectory(path); });
}

Status FaultInjectingFileSystem::CreatePrivateDirectory(const std::string& path) {
  return Checked(FsOp::kCreateDirectory, path,
                 [&] { return inner().CreatePrivateDirectory(path); });
}

Status FaultInjectingFileSystem::SetReadOnly(const std::string& path, bool read_only) {
  return Checked(FsOp::kSetReadOnly, path, [&] { return inner().SetReadOnly(path, read_only); });
}

Status FaultInjectingFileSystem::SetLastWriteTime(const std::string& path, DosDateTime time) {
  return Checked(FsOp::kSetLastWriteTime, path,
                 [&] { return inner().SetLastWriteTime(path, time); });
}

Result<int64_t> FaultInjectingFileSystem::FreeSpace(const std::string& path) {
  if (auto e = Check(FsOp::kFreeSpace, path)) return *e;
  for (auto it = free_space_.rbegin(); it != free_space_.rend(); ++it) {
    if (Contains(path, it->first)) return it->second;
  }
  return inner().FreeSpace(path);
}

Result<std::string> FaultInjectingFileSystem::MountPointOf(const std::string& path) {
  return Checked(FsOp::kMountPointOf, path, [&] { return inner().MountPointOf(path); });
}

Status FaultInjectingFileSystem::SyncVolume(const std::string& path) {
  return Checked(FsOp::kSyncVolume, path, [&] { return inner().SyncVolume(path); });
}

Status FaultInjectingFileSystem::SyncDirectory(const std::string& dir) {
  return Checked(FsOp::kSyncDirectory, dir, [&] { return inner().SyncDirectory(dir); });
}

Result<int64_t> FaultInjectingFileSystem::CopyData(ReadableFile& from, WritableFile& to,
                                                   int64_t max_bytes) {
  auto* in = dynamic_cast<FaultReadableFile*>(&from);
  auto* out = dynamic_cast<FaultWritableFile*>(&to);
  // Files opened elsewhere are none of this wrapper's business.
  if (in == nullptr || out == nullptr) return inner().CopyData(from, to, max_bytes);
  if (auto e = Check(FsOp::kCopyData, out->path(), in->path())) return *e;
  // The kernel reads the source and writes the target, so their faults strike here too.
  if (auto e = Check(FsOp::kRead, in->path())) return *e;
  if (auto e = Check(FsOp::kWrite, out->path())) return *e;
  // A limit stops the copy where it stops a read or a write: what fits is copied first.
  if (max_bytes > 0 && in->Left() <= 0) return Injected(FsOp::kRead, in->limit_kind(), in->path());
  if (max_bytes > 0 && out->Left() <= 0) {
    return Injected(FsOp::kWrite, out->limit_kind(), out->path());
  }
  int64_t max = std::min({max_bytes, in->Left(), out->Left()});
  if (copy_step_ > 0) max = std::min(max, copy_step_);
  Result<int64_t> n = inner().CopyData(in->inner(), out->inner(), max);
  if (n.ok()) {
    in->Count(n.value());
    out->Count(n.value());
  }
  return n;
}

}  // namespace qm
