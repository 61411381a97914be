// The file system of this machine through POSIX calls. errno becomes an Error only through
// ErrorFromErrno.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/background_close.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/mount_places.h"
#include "platform/open_folders.h"
#include "platform/path_style.h"
#include "platform/volumes.h"

namespace qm {

namespace {

uint32_t AttributesOf(const struct stat& st) {
  uint32_t attr = 0;
  if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
  if (S_ISDIR(st.st_mode)) {
    attr |= faDirectory;
  } else if (S_ISREG(st.st_mode)) {
    attr |= faArchive;
  } else if (S_ISLNK(st.st_mode)) {
    attr = faSymLink;  // a link's own mode says nothing: it is never read-only
  } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) ||
             S_ISSOCK(st.st_mode)) {
    attr |= faSysFile;
  }
  return attr;
}

FileMeta MetaFromStat(const struct stat& st) {
  FileMeta meta;
  meta.mode = st.st_mode;
  meta.uid = st.st_uid;
  meta.gid = st.st_gid;
  meta.size = static_cast<int64_t>(st.st_size);
  meta.mtime_sec = st.st_mtim.tv_sec;
  meta.mtime_nsec = st.st_mtim.tv_nsec;
  meta.atime_sec = st.st_atim.tv_sec;
  meta.atime_nsec = st.st_atim.tv_nsec;
  return meta;
}

// A volume that keeps no modes or owners answers chmod and chown with one of these.
bool Refused(int err) {
  return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS;
}

// Owners are carried only by root: anyone else's copies are their own.
bool CarriesOwners() {
  static const bool root = ::geteuid() == 0;
  return root;
}

// Gives `fd` (or, with fd -1, `name` under `dir` itself, never following a link) the `parts` of
// `meta`. A time that cannot be set leaves a copy that is merely newer than its source.
MetaApplied ApplyStat(int fd, int dir, const char* name, const FileMeta& meta, uint32_t parts) {
  bool refused = false;
  const bool link = meta.is_link();
  // The mode first, then one look that tells whether it took (some volumes, exFAT through
  // FUSE, take a chmod without a word and keep their own) and whose the file is: the owner is
  // changed only where it differs. Only setuid and setgid, never carried, are lost to a chown.
  const bool mode = (parts & kMetaMode) != 0 && !link;
  const bool owner = (parts & kMetaOwner) != 0 && CarriesOwners();
  int rc = 0;
  if (mode) {
    rc = fd >= 0 ? ::fchmod(fd, meta.permissions()) : ::fchmodat(dir, name, meta.permissions(), 0);
    refused = rc != 0 && Refused(errno);
  }
  struct stat st;
  const bool looked =
      (mode || owner) &&
      (fd >= 0 ? ::fstat(fd, &st) == 0 : ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0);
  if (mode && rc == 0 && looked && (st.st_mode & 0777) != meta.permissions()) refused = true;
  if (owner && (!looked || st.st_uid != meta.uid || st.st_gid != meta.gid)) {
    rc = fd >= 0 ? ::fchown(fd, meta.uid, meta.gid)
                 : ::fchownat(dir, name, meta.uid, meta.gid, AT_SYMLINK_NOFOLLOW);
    refused = refused || (rc != 0 && Refused(errno));
  }
  if ((parts & kMetaTime) != 0) {
    // Both times: some volumes (exFAT through FUSE) take an omitted access time for "now" and
    // set the modification time to now as well.
    const struct timespec times[2] = {
        {static_cast<time_t>(meta.atime_sec), static_cast<long>(meta.atime_nsec)},
        {static_cast<time_t>(meta.mtime_sec), static_cast<long>(meta.mtime_nsec)}};
    (void)(fd >= 0 ? ::futimens(fd, times) : ::utimensat(dir, name, times, AT_SYMLINK_NOFOLLOW));
  }
  return refused ? MetaApplied::kModesRefused : MetaApplied::kAll;
}

void FillFromStat(const struct stat& st, DirEntry& e, DosTimeConverter* times = nullptr) {
  e.attr = AttributesOf(st);
  e.is_link = S_ISLNK(st.st_mode);
  e.size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
  e.time =
      times != nullptr ? times->FromUnix(st.st_mtim.tv_sec) : UnixToDosDateTime(st.st_mtim.tv_sec);
}

