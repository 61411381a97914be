// The file-system services the program needs, behind one small interface so that tests can
// inject faults (tests run as root and cannot rely on permissions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/error.h"

namespace qm {

// Attribute bits of a directory entry.
inline constexpr uint32_t faReadOnly = 0x01;  // the owner has no write permission
inline constexpr uint32_t faHidden = 0x02;    // never set: dot names are ordinary user data
inline constexpr uint32_t faSysFile = 0x04;   // devices, sockets, fifos
inline constexpr uint32_t faVolumeID = 0x08;
inline constexpr uint32_t faDirectory = 0x10;
inline constexpr uint32_t faArchive = 0x20;  // every regular file
inline constexpr uint32_t faSymLink = 0x40;  // a symbolic link, listed as itself

// Local last-write time packed as a FAT date-time: date in the high 16 bits, time of day in the
// low 16 bits, two-second resolution. Compare these as unsigned values.
using DosDateTime = uint32_t;

// One entry of a directory listing. A symbolic link is listed as itself, whatever it points at
// (a file, a directory, nothing): faSymLink, `is_link`, its own time, size 0, never a directory.
struct DirEntry {
  std::string name;      // bare name, as found on disk
  uint32_t attr = 0;     // fa* bits
  int64_t size = 0;      // bytes, full 64 bits
  DosDateTime time = 0;  // local last-write time, DOS packed
  bool is_link = false;  // the name is a symbolic link

  bool is_directory() const { return (attr & faDirectory) != 0; }
};

// An open directory of a walk: listed, and descended into, relative to itself, so that a deep
// tree is not resolved from its top again for every directory.
class Directory {
 public:
  virtual ~Directory() = default;
  // Every entry except "." and "..", in the order the system returns them.
  virtual Result<std::vector<DirEntry>> List() = 0;
  // Opens the subdirectory `name` (never through a symbolic link); `path` is its full path as
  // the caller names it, for error texts.
  virtual Result<std::unique_ptr<Directory>> Open(const std::string& name,
                                                  const std::string& path) = 0;
};

// What a faithful copy carries over besides the data: type and permission bits, owner, and the
// exact modification time.
struct FileMeta {
  uint32_t mode = 0;  // st_mode: type and permission bits
  uint32_t uid = 0;
  uint32_t gid = 0;
  int64_t size = 0;
  int64_t mtime_sec = 0;
  int64_t mtime_nsec = 0;
  int64_t atime_sec = 0;  // the access time goes along with it
  int64_t atime_nsec = 0;

  uint32_t permissions() const { return mode & 0777; }  // setuid, setgid, sticky never carried
  bool is_link() const { return (mode & 0170000) == 0120000; }
  bool is_directory() const { return (mode & 0170000) == 0040000; }
};

// What ApplyMeta could do. The time is set wherever it can be; a volume that keeps no modes or
// owners (FAT, exFAT, some network mounts) refuses the rest, and the copy stands all the same.
enum class MetaApplied { kAll, kModesRefused };

// The parts of FileMeta that ApplyMeta sets.
inline constexpr uint32_t kMetaMode = 1;
inline constexpr uint32_t kMetaOwner = 2;  // only when running as root
inline constexpr uint32_t kMetaTime = 4;
inline constexpr uint32_t kMetaAll = kMetaMode | kMetaOwner | kMetaTime;

class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads buffer.size() bytes, fewer only where the file ends; 0 at the end of the file.
  virtual Result<size_t> Read(std::span<std::byte> buffer) = 0;
  virtual Result<int64_t> Size() = 0;
  virtual Result<DosDateTime> LastWriteTime() = 0;
  // Size and time in one call. The first call after opening may report what the opening saw
  // without asking again; every later call asks the system afresh.
  virtual Result<DirEntry> Info() {
    Result<int64_t> size = Size();
    if (!size.ok()) return size.error();
    Result<DosDateTime> time = LastWriteTime();
    if (!time.ok()) return time.error();
    DirEntry e;
    e.attr = faArchive;
    e.size = size.value();
    e.time = time.value();
    return e;
  }
  // Mode, owner and exact time as the opening or the last Info() saw them, without asking
  // again; none where the file system cannot tell.
  virtual std::optional<FileMeta> Meta() { return std::nullopt; }
};

