#include "app/verify_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
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
    if (static_cast<size_t>(n) < kChunk) return Compared::kEqual;  // both ended there
  }
}

// What one source file comes to, found in the order of the files and told in that order.
struct Check {
  enum Kind { kCompare, kMissing, kOutdated };
  Check(Kind k, std::string from, std::string to = {}, bool is_link = false)
      : kind(k), source(std::move(from)), copy(std::move(to)), link(is_link) {}
  Kind kind;
  std::string source, copy;
  bool link = false;
  std::optional<Compared> outcome;  // none until compared; none after a stop
  int error = 0;                    // why a side could not be read
};

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
      std::string source = files.Text(i);
      host_.Progress(static_cast<int64_t>(i), static_cast<int64_t>(files.Count()), bytes_, source);
      const uint32_t v = newest.Find(name);
      if (v == NewestVersions::kNone) {
        Queue(Check(Check::kMissing, std::move(source)));
        continue;
      }
      const auto source_time = static_cast<DosDateTime>(files.Time(i));
      if (source_time > catalogue_.Time(v)) {
        Queue(Check(Check::kOutdated, std::move(source), catalogue_.Path(v)));
        continue;
      }
      // A copy newer than its source is what a later run made of another file: not comparable.
      if (source_time != catalogue_.Time(v)) continue;
      CompareWith(std::move(source), files.Size(i), (files.Attr(i) & faSymLink) != 0, v);
    }
    TellChecks();
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
  void CompareWith(std::string source, int64_t size, bool link, uint32_t v) {
    std::string copy = catalogue_.Path(v);
    if (!catalogue_.Archives()) {
      Check check(Check::kCompare, std::move(source), std::move(copy), link);
      if (size != catalogue_.Size(v))
        check.outcome = Compared::kDiffers;
      else
        bytes_ += size;
      return Queue(std::move(check));
    }
    TellChecks();
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

  void Queue(Check check) {
    checks_.push_back(std::move(check));
    if (checks_.size() == kChecksAtOnce) TellChecks();
  }

  // Tells the findings queued in the order of the files, the plain copies among them compared
  // first; after a stop, only those before the first file left uncompared.
  void TellChecks() {
    const auto to_compare = std::count_if(checks_.begin(), checks_.end(), [](const Check& c) {
      return c.kind == Check::kCompare && !c.outcome;
    });
    if (to_compare > 0) CompareQueued(to_compare >= kChecksForTwoThreads);
    for (const Check& c : checks_) {
      if (c.kind == Check::kCompare && !c.outcome) break;
      Tell(c);
    }
    checks_.clear();
  }

  // On this thread and, for a large group, one more: reading the two files and comparing them
  // is where a verification spends its time, and the second core would otherwise sit idle.
  // This thread alone asks the host whether to stop, before each file it compares.
  void CompareQueued(bool two_threads) {
    if (!buffers_) buffers_ = std::make_unique_for_overwrite<std::byte[]>(4 * kChunk);
    std::atomic<size_t> next{0};
    std::atomic<bool> stopped{false};
    auto compare = [this, &next, &stopped](std::byte* buffers, bool asks) {
      for (size_t i; (i = next.fetch_add(1)) < checks_.size();) {
        Check& c = checks_[i];
        if (c.kind != Check::kCompare || c.outcome) continue;
        if (asks && host_.Stopped()) stopped = true;
        if (stopped) return;
        c.outcome = ComparePlain(host_.fs().NativePath(c.source), host_.fs().NativePath(c.copy),
                                 c.link, buffers);
        c.error = errno;
      }
    };
    std::optional<std::thread> helper;
    try {
      if (two_threads) helper.emplace(compare, buffers_.get() + 2 * kChunk, false);
    } catch (const std::system_error&) {
      // No second thread to be had: this one compares them all.
    }
    compare(buffers_.get(), true);
    if (helper) helper->join();
  }

  void Tell(const Check& c) {
    switch (c.kind) {
      case Check::kMissing:
        Line(false, "missing", c.source);
        ++tally_.missing;
        host_.Record(LogKind::kInfo, "File " + Quoted(c.source) + " has no copy in the backup yet");
        return;
      case Check::kOutdated:
        Line(false, "outdated", c.source);
        ++tally_.outdated;
        host_.Record(LogKind::kInfo,
                     "File " + Quoted(c.source) + " is newer than its copy " + Quoted(c.copy));
        return;
      case Check::kCompare:
        break;
    }
    switch (*c.outcome) {
      case Compared::kEqual:
        ++tally_.verified;
        return;
      case Compared::kDiffers:
        return Differs(c.source, c.copy);
      case Compared::kSourceUnreadable:
        return Unreadable(c.source, std::strerror(c.error));
      case Compared::kBackupUnreadable:
        return Unreadable(c.copy, std::strerror(c.error));
    }
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
  std::vector<bool> read_;  // the archives already read through
  // Found and not yet told: the plain copies among them are compared a group at a time.
  static constexpr size_t kChecksAtOnce = 512;
  static constexpr std::ptrdiff_t kChecksForTwoThreads = 64;
  std::vector<Check> checks_;
  std::unique_ptr<std::byte[]> buffers_;  // two chunks for each comparing thread
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