std::string BaseName(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const size_t slash = path.rfind('/', end - 1);
  return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

// The path itself when it exists, else its nearest existing ancestor ("." for a relative path
// none of whose parts exist).
std::string NearestExisting(const std::string& path) {
  std::string p = path;
  struct stat st;
  while (!p.empty()) {
    if (::stat(p.c_str(), &st) == 0 || p == "/") return p;
    p.resize(WithoutTrailingSeparators(p).size());
    if (p.find('/') == std::string::npos) return ".";
    p = DirectoryOf(p);
  }
  return ".";
}

bool IsUnder(const std::string& path, const std::string& mount) {
  if (mount == "/") return true;
  return path.compare(0, mount.size(), mount) == 0 &&
         (path.size() == mount.size() || path[mount.size()] == '/');
}

// A full volume may only be waiting for the blocks of replaced files to be freed: true, after
// waiting for that, when the failed call is worth one more try.
bool SpaceMayFollow(int err) {
  if (err != ENOSPC && err != EDQUOT) return false;
  WaitForBackgroundCloses();
  return true;
}

// Every entry of the open directory `d`, named `dir` in error texts. Each entry costs one
// fstatat relative to the directory.
Result<std::vector<DirEntry>> ReadEntries(DIR* d, const std::string& dir, DosTimeConverter* times) {
  const int dfd = ::dirfd(d);
  std::vector<DirEntry> entries;
  struct stat st;
  for (;;) {
    errno = 0;
    const dirent* de = ::readdir(d);
    if (de == nullptr) {
      if (errno != 0) {
        const int err = errno;
        return ErrorFromErrno(err, "Cannot read directory", dir);
      }
      break;
    }
    const char* name = de->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;

    // A link is listed as itself, never followed: one call per entry.
    if (::fstatat(dfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;  // vanished since readdir
      const int err = errno;
      return ErrorFromErrno(err, "Cannot read attributes of", dir + "/" + name);
    }
    DirEntry& e = entries.emplace_back();
    e.name = name;
    FillFromStat(st, e, times);
  }
  return entries;
}

// A directory of a walk, open on its descriptor; subdirectories open relative to it.
class PosixDirectory final : public Directory {
 public:
  static Result<std::unique_ptr<Directory>> Make(int fd, const std::string& path,
                                                 std::shared_ptr<DosTimeConverter> times) {
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open directory", path);
    DIR* d = ::fdopendir(fd);
    if (d == nullptr) {
      const int err = errno;
      ::close(fd);
      return ErrorFromErrno(err, "Cannot open directory", path);
    }
    return std::unique_ptr<Directory>(std::make_unique<PosixDirectory>(d, path, std::move(times)));
  }
  PosixDirectory(DIR* d, std::string path, std::shared_ptr<DosTimeConverter> times)
      : d_(d), path_(std::move(path)), times_(std::move(times)) {}
  PosixDirectory(const PosixDirectory&) = delete;
  PosixDirectory& operator=(const PosixDirectory&) = delete;
  ~PosixDirectory() override { ::closedir(d_); }

  Result<std::vector<DirEntry>> List() override {
    if (listed_) ::rewinddir(d_);
    listed_ = true;
    return ReadEntries(d_, path_, times_.get());
  }

  Result<std::unique_ptr<Directory>> Open(const std::string& name,
                                          const std::string& path) override {
    // O_NOFOLLOW: a directory swapped for a link since it was listed is not followed.
    const int fd =
        ::openat(::dirfd(d_), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return Make(fd, path, times_);
  }

 private:
  DIR* d_;
  std::string path_;
  std::shared_ptr<DosTimeConverter> times_;
  bool listed_ = false;  // one per walk, shared down the tree
};

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(int fd, std::string path, const struct stat& opened)
      : fd_(fd), path_(std::move(path)), opened_(opened) {}
  ~PosixReadableFile() override { ::close(fd_); }
  int fd() const { return fd_; }

  // Fills the whole buffer unless the file ends: callers take a short block as the end of the
  // file, and a network or FUSE file system may return less than was asked mid-file.
  Result<size_t> Read(std::span<std::byte> buffer) override {
    size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t n = ::read(fd_, buffer.data() + done, buffer.size() - done);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrorFromErrno(errno, "Cannot read", path_);
      }
      done += static_cast<size_t>(n);
    }
    return done;
  }

  Result<int64_t> Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrorFromErrno(errno, "Cannot stat", path_);
    return static_cast<int64_t>(st.st_size);
  }

  Result<DosDateTime> LastWriteTime() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrorFromErrno(errno, "Cannot stat", path_);
    return UnixToDosDateTime(st.st_mtim.tv_sec);
  }

  Result<DirEntry> Info() override {
    if (!fresh_ && ::fstat(fd_, &opened_) != 0) return ErrorFromErrno(errno, "Cannot stat", path_);
    fresh_ = false;
    DirEntry e;
    FillFromStat(opened_, e);
    return e;
  }

  std::optional<FileMeta> Meta() override { return MetaFromStat(opened_); }

 private:
  int fd_;
  std::string path_;
  struct stat opened_;  // what the opening or the last Info() saw
  bool fresh_ = true;   // opened_ is what the opening saw and has not been reported yet
};

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Write(std::span<const std::byte> data) override {
    if (fd_ < 0) return Closed();
    bool retried = false;
    while (!data.empty()) {
      const ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        if (!retried && SpaceMayFollow(errno)) {
          retried = true;
          continue;
        }
        return ErrorFromErrno(errno, "Cannot write", path_);
      }
      data = data.subspan(static_cast<size_t>(n));
    }
    return Status::Ok();
  }

  Status Sync() override {
    if (fd_ < 0) return Closed();
    if (::fsync(fd_) != 0) return ErrorFromErrno(errno, "Cannot flush", path_);
    return Status::Ok();
  }

  void StartWriteback() override {
    if (fd_ >= 0) (void)::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  }

  Status SetLastWriteTime(DosDateTime time) override {
    if (fd_ < 0) return Closed();
    const struct timespec times[2] = {{DosDateTimeToUnix(time), 0}, {DosDateTimeToUnix(time), 0}};
    if (::futimens(fd_, times) != 0) return ErrorFromErrno(errno, "Cannot set the time of", path_);
    return Status::Ok();
  }

  MetaApplied ApplyMeta(const FileMeta& meta, uint32_t parts) override {
    if (fd_ < 0) return MetaApplied::kAll;
    return ApplyStat(fd_, -1, "", meta, parts);
  }

  Status Close() override {
    if (fd_ < 0) return Status::Ok();
    const int fd = fd_;
    fd_ = -1;
    // The descriptor is gone even when close reports a deferred write error (EINTR included).
    if (::close(fd) != 0 && errno != EINTR) return ErrorFromErrno(errno, "Cannot close", path_);
    return Status::Ok();
  }

 private:
  Status Closed() const { return Error{ErrorKind::kInvalid, "File already closed: " + path_}; }

  int fd_;
  std::string path_;
};

