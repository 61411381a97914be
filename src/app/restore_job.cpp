#include "app/restore_job.h"

#include <ctime>
#include <memory>
#include <vector>

#include "engine/archive_reader.h"
#include "engine/backup_catalogue.h"
#include "engine/copier.h"
#include "engine/durability_batch.h"
#include "engine/run_lock.h"
#include "platform/atomic_file.h"
#include "platform/path_style.h"

namespace qm {
namespace {

// Hears a copy's blocks: the host's progress, and a stop abandons the copy under way.
class RestoreProgress final : public RunObserver {
 public:
  RestoreProgress(BackupJobHost& host, int64_t& bytes) : host_(host), bytes_(bytes) {}
  void FileProgress(int64_t done, int64_t total) noexcept override {
    done_ = done;
    host_.FileProgress(done, total);
  }
  void Update() override {
    if (host_.Stopped()) throw RunAbandoned();
    host_.Progress(files_done, files_total, bytes_ + done_, file);
  }
  void FileCopyEnded() noexcept override { done_ = 0; }

  int64_t files_done = 0, files_total = 0;
  std::string file;

 private:
  BackupJobHost& host_;
  int64_t& bytes_;
  int64_t done_ = 0;
};

}  // namespace

RestoreTally RestoreProfile(BackupJobHost& host, const ProfileRecord& profile,
                            const RestoreChoice& choice) {
  FileSystem& unpinned = host.fs();
  RestoreTally tally;
  auto fail_all = [&](const std::string& text) {
    host.Record(LogKind::kError, text);
    host.Error(text);
    ++tally.failed;
    tally.failure = text;
    return tally;
  };

  const std::string to(WithoutTrailingSeparators(choice.to.empty() ? profile.SrcDir() : choice.to));
  if (const std::string place = unpinned.NotReadyMountPlace(to); !place.empty())
    return fail_all("Drive not ready: " + Quoted(place) + " is not mounted, nothing restored to " +
                    Quoted(to));
  const std::string locks = LockDirectoryOr(choice.lock_directory);
  std::unique_ptr<RunLock> lock;
  if (!choice.dry_run) {
    Result<std::unique_ptr<RunLock>> locked = RunLock::Acquire({profile.DestDir(), to}, locks);
    if (!locked.ok())
      return fail_all("Profile " + Quoted(profile.Name()) +
                      " not restored: " + locked.error().message);
    lock = std::move(locked.value());
  }
  BackupCatalogue catalogue;
  if (Status s = catalogue.Build(unpinned, profile, {locks}); !s.ok())
    return fail_all("Can not read the backup " + Quoted(profile.DestDir()) + ": " +
                    s.error().message + "; nothing restored");
  // The folder restored to is pinned once made, as a backup's destination is: a volume
  // unmounted meanwhile fails the files left instead of taking them somewhere else.
  std::unique_ptr<FileSystem> pinned;
  if (!choice.dry_run) {
    if (Status s = CreateDirectories(unpinned, to); !s.ok() || !IsDirectory(unpinned, to))
      return fail_all("Can not create folder " + Quoted(to) + ", nothing restored");
    if (Result<std::unique_ptr<FileSystem>> pin = unpinned.Pin({to}); pin.ok())
      pinned = std::move(pin.value());
  }
  FileSystem& fs = pinned ? *pinned : unpinned;

  const std::vector<uint32_t> chosen = catalogue.Newest(choice.as_of).InOrder();

  host.Record(LogKind::kInfo,
              "Restore started. From " + Quoted(profile.DestDir()) + " to " + Quoted(to));
  int64_t bytes = 0;
  RestoreProgress progress(host, bytes);
  progress.files_total = static_cast<int64_t>(chosen.size());
  const std::string base = AddDirSeparator(to);
  auto failed_file = [&](const std::string& version, const std::string& target,
                         const std::string& why) {
    ++tally.failed;
    const std::string text =
        "Can not restore file " + Quoted(version) + " to " + Quoted(target) + ": " + why;
    host.Record(LogKind::kError, text);
    host.Error(text);
  };
  auto restored_file = [&](const std::string& version, const std::string& target, int64_t size) {
    ++tally.restored;
    tally.restored_bytes += size;
    host.Record(LogKind::kSuccess, "File " + Quoted(version) + " restored to " + Quoted(target));
  };
  // Plain copies are made durable in groups, one sync per group, as a backup's are; each is
  // counted when it has its name.
  DurabilityBatch batch(fs);
  CommitOnExit commit(batch);
  for (const uint32_t i : chosen) {
    if (host.Stopped()) break;
    const std::string version = catalogue.Path(i);
    const std::string target = base + catalogue.SourceName(i);
    progress.file = target;
    auto failed = [&](const std::string& why) { failed_file(version, target, why); };
    // The file the version would give: an archive tells its entry's size.
    int64_t size = catalogue.Size(i);
    bool link = catalogue.IsLink(i);
    if (catalogue.Archives()) {
      Result<ArchiveEntry> entry = StatArchive(fs, version);
      if (!entry.ok()) {
        failed("the archive is damaged or unreadable (" + entry.error().message + ")");
        continue;
      }
      link = entry.value().meta.is_link();
      size = link ? 0 : entry.value().meta.size;  // a link is listed with no size
    }
    Result<DirEntry> existing = fs.StatLink(target);
    if (existing.ok()) {
      const DirEntry& e = existing.value();
      if (!e.is_directory() && e.size == size && e.time == catalogue.Time(i)) continue;
      if (!choice.overwrite || e.is_directory()) {
        ++tally.kept;
        tally.kept_bytes += size;
        host.Record(LogKind::kInfo,
                    "File " + Quoted(target) + " kept: it differs from " + Quoted(version));
        continue;
      }
    }
    if (choice.dry_run) {
      ++tally.restored;
      tally.restored_bytes += size;
      host.Line("restore " + version + " -> " + target, false);
      continue;
    }
    try {
      if (catalogue.Archives()) {
        bytes += UnpackArchive(fs, host.loop(), version, target, existing.ok());
        restored_file(version, target, size);
      } else {
        CopyOptions options;
        options.observer = &progress;
        options.link = link;
        options.batch = &batch;
        options.done = [&, version, target, size](const FinishedFile&, const Status& placed) {
          if (placed.ok()) {
            restored_file(version, target, size);
          } else {
            failed_file(version, target,
                        "Cannot create file " + target + ": " + placed.error().message);
          }
        };
        bytes += CopyFileWithProgress(fs, host.loop(), version, target, options);
      }
      ++progress.files_done;
      progress.Update();
    } catch (const FileError& e) {
      failed(e.what());
    } catch (const RunAbandoned&) {
      break;
    }
  }
  (void)batch.Commit();
  host.Record(LogKind::kInfo, "Restore finished. Restored " + std::to_string(tally.restored) +
                                  ", kept " + std::to_string(tally.kept) + ", failed " +
                                  std::to_string(tally.failed));
  return tally;
}

std::string RestoreSummary(const RestoreTally& tally) {
  return "restored " + std::to_string(tally.restored) + ", kept " + std::to_string(tally.kept) +
         ", failed " + std::to_string(tally.failed);
}

std::optional<DosDateTime> ParseAsOf(const std::string& text) {
  auto digits = [&text](size_t at, size_t n) -> std::optional<int> {
    if (at + n > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  std::tm tm{};
  const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
  int hour = 23, minute = 59, second = 59;
  if (text.size() != 10) {
    const auto h = digits(11, 2), m = digits(14, 2);
    if (text[10] != ' ' || !h || !m || text[13] != ':') return std::nullopt;
    hour = *h;
    minute = *m;
    second = 0;
    if (text.size() != 16) {
      const auto s = digits(17, 2);
      if (text.size() != 19 || text[16] != ':' || !s) return std::nullopt;
      second = *s;
    }
  }
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || hour > 23 || minute > 59 ||
      second > 59 || *year < 1980 || *year > 2107)
    return std::nullopt;
  tm.tm_year = *year - 1900;
  tm.tm_mon = *month - 1;
  tm.tm_mday = *day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  std::tm check = tm;
  const std::time_t when = std::mktime(&check);
  // mktime carries a day past the month's end into the next month: refuse "2026-02-30".
  if (when == -1 || check.tm_mday != *day || check.tm_mon != *month - 1) return std::nullopt;
  return UnixToDosDateTime(when);
}

}  // namespace qm