class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of `data` or fails.
  virtual Status Write(std::span<const std::byte> data) = 0;
  // Flushes the file's data to stable storage (before a rename makes it visible).
  virtual Status Sync() = 0;
  virtual Status SetLastWriteTime(DosDateTime time) = 0;
  // Gives the open file the `parts` (kMeta* bits) of `meta`; does nothing where the file system
  // keeps none of them.
  virtual MetaApplied ApplyMeta(const FileMeta& /*meta*/, uint32_t /*parts*/) {
    return MetaApplied::kAll;
  }
  // Closing reports the last deferred write error; the destructor closes silently.
  virtual Status Close() = 0;
  // Asks the system to start writing what was written so far to the disk, without waiting, so
  // that a later Sync() has less left to do. Only a hint: nothing is reported.
  virtual void StartWriteback() {}
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Every entry of `dir` except "." and "..", in the order the system returns them.
  virtual Result<std::vector<DirEntry>> ListDirectory(const std::string& dir) = 0;
  // Opens a directory for a walk. This default lists through ListDirectory by path, so a fake
  // that changes listings changes walks too.
  virtual Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path);
  // Whether calls may come from two threads at once: the scan walks the destination and the
  // copier syncs full groups on a second thread when it is (fakes that count calls say no).
  virtual bool ThreadSafe() const { return false; }
  // Attributes, size and time of one path (links followed).
  virtual Result<DirEntry> Stat(const std::string& path) = 0;
  // The same for the path itself: a symbolic link is reported as the link (faSymLink).
  virtual Result<DirEntry> StatLink(const std::string& path) { return Stat(path); }
  // Mode, owner and exact time of the path itself (a link is not followed). This default, for
  // file systems that keep none, makes them up from Stat: rw-r--r--, r--r--r-- when read-only,
  // rwxr-xr-x for a directory; owner 0; the DOS time.
  virtual Result<FileMeta> StatMeta(const std::string& path);
  // Gives the path itself the `parts` (kMeta* bits) of `meta`; a link keeps its own mode.
  virtual MetaApplied ApplyMeta(const std::string& /*path*/, const FileMeta& /*meta*/,
                                uint32_t /*parts*/) {
    return MetaApplied::kAll;
  }
  // The target text of the symbolic link `path`, as stored (a relative one stays relative).
  virtual Result<std::string> ReadLink(const std::string& path) {
    return Error{ErrorKind::kInvalid, "No symbolic links here: " + path};
  }
  // Creates the symbolic link `path` with the target text `target`.
  virtual Status CreateLink(const std::string& target, const std::string& path) {
    (void)target;
    return Error{ErrorKind::kInvalid, "Cannot create the link " + path};
  }

  virtual Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& path) = 0;
  // Creates the file, or truncates it when it exists.
  virtual Result<std::unique_ptr<WritableFile>> Create(const std::string& path) = 0;
  // Opens for appending at the end; fails when the file does not exist.
  virtual Result<std::unique_ptr<WritableFile>> OpenAppend(const std::string& path) = 0;

  // Replaces `to` atomically when it exists.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // Renames only when nothing is named `to` (kExists otherwise), so a kept copy can never be
  // replaced. Atomic where the system can do it.
  virtual Status RenameNoReplace(const std::string& from, const std::string& to) {
    if (Stat(to).ok()) return Error{ErrorKind::kExists, "\"" + to + "\" exists already"};
    return Rename(from, to);
  }
  // Creates or truncates a temporary file of ours in one call, readable and writable by the
  // owner alone; a stale one of that name, even a read-only one or a link, is simply replaced.
  virtual Result<std::unique_ptr<WritableFile>> CreateTemporary(const std::string& path) {
    return Create(path);
  }
  // Tells the volumes apart: equal values for two paths on one volume. Every path is on one
  // volume unless the file system says otherwise.
  virtual Result<uint64_t> VolumeId(const std::string& /*path*/) { return uint64_t{0}; }
  // Deletes a file. A read-only file refuses deletion (kReadOnly), even for root.
  virtual Status Remove(const std::string& path) = 0;
  // Creates one directory; its parent must exist.
  virtual Status CreateDirectory(const std::string& path) = 0;
  // The same, readable and writable by the owner alone until it is given its final mode.
  virtual Status CreatePrivateDirectory(const std::string& path) { return CreateDirectory(path); }
  // Sets or clears faReadOnly (the owner's write permission).
  virtual Status SetReadOnly(const std::string& path, bool read_only) = 0;
  virtual Status SetLastWriteTime(const std::string& path, DosDateTime time) = 0;

  // Free bytes on the volume holding `path`, or its nearest existing ancestor.
  virtual Result<int64_t> FreeSpace(const std::string& path) = 0;
  // Mount point of the volume holding `path`, or its nearest existing ancestor.
  virtual Result<std::string> MountPointOf(const std::string& path) = 0;
  // The mount place (an fstab mount point, or a folder directly under /media/<user>,
  // /run/media/<user> or /mnt) at or above `path` that is not mounted now, so that nothing may
  // be read or created there; empty when `path` is ready.
  virtual std::string NotReadyMountPlace(const std::string& /*path*/) { return {}; }
  // The same file system with `roots` pinned for one run of a profile: each root (or, when it
  // does not exist yet, its nearest existing ancestor) is opened once, and every call on a path
  // below it resolves from that handle, so nothing lands on another volume mounted or unmounted
  // there meanwhile. Null when this file system pins nothing: the run then uses it as it is.
  virtual Result<std::unique_ptr<FileSystem>> Pin(const std::vector<std::string>& /*roots*/) {
    return std::unique_ptr<FileSystem>();
  }
  // Whether every pinned root's path still reaches the volume pinned; once one does not
  // (unmounted, replaced), it never does again in this file system.
  virtual Status CheckPinned() { return Status::Ok(); }
  // The mount place of the pinned volume CheckPinned found lost; empty while none is.
  virtual const std::string& LostVolume() const {
    static const std::string kNone;
    return kNone;
  }
  // A path for libraries that take only paths, resolving as this file system's calls do.
  virtual std::string NativePath(const std::string& path) { return path; }

  // The directory for temporary files, with a trailing '/'; empty if there is none.
  virtual std::string TempDirectory() = 0;

  // Writes every pending change of the volume holding `path` (an existing file or directory)
  // to stable storage: one call makes a whole group of new files durable at once.
  virtual Status SyncVolume(const std::string& /*path*/) { return Status::Ok(); }
  // Writes the entries of directory `dir` to stable storage, so that a rename into it survives
  // a power loss.
  virtual Status SyncDirectory(const std::string& /*dir*/) { return Status::Ok(); }

  // Copies up to `max_bytes` from the current position of `from` to that of `to` without
  // passing the data through the caller, advancing both; returns the bytes copied, 0 at the
  // end of `from`. kInvalid when these files cannot be copied that way: the caller then reads
  // and writes itself (and meets any real fault there).
  virtual Result<int64_t> CopyData(ReadableFile& /*from*/, WritableFile& /*to*/,
                                   int64_t /*max_bytes*/) {
    return Error{ErrorKind::kInvalid, "No in-kernel copy here"};
  }
};

// The real file system of this machine.
FileSystem& PosixFileSystem();

}  // namespace qm