class PosixFileSystemImpl : public FileSystem {
 public:
  Result<std::vector<DirEntry>> ListDirectory(const std::string& dir) override {
    const At at = Where(dir);
    const int dfd = ::openat(at.dir, at.name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return ErrorFromErrno(errno, "Cannot open directory", dir);
    DIR* d = ::fdopendir(dfd);
    if (d == nullptr) {
      const int err = errno;
      ::close(dfd);
      return ErrorFromErrno(err, "Cannot open directory", dir);
    }
    Result<std::vector<DirEntry>> entries = ReadEntries(d, dir, nullptr);
    ::closedir(d);
    return entries;
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    const At at = Where(path);
    const int fd = ::openat(at.dir, at.name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return PosixDirectory::Make(fd, path, std::make_shared<DosTimeConverter>());
  }

  bool ThreadSafe() const override { return true; }

  Result<DirEntry> Stat(const std::string& path) override {
    struct stat st;
    const At at = Where(path);
    if (::fstatat(at.dir, at.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return ErrorFromErrno(errno, "Cannot find", path);
    }
    DirEntry e;
    e.name = BaseName(path);
    const bool link = S_ISLNK(st.st_mode);
    if (link && ::fstatat(at.dir, at.name, &st, 0) != 0) {
      return ErrorFromErrno(errno, "Cannot find", path);
    }
    FillFromStat(st, e);
    e.is_link = link;
    return e;
  }

  Result<DirEntry> StatLink(const std::string& path) override {
    struct stat st;
    if (!LinkStat(path, st)) return ErrorFromErrno(errno, "Cannot find", path);
    DirEntry e;
    e.name = BaseName(path);
    FillFromStat(st, e);
    return e;
  }

  Result<FileMeta> StatMeta(const std::string& path) override {
    struct stat st;
    if (!LinkStat(path, st)) return ErrorFromErrno(errno, "Cannot find", path);
    return MetaFromStat(st);
  }

  MetaApplied ApplyMeta(const std::string& path, const FileMeta& meta, uint32_t parts) override {
    const At at = Where(path);
    return ApplyStat(-1, at.dir, at.name, meta, parts);
  }

  Result<std::string> ReadLink(const std::string& path) override {
    std::string text(256, '\0');
    for (;;) {
      const At at = Where(path);
      const ssize_t n = ::readlinkat(at.dir, at.name, text.data(), text.size());
      if (n < 0) return ErrorFromErrno(errno, "Cannot read the link", path);
      if (static_cast<size_t>(n) < text.size()) {
        text.resize(static_cast<size_t>(n));
        return text;
      }
      text.resize(text.size() * 2);  // possibly cut short: ask again with more room
    }
  }

  Status CreateLink(const std::string& target, const std::string& path) override {
    const At at = Where(path);
    if (::symlinkat(target.c_str(), at.dir, at.name) != 0 &&
        (!SpaceMayFollow(errno) || ::symlinkat(target.c_str(), at.dir, at.name) != 0)) {
      return ErrorFromErrno(errno, "Cannot create the link", path);
    }
    return Status::Ok();
  }

  Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& path) override {
    // O_NONBLOCK: opening a fifo must not wait for a writer. It changes nothing for the
    // regular files that are all this opens.
    const At at = Where(path);
    const int fd = ::openat(at.dir, at.name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open", path);
    struct stat st;
    int err = 0;
    if (::fstat(fd, &st) != 0) {
      err = errno;
    } else if (!S_ISREG(st.st_mode)) {
      err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;  // reading a device would never end
    }
    if (err != 0) {
      ::close(fd);
      return ErrorFromErrno(err, "Cannot open", path);
    }
    return std::unique_ptr<ReadableFile>(std::make_unique<PosixReadableFile>(fd, path, st));
  }

  Result<std::unique_ptr<WritableFile>> Create(const std::string& path) override {
    if (Status s = RefuseReadOnly(path, "Cannot create"); !s.ok()) return s.error();
    // O_NONBLOCK: a fifo under this name fails at once instead of waiting for a reader.
    const At at = Where(path);
    const int fd =
        ::openat(at.dir, at.name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot create", path);
    return std::unique_ptr<WritableFile>(std::make_unique<PosixWritableFile>(fd, path));
  }

  Status SyncVolume(const std::string& path) override {
    const At at = Where(path);
    const int fd = ::openat(at.dir, at.name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open", path);
    const int rc = ::syncfs(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) return ErrorFromErrno(err, "Cannot flush the volume of", path);
    return Status::Ok();
  }

  Status SyncDirectory(const std::string& dir) override {
    const At at = Where(dir);
    const int fd = ::openat(at.dir, at.name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open directory", dir);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot flush a directory at all; their renames are as durable as
    // they get.
    if (rc != 0 && err != EINVAL && err != ENOTSUP) {
      return ErrorFromErrno(err, "Cannot flush the directory", dir);
    }
    return Status::Ok();
  }

  Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max_bytes) override {
    auto* in = dynamic_cast<PosixReadableFile*>(&from);
    auto* out = dynamic_cast<PosixWritableFile*>(&to);
    const Error unsupported{ErrorKind::kInvalid, "No in-kernel copy for these files"};
    if (in == nullptr || out == nullptr || out->fd() < 0 || max_bytes <= 0) return unsupported;
    bool retried = false;
    for (;;) {
      const ssize_t n = ::copy_file_range(in->fd(), nullptr, out->fd(), nullptr,
                                          static_cast<size_t>(max_bytes), 0);
      if (n >= 0) return static_cast<int64_t>(n);
      if (errno == EINTR) continue;
      if (!retried && SpaceMayFollow(errno)) {
        retried = true;
        continue;
      }
      // Across file systems or on one that cannot do it: the caller copies by hand.
      if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        return unsupported;
      }
      return ErrorFromErrno(errno, "Cannot copy to", out->path());
    }
  }

  Result<std::unique_ptr<WritableFile>> OpenAppend(const std::string& path) override {
    if (Status s = RefuseReadOnly(path, "Cannot open"); !s.ok()) return s.error();
    const At at = Where(path);
    const int fd = ::openat(at.dir, at.name, O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open", path);
    return std::unique_ptr<WritableFile>(std::make_unique<PosixWritableFile>(fd, path));
  }

  Status Rename(const std::string& from, const std::string& to) override {
    // Replacing a read-only file would delete it, which Remove refuses too.
    return TakeName(to, "Cannot replace", [&]() -> Status {
      const At a = Where(from), b = Where(to);
      if (::renameat(a.dir, a.name, b.dir, b.name) != 0) {
        return ErrorFromErrno(errno, "Cannot rename", from + "\" to \"" + to);
      }
      Renamed(from);
      return Status::Ok();
    });
  }

  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    const At a = Where(from), b = Where(to);
    if (::renameat2(a.dir, a.name, b.dir, b.name, RENAME_NOREPLACE) == 0) {
      Renamed(from);
      return Status::Ok();
    }
    // A file system that cannot refuse by itself: ask first, then rename.
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
      return FileSystem::RenameNoReplace(from, to);
    }
    return ErrorFromErrno(errno, "Cannot rename", from + "\" to \"" + to);
  }

  Result<std::unique_ptr<WritableFile>> CreateTemporary(const std::string& path) override {
    // Owner-only from its first moment: the copy gets its source's mode when complete. A stale
    // temporary of ours may have any mode, so it goes first rather than be truncated.
    // O_NOFOLLOW: a link of that name is not written through.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
    const At at = Where(path);
    int fd = ::openat(at.dir, at.name, flags, 0600);
    if (fd < 0 && errno == EEXIST && ::unlinkat(at.dir, at.name, 0) == 0) {
      fd = ::openat(at.dir, at.name, flags, 0600);
    }
    if (fd < 0 && SpaceMayFollow(errno)) fd = ::openat(at.dir, at.name, flags, 0600);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot create", path);
    return std::unique_ptr<WritableFile>(std::make_unique<PosixWritableFile>(fd, path));
  }

  Result<uint64_t> VolumeId(const std::string& path) override {
    struct stat st;
    const At at = Where(path);
    if (::fstatat(at.dir, at.name, &st, 0) != 0) return ErrorFromErrno(errno, "Cannot find", path);
    return static_cast<uint64_t>(st.st_dev);
  }

  Status Remove(const std::string& path) override {
    return TakeName(path, "Cannot delete", [&]() -> Status {
      const At at = Where(path);
      if (::unlinkat(at.dir, at.name, 0) == 0) return Status::Ok();
      return ErrorFromErrno(errno, "Cannot delete", path);
    });
  }

  Status CreateDirectory(const std::string& path) override {
    const At at = Where(path);
    if (::mkdirat(at.dir, at.name, 0777) != 0 &&
        (!SpaceMayFollow(errno) || ::mkdirat(at.dir, at.name, 0777) != 0)) {
      return ErrorFromErrno(errno, "Cannot create directory", path);
    }
    return Status::Ok();
  }

  Status CreatePrivateDirectory(const std::string& path) override {
    const At at = Where(path);
    if (::mkdirat(at.dir, at.name, 0700) != 0 &&
        (!SpaceMayFollow(errno) || ::mkdirat(at.dir, at.name, 0700) != 0)) {
      return ErrorFromErrno(errno, "Cannot create directory", path);
    }
    return Status::Ok();
  }

  Status SetReadOnly(const std::string& path, bool read_only) override {
    struct stat st;
    const At at = Where(path);
    if (::fstatat(at.dir, at.name, &st, 0) != 0) return ErrorFromErrno(errno, "Cannot find", path);
    // Read-only takes every write bit away; clearing it gives the owner back write access only.
    const mode_t mode =
        read_only ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (st.st_mode | S_IWUSR);
    if ((mode & 07777) == (st.st_mode & 07777)) return Status::Ok();
    if (::fchmodat(at.dir, at.name, mode & 07777, 0) != 0) {
      return ErrorFromErrno(errno, "Cannot change attributes of", path);
    }
    return Status::Ok();
  }

  Status SetLastWriteTime(const std::string& path, DosDateTime time) override {
    // Both times, for the volumes that take an omitted one for "now" (see ApplyStat).
    const struct timespec times[2] = {{DosDateTimeToUnix(time), 0}, {DosDateTimeToUnix(time), 0}};
    const At at = Where(path);
    if (::utimensat(at.dir, at.name, times, 0) != 0) {
      return ErrorFromErrno(errno, "Cannot set the time of", path);
    }
    return Status::Ok();
  }

  Result<int64_t> FreeSpace(const std::string& path) override {
    WaitForBackgroundCloses();  // blocks of replaced files still being freed count as free
    const std::string existing = NearestExisting(path);
    struct statvfs vfs;
    if (::statvfs(existing.c_str(), &vfs) != 0) {
      return ErrorFromErrno(errno, "Cannot query free space of", existing);
    }
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  }

  Result<std::string> MountPointOf(const std::string& path) override {
    const std::string existing = NearestExisting(path);
    char* resolved = ::realpath(existing.c_str(), nullptr);
    if (resolved == nullptr) return ErrorFromErrno(errno, "Cannot resolve", existing);
    const std::string real(resolved);
    std::free(resolved);

    // The longest mount point that contains the path; later lines win a tie (stacked mounts).
    std::ifstream in("/proc/self/mountinfo");
    std::string line, best;
    while (std::getline(in, line)) {
      // Fields: id parent major:minor root mount-point ...
      size_t pos = 0;
      for (int field = 0; field < 4 && pos != std::string::npos; ++field) {
        pos = line.find(' ', pos);
        if (pos != std::string::npos) ++pos;
      }
      if (pos == std::string::npos) continue;
      const size_t end = line.find(' ', pos);
      const std::string mount = UnescapeMountField(line.substr(pos, end - pos));
      if (IsUnder(real, mount) && mount.size() >= best.size()) best = mount;
    }
    if (!best.empty()) return best;
    return WalkUpToMountPoint(real);
  }

  std::string NotReadyMountPlace(const std::string& path) override { return NotMountedPlace(path); }

  Result<std::unique_ptr<FileSystem>> Pin(const std::vector<std::string>& roots) override;

  std::string TempDirectory() override {
    struct stat st;
    std::string dir;
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && *env != 0 && ::stat(env, &st) == 0 && S_ISDIR(st.st_mode)) {
      dir = env;
    } else if (::stat("/tmp", &st) == 0 && S_ISDIR(st.st_mode)) {
      dir = "/tmp";
    } else {
      return {};
    }
    return AddDirSeparator(dir);
  }

 protected:
  // Where a path's calls start: a directory handle and the rest of the path from there.
  struct At {
    int dir;
    const char* name;
    std::shared_ptr<const FolderHandle> held = nullptr;  // keeps `dir` open while it is used
  };
  // This machine's own file system resolves every path from the working directory.
  virtual At Where(const std::string& path) const { return {AT_FDCWD, path.c_str()}; }
  // `from`, a file or a folder, has just been renamed.
  virtual void Renamed(const std::string& /*from*/) {}

 private:
  // The path itself, a link not followed; false with errno set when it cannot be had.
  bool LinkStat(const std::string& path, struct stat& st) const {
    const At at = Where(path);
    return ::fstatat(at.dir, at.name, &st, AT_SYMLINK_NOFOLLOW) == 0;
  }

  // A file with the read-only attribute is never deleted or overwritten; root ignores
  // permission bits, so the check is made here rather than left to the kernel.
  Status RefuseReadOnly(const std::string& path, const char* what) {
    struct stat st;
    if (!LinkStat(path, st)) return Status::Ok();  // the call itself reports it
    return RefuseReadOnly(path, st, what);
  }
  static Status RefuseReadOnly(const std::string& path, const struct stat& st, const char* what) {
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
      return Error{ErrorKind::kReadOnly,
                   std::string(what) + " \"" + path + "\": the file is read-only"};
    }
    return Status::Ok();
  }

  // A file with blocks that is about to lose its name, held open (or -1) so that the blocks
  // are freed when CloseInBackground closes it rather than inside the rename or unlink.
  int HoldBlocks(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode) || st.st_blocks == 0 || st.st_nlink != 1) return -1;
    const At at = Where(path);
    return ::openat(at.dir, at.name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  }

