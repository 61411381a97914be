#include "cli/restore_command.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "cli/command_line.h"
#include "cli/profile_job.h"
#include "engine/archive_reader.h"
#include "engine/backup_catalogue.h"
#include "engine/copier.h"
#include "engine/durability_batch.h"
#include "engine/run_abandoned.h"
#include "engine/run_lock.h"
#include "platform/atomic_file.h"
#include "platform/path_style.h"

namespace qm::cli {
namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// Hears a copy's blocks: the progress line, and a signal abandons the copy under way.
class RestoreProgress final : public RunObserver {
 public:
  RestoreProgress(ProfileJob& job, int64_t& bytes) : job_(job), bytes_(bytes) {}
  void FileProgress(int64_t done, int64_t /*total*/) noexcept override { done_ = done; }
  void Update() override {
    AbandonIfInterrupted();
    job_.Progress(files_done, files_total, bytes_ + done_, file);
  }
  void FileCopyEnded() noexcept override { done_ = 0; }

  int64_t files_done = 0, files_total = 0;
  std::string file;

 private:
  ProfileJob& job_;
  int64_t& bytes_;
  int64_t done_ = 0;
};

struct Tally {
  int restored = 0, kept = 0, failed = 0;
};

}  // namespace

int RestoreFiles(const RestoreRequest& request, std::ostream& out, std::ostream& err) {
  ProfileJob job({request.store_path, request.name, request.dry_run, request.verbose,
                  request.progress, request.fs},
                 err);
  if (const int status = job.Open(); status != kExitOk) return status;
  const ProfileRecord& profile = job.profile();
  FileSystem& fs = job.fs();
  Tally tally;
  auto finish = [&]() {
    const std::string log_line = job.Finish();
    if (!request.quiet)
      out << "restored " << tally.restored << ", kept " << tally.kept << ", failed " << tally.failed
          << "\n"
          << log_line << "\n";
    out.flush();
    if (Interrupted()) return InterruptExitStatus();
    return tally.failed > 0 ? kExitFailed : kExitOk;
  };
  auto fail_all = [&](const std::string& text) {
    job.Record(LogKind::kError, text);
    job.Error(text);
    ++tally.failed;
    return finish();
  };

  const std::string to(
      WithoutTrailingSeparators(request.to.empty() ? profile.SrcDir() : request.to));
  if (const std::string place = fs.NotReadyMountPlace(to); !place.empty())
    return fail_all("Drive not ready: " + Quoted(place) + " is not mounted, nothing restored to " +
                    Quoted(to));
  std::unique_ptr<RunLock> lock;
  if (!request.dry_run) {
    Result<std::unique_ptr<RunLock>> locked = RunLock::Acquire(
        {profile.DestDir(), to},
        request.lock_directory.empty() ? DefaultLockDirectory() : request.lock_directory);
    if (!locked.ok())
      return fail_all("Profile " + Quoted(profile.Name()) +
                      " not restored: " + locked.error().message);
    lock = std::move(locked.value());
  }
  BackupCatalogue catalogue;
  const std::string locks =
      request.lock_directory.empty() ? DefaultLockDirectory() : request.lock_directory;
  if (Status s = catalogue.Build(fs, profile, {std::string(WithoutTrailingSeparators(locks))});
      !s.ok())
    return fail_all("Can not read the backup " + Quoted(profile.DestDir()) + ": " +
                    s.error().message + "; nothing restored");
  if (!request.dry_run) {
    if (Status s = CreateDirectories(fs, to); !s.ok() || !IsDirectory(fs, to))
      return fail_all("Can not create folder " + Quoted(to) + ", nothing restored");
  }

  const auto newest = catalogue.Newest(request.as_of);
  std::vector<uint32_t> chosen;
  chosen.reserve(newest.size());
  for (const auto& [name, index] : newest) chosen.push_back(index);
  std::sort(chosen.begin(), chosen.end());  // the backup's own order

  job.Record(LogKind::kInfo,
             "Restore started. From " + Quoted(profile.DestDir()) + " to " + Quoted(to));
  int64_t bytes = 0;
  RestoreProgress progress(job, bytes);
  progress.files_total = static_cast<int64_t>(chosen.size());
  const std::string base = AddDirSeparator(to);
  auto failed_file = [&](const std::string& version, const std::string& target,
                         const std::string& why) {
    ++tally.failed;
    const std::string text =
        "Can not restore file " + Quoted(version) + " to " + Quoted(target) + ": " + why;
    job.Record(LogKind::kError, text);
    job.Error(text);
  };
  auto restored_file = [&](const std::string& version, const std::string& target) {
    ++tally.restored;
    job.Record(LogKind::kSuccess, "File " + Quoted(version) + " restored to " + Quoted(target));
  };
  // Plain copies are made durable in groups, one sync per group, as a backup's are; each is
  // counted when it has its name.
  DurabilityBatch batch(fs);
  CommitOnExit commit(batch);
  for (const uint32_t i : chosen) {
    if (Interrupted()) break;
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
      if (!request.overwrite || e.is_directory()) {
        ++tally.kept;
        job.Record(LogKind::kInfo,
                   "File " + Quoted(target) + " kept: it differs from " + Quoted(version));
        continue;
      }
    }
    if (request.dry_run) {
      ++tally.restored;
      out << "restore " << version << " -> " << target << "\n";
      continue;
    }
    try {
      if (catalogue.Archives()) {
        bytes += UnpackArchive(fs, job.loop(), version, target, existing.ok());
        restored_file(version, target);
      } else {
        CopyOptions options;
        options.observer = &progress;
        options.link = link;
        options.batch = &batch;
        options.done = [&, version, target](const FinishedFile&, const Status& placed) {
          if (placed.ok()) {
            restored_file(version, target);
          } else {
            failed_file(version, target,
                        "Cannot create file " + target + ": " + placed.error().message);
          }
        };
        bytes += CopyFileWithProgress(fs, job.loop(), version, target, options);
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
  job.Record(LogKind::kInfo, "Restore finished. Restored " + std::to_string(tally.restored) +
                                 ", kept " + std::to_string(tally.kept) + ", failed " +
                                 std::to_string(tally.failed));
  return finish();
}

}  // namespace qm::cli
