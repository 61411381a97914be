#include "app/verify_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/archive_reader.h"
#include "engine/backup_catalogue.h"
#include "engine/masks.h"
#include "engine/run_lock.h"
#include "engine/scan.h"
#include "platform/path_style.h"

namespace qm {
namespace {

constexpr size_t kChunk = size_t{1} << 20;

// A file read front to back in large blocks, the kernel told so, never held whole.
class SequentialFile {
 public:
  explicit SequentialFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)) {
    if (fd_ >= 0) (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  ~SequentialFile() {
    if (fd_ >= 0) {
      // What was read once is not worth the page cache of the files a user works on.
      (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
      ::close(fd_);
    }
  }
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  // Fills `buffer` unless the file ends first; -1 on a read error.
  ssize_t Read(std::byte* buffer, size_t size) {
    size_t total = 0;
    while (total < size) {
      const ssize_t n = ::read(fd_, buffer + total, size - total);
      if (n < 0) return -1;
      if (n == 0) break;
      total += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(total);
  }

 private:
  int fd_;
};

enum class Compared { kEqual, kDiffers, kSourceUnreadable, kBackupUnreadable };

std::string LinkText(const std::string& path) {
  std::vector<char> text(4096);
  const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
  return n < 0 ? std::string("\0", 1) : std::string(text.data(), static_cast<size_t>(n));
}

// `buffers` holds two chunks, one for each side.
Compared ComparePlain(const std::string& source, const std::string& copy, bool link,
                      std::byte* buffers) {
  if (link) return LinkText(source) == LinkText(copy) ? Compared::kEqual : Compared::kDiffers;
  SequentialFile a(source), b(copy);
  if (!a.ok()) return Compared::kSourceUnreadable;
  if (!b.ok()) return Compared::kBackupUnreadable;
  std::byte* x = buffers;
  std::byte* y = x + kChunk;
  for (;;) {
    const ssize_t n = a.Read(x, kChunk);
    if (n < 0) return Compared::kSourceUnreadable;
    const ssize_t m = b.Read(y, kChunk);
    if (m < 0) return Compared::kBackupUnreadable;
    if (n != m || std::memcmp(x, y, static_cast<size_t>(n)) != 0) return Compared::kDiffers;
    if (n == 0) return Compared::kEqual;
  }
}

// One profile: its source against its backup.
class Verifier {
 public:
  Verifier(BackupJobHost& host, const ProfileRecord& profile, const std::string& locks,
           VerifyTally& tally)
      : host_(host), profile_(profile), locks_(locks), tally_(tally) {}

  void Run() {
    const ProfileRecord& profile = profile_;
    FileSystem& fs = host_.fs();
    const std::string locks = LockDirectoryOr(locks_);
    if (Status s = catalogue_.Build(fs, profile, {locks}); !s.ok()) {
      const std::string text = "Can not read the backup " + Quoted(profile.DestDir()) + ": " +
                               s.error().message + "; nothing verified";
      host_.Record(LogKind::kError, text);
      host_.Error(text);
      ++tally_.failed;
      tally_.failure = text;
      return;
    }
    host_.Record(LogKind::kInfo, "Verify started. Source " + Quoted(profile.SrcDir()) +
                                     ", backup " + Quoted(profile.DestDir()));
    ScanRequest src;
    src.dir = src.top = profile.SrcDir();
    src.masks = CutMaskText(profile.FileMask());
    src.incl_dirs = profile.InclDirs();
    src.own_paths = {locks};
    NamedList<ScannedFile> files;
    const ScanOutcome scanned = ScanTree(fs, src, files);
    if (!scanned.status.ok() && files.Empty() && scanned.unlisted.empty())
      Unreadable(profile.SrcDir(), scanned.status.error().message);
    for (const std::string& dir : scanned.unlisted) Unreadable(dir, "the folder cannot be listed");

    const auto newest = catalogue_.Newest(std::nullopt);
    read_.assign(catalogue_.Count(), false);
    std::string name;
    for (size_t i = 0; i < files.Count() && !host_.Stopped(); ++i) {
      files.NameInto(i, name);
      const std::string source = files.Text(i);
      host_.Progress(static_cast<int64_t>(i), static_cast<int64_t>(files.Count()), bytes_, source);
      const uint32_t v = newest.Find(name);
      if (v == NewestVersions::kNone) {
        Line(false, "missing", source);
        ++tally_.missing;
        host_.Record(LogKind::kInfo, "File " + Quoted(source) + " has no copy in the backup yet");
        continue;
      }
      const auto source_time = static_cast<DosDateTime>(files.Time(i));
      if (source_time > catalogue_.Time(v)) {
        Line(false, "outdated", source);
        ++tally_.outdated;
        host_.Record(LogKind::kInfo, "File " + Quoted(source) + " is newer than its copy " +
                                         Quoted(catalogue_.Path(v)));
        continue;
      }
      // A copy newer than its source is what a later run made of another file: not comparable.
      if (source_time != catalogue_.Time(v)) continue;
      CompareWith(source, files.Size(i), (files.Attr(i) & faSymLink) != 0, v);
    }
    // Every other archive is read through once, for its CRC.
    for (size_t v = 0; catalogue_.Archives() && v < catalogue_.Count() && !host_.Stopped(); ++v) {
      if (read_[v]) continue;
      host_.Progress(static_cast<int64_t>(files.Count()), static_cast<int64_t>(files.Count()),
                     bytes_, catalogue_.Path(v));
      if (Status s = ReadArchive(fs, catalogue_.Path(v), nullptr); !s.ok())
        Damaged(catalogue_.Path(v), s.error().message);
    }
    host_.Record(LogKind::kInfo, "Verify finished. " + VerifySummary(tally_));
  }

 private:
  void CompareWith(const std::string& source, int64_t size, bool link, uint32_t v) {
    const std::string copy = catalogue_.Path(v);
    if (!catalogue_.Archives()) {
      if (size != catalogue_.Size(v)) return Differs(source, copy);
      bytes_ += size;
      if (!buffers_) buffers_ = std::make_unique_for_overwrite<std::byte[]>(2 * kChunk);
      switch (ComparePlain(host_.fs().NativePath(source), host_.fs().NativePath(copy), link,
                           buffers_.get())) {
        case Compared::kEqual:
          ++tally_.verified;
          return;
        case Compared::kDiffers:
          return Differs(source, copy);
        case Compared::kSourceUnreadable:
          return Unreadable(source, std::strerror(errno));
        case Compared::kBackupUnreadable:
          return Unreadable(copy, std::strerror(errno));
      }
    }
    read_[v] = true;
    // The entry is unpacked against the source's bytes, the CRC checked as it ends.
    std::unique_ptr<SequentialFile> in;
    std::string link_text;
    if (link) {
      link_text = LinkText(host_.fs().NativePath(source));
    } else {
      in = std::make_unique<SequentialFile>(host_.fs().NativePath(source));
      if (!in->ok()) return Unreadable(source, std::strerror(errno));
    }
    std::vector<std::byte> mine;
    int64_t seen = 0;
    bool source_failed = false, same = true;
    // After a difference the archive is still read to its end: a CRC that fails there makes
    // it a damaged archive rather than a copy that differs.
    const Status s = ReadArchive(host_.fs(), copy, [&](std::span<const std::byte> data) {
      if (same && link) {
        same = link_text.compare(static_cast<size_t>(seen), data.size(),
                                 reinterpret_cast<const char*>(data.data()), data.size()) == 0;
      } else if (same) {
        mine.resize(data.size());
        const ssize_t n = in->Read(mine.data(), data.size());
        source_failed = n < 0;
        same = n == static_cast<ssize_t>(data.size()) &&
               std::memcmp(mine.data(), data.data(), data.size()) == 0;
      }
      seen += static_cast<int64_t>(data.size());
      return !host_.Stopped();
    });
    bytes_ += seen;
    if (host_.Stopped()) return;
    if (!s.ok()) return Damaged(copy, s.error().message);
    if (source_failed) return Unreadable(source, "read error");
    const int64_t whole = link ? static_cast<int64_t>(link_text.size()) : size;
    if (!same || seen != whole) return Differs(source, copy);
    ++tally_.verified;
  }

  void Line(bool bad, const char* what, const std::string& path) {
    host_.Line(std::string(what) + " " + path, bad);
  }
  void Differs(const std::string& source, const std::string& copy) {
    Line(true, "differs", source);
    ++tally_.differs;
    host_.Record(LogKind::kError, "File " + Quoted(source) + " differs from its copy " +
                                      Quoted(copy) + " of the same time: the backup copy went bad");
  }
  void Damaged(const std::string& archive, const std::string& why) {
    Line(true, "damaged", archive);
    ++tally_.damaged;
    host_.Record(LogKind::kError, "Archive " + Quoted(archive) + " is damaged: " + why);
  }
  void Unreadable(const std::string& path, const std::string& why) {
    Line(true, "unreadable", path);
    ++tally_.unreadable;
    host_.Record(LogKind::kError, "Can not read " + Quoted(path) + ": " + why);
  }

  BackupJobHost& host_;
  const ProfileRecord& profile_;
  const std::string& locks_;
  VerifyTally& tally_;
  BackupCatalogue catalogue_;
  std::vector<bool> read_;                // the archives already read through
  std::unique_ptr<std::byte[]> buffers_;  // for plain copies, made at the first one
  int64_t bytes_ = 0;
};

}  // namespace

void VerifyProfile(BackupJobHost& host, const ProfileRecord& profile,
                   const std::string& lock_directory, VerifyTally& tally) {
  Verifier(host, profile, lock_directory, tally).Run();
}

std::string VerifySummary(const VerifyTally& t) {
  return "verified " + std::to_string(t.verified) + ", differs " + std::to_string(t.differs) +
         ", damaged " + std::to_string(t.damaged) + ", missing " + std::to_string(t.missing) +
         ", outdated " + std::to_string(t.outdated);
}

}  // namespace qm