  // Runs `take` (a rename over `path`, or its unlink), which removes the name `path`: refused
  // for a read-only file; the blocks of the file that loses its name are freed off this thread.
  template <class Take>
  Status TakeName(const std::string& path, const char* refusal, Take take) {
    struct stat st;
    const bool exists = LinkStat(path, st);
    if (exists) {
      if (Status s = RefuseReadOnly(path, st, refusal); !s.ok()) return s;
    }
    const int held = exists ? HoldBlocks(path, st) : -1;
    Status taken = take();
    CloseInBackground(held);
    return taken;
  }

  // Without a mount table: climb while the parent is on the same device.
  static Result<std::string> WalkUpToMountPoint(const std::string& real) {
    struct stat st;
    if (::stat(real.c_str(), &st) != 0) return ErrorFromErrno(errno, "Cannot find", real);
    std::string current = real;
    while (current != "/") {
      const std::string parent = DirectoryOf(current);
      struct stat pst;
      if (::stat(parent.c_str(), &pst) != 0 || pst.st_dev != st.st_dev) break;
      current = parent;
    }
    return current;
  }
};

// This file system with roots pinned for a run: each root's directory is held open, and every
// path below it resolves from that handle.
class PinnedPosixFileSystem final : public PosixFileSystemImpl {
 public:
  struct Root {
    std::string path;  // as the caller names it, without a trailing separator ("/" stays)
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string mount;  // the mount place named when the volume is lost
  };
  explicit PinnedPosixFileSystem(std::vector<Root> roots) : roots_(std::move(roots)) {}
  ~PinnedPosixFileSystem() override {
    for (const Root& r : roots_) ::close(r.fd);
  }
  PinnedPosixFileSystem(const PinnedPosixFileSystem&) = delete;
  PinnedPosixFileSystem& operator=(const PinnedPosixFileSystem&) = delete;

  // May be called from two threads (a group's placement is checked on the sync thread).
  Status CheckPinned() override {
    for (const Root& r : roots_) {
      struct stat st;
      const bool there =
          ::stat(r.path.c_str(), &st) == 0 && st.st_dev == r.dev && st.st_ino == r.ino;
      if (there) continue;
      const std::lock_guard lock(lost_mutex_);
      if (!lost_known_.load(std::memory_order_relaxed)) {
        lost_ = r.mount;
        lost_known_.store(true, std::memory_order_release);
      }
      break;
    }
    if (!lost_known_.load(std::memory_order_acquire)) return Status::Ok();
    return Error{ErrorKind::kNotFound, "Drive not ready: " + lost_};
  }
  // Set once and never changed after, so that any thread may read it once it is known.
  const std::string& LostVolume() const override {
    static const std::string kNone;
    return lost_known_.load(std::memory_order_acquire) ? lost_ : kNone;
  }

  // From the root's own handle: the path must stay valid after the call.
  std::string NativePath(const std::string& path) override {
    const At at = RootWhere(path);
    if (at.dir == AT_FDCWD) return path;
    return "/proc/self/fd/" + std::to_string(at.dir) + "/" + at.name;
  }

  // The pinned volume's own, even when its path leads elsewhere now.
  Result<int64_t> FreeSpace(const std::string& path) override {
    const At at = RootWhere(path);
    if (at.dir == AT_FDCWD) return PosixFileSystemImpl::FreeSpace(path);
    WaitForBackgroundCloses();
    struct statvfs vfs;
    if (::fstatvfs(at.dir, &vfs) != 0)
      return ErrorFromErrno(errno, "Cannot query free space of", path);
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  }

 protected:
  // A file's own folder is held open once it has been used, so that each call on the next file
  // in it resolves one name rather than the path from the root (or, for a folder outside the
  // roots, such as a backup's source, from the top). A folder renamed through this file system
  // is let go at once; one renamed by another program keeps its files coming to it under its
  // new name, and one deleted refuses new files, as it would for a path.
  At Where(const std::string& path) const override {
    At at = RootWhere(path);
    const char* slash = std::strrchr(at.name, '/');
    if (slash == nullptr || slash == at.name) return at;  // one name from its folder already
    const char* leaf = slash + 1;
    if (*leaf == 0 || std::strcmp(leaf, ".") == 0 || std::strcmp(leaf, "..") == 0) return at;
    const auto folder_end = static_cast<size_t>(slash - path.c_str());
    std::shared_ptr<const FolderHandle> folder =
        folders_.Get(std::string_view(path).substr(0, folder_end), at.dir,
                     std::string_view(at.name, static_cast<size_t>(slash - at.name)));
    if (!folder) return at;
    const int fd = folder->fd();
    return {fd, leaf, std::move(folder)};
  }

  void Renamed(const std::string& from) override { folders_.Forget(from); }

 private:
  At RootWhere(const std::string& path) const {
    for (const Root& r : roots_) {
      if (r.path == "/") {
        if (path.size() > 1 && path[0] == '/')
          return {r.fd, path.c_str() + path.find_first_not_of('/')};
        continue;
      }
      if (path.compare(0, r.path.size(), r.path) != 0) continue;
      if (path.size() == r.path.size()) return {r.fd, "."};
      if (path[r.path.size()] != '/') continue;
      const size_t rest = path.find_first_not_of('/', r.path.size());
      return {r.fd, rest == std::string::npos ? "." : path.c_str() + rest};
    }
    return {AT_FDCWD, path.c_str()};
  }

  std::vector<Root> roots_;
  std::mutex lost_mutex_;  // taken by the one that finds a volume lost
  std::atomic<bool> lost_known_{false};
  std::string lost_;  // the mount place of the first volume found lost
  mutable OpenFolders folders_;
};

Result<std::unique_ptr<FileSystem>> PosixFileSystemImpl::Pin(
    const std::vector<std::string>& roots) {
  std::vector<PinnedPosixFileSystem::Root> pinned;
  for (const std::string& root : roots) {
    // A root the run is yet to create is pinned at its nearest existing ancestor.
    PinnedPosixFileSystem::Root r;
    r.path = WithoutTrailingSeparators(NearestExisting(root));
    if (r.path.empty()) r.path = "/";
    r.fd = ::open(r.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (r.fd < 0 || ::fstat(r.fd, &st) != 0) {
      const int err = errno;
      if (r.fd >= 0) ::close(r.fd);
      for (const auto& p : pinned) ::close(p.fd);
      return ErrorFromErrno(err, "Cannot open directory", r.path);
    }
    r.dev = st.st_dev;
    r.ino = st.st_ino;
    Result<std::string> mount = MountPointOf(r.path);
    r.mount = mount.ok() ? mount.value() : r.path;
    pinned.push_back(std::move(r));
  }
  // The longer root first, so that a root inside another resolves from its own handle.
  std::sort(pinned.begin(), pinned.end(),
            [](const auto& a, const auto& b) { return a.path.size() > b.path.size(); });
  return std::unique_ptr<FileSystem>(std::make_unique<PinnedPosixFileSystem>(std::move(pinned)));
}

}  // namespace

FileSystem& PosixFileSystem() {
  static PosixFileSystemImpl instance;
  return instance;
}

}  // namespace qm
