#include "app/run_records.h"
#include "profiles/log_kind.h"

namespace qm {

namespace {

// The synchronisation passes name their paths bare.
std::string Path(std::string_view path, const FileEvent& event) {
  return event.sync ? std::string(path) : Quoted(path);
}

std::string ProfileLine(const char* what, const RunSnapshot& item, int32_t files) {
  const ProfileRecord& p = item.Profile;
  return std::string(what) + Quoted(p.Name()) + ", Source=" + Quoted(p.SrcDir()) +
         ", Destination=" + Quoted(p.DestDir()) + ", Files:" + std::to_string(files);
}

std::string WhatFailed(const FileEvent& event) {
  const char* verb = event.attempted == FileAction::kPacked ? "compress" : "copy";
  return std::string("Can not ") + verb + " file " + Path(event.source, event) + " to " +
         Path(event.target, event);
}

std::string DrivePrefix(const FileEvent& event) {
  return "Drive not ready or out of free disk space on drive " + std::string(event.drive);
}

}  // namespace

std::string BreakQuestion(const FileEvent& failed) {
  return DrivePrefix(failed) + ":\rBreak operation?";
}

void RunRecords::ProfileStarted(const RunSnapshot& item) noexcept {
  files_ = static_cast<int32_t>(FileCount(item));
  write_(LogKind::kInfo, ProfileLine("Started profile ", item, files_));
}

void RunRecords::ProfileFinished(const RunSnapshot& item) noexcept {
  write_(LogKind::kInfo, ProfileLine("Finished profile ", item, files_));
}

void RunRecords::ProfileLocked(const RunSnapshot& item, const Error& refusal) noexcept {
  const std::string profile = "Profile " + Quoted(item.Profile.Name()) + " not run: ";
  write_(LogKind::kError,
         refusal.kind == ErrorKind::kExists
             ? profile + "the folder " + Quoted(refusal.message) + " is in use by another run"
             : profile + refusal.message);
}

void RunRecords::PassStarted(PassKind pass, const RunSnapshot& item) noexcept {
  const std::string src = item.Profile.SrcDir();
  const std::string dest = item.Profile.DestDir();
  switch (pass) {
    case PassKind::kBackup:
      write_(LogKind::kInfo, "Backup started");
      break;
    case PassKind::kSyncForward:
      write_(LogKind::kInfo, "Synchronizing [->] started. From " + src + " to " + dest);
      break;
    case PassKind::kSyncBack:
      write_(LogKind::kInfo, "Synchronizing [<-] started. From " + dest + " to " + src);
      break;
  }
}

void RunRecords::SourceUnreadable(std::string_view dir) noexcept {
  write_(LogKind::kError, "Can not read source directory " + Quoted(dir));
}

void RunRecords::CacheSkipped(std::string_view dir) noexcept {
  write_(LogKind::kInfo,
         "Folder " + Quoted(dir) + " skipped: it is tagged as a cache (CACHEDIR.TAG)");
}

void RunRecords::SpecialFileSkipped(std::string_view path) noexcept {
  write_(LogKind::kInfo,
         "File " + Quoted(path) + " skipped: a fifo, socket or device cannot be backed up");
}

void RunRecords::ModesNotKept(std::string_view volume) noexcept {
  write_(LogKind::kInfo, "The volume " + Quoted(volume) +
                             " keeps no file modes or owners: the copies there take the volume's "
                             "own permissions, so a private file may be readable by others there");
}

void RunRecords::RemovalSkipped(const RunSnapshot& item, RemovalSkip why) noexcept {
  const ProfileRecord& p = item.Profile;
  const std::string head = "Deleted files not removed from " + Quoted(p.DestDir());
  write_(
      LogKind::kError,
      why == RemovalSkip::kSourceIncomplete
          ? head + ": the source directory " + Quoted(p.SrcDir()) + " could not be read completely"
          : head + ": no file found in the source directory " + Quoted(p.SrcDir()));
}

void RunRecords::SyncStateMissing(const RunSnapshot& item, SyncStateLack why) noexcept {
  const std::string folders = item.Profile.SrcDir() + " and " + item.Profile.DestDir();
  const char* tail = ": files changed on both sides can be told only from the next run on";
  switch (why) {
    case SyncStateLack::kNone:
      write_(LogKind::kInfo, "No record of an earlier synchronization of " + folders + tail);
      break;
    case SyncStateLack::kUnreadable:
      write_(LogKind::kInfo,
             "The record of the last synchronization of " + folders + " could not be read" + tail);
      break;
    case SyncStateLack::kOtherFolders:
      write_(LogKind::kInfo, "The record of the last synchronization found for " + folders +
                                 " belongs to other folders" + tail);
      break;
  }
}

void RunRecords::SyncConflict(const ConflictEvent& event) noexcept {
  write_(LogKind::kError,
         "Conflict: " + std::string(event.src) + " and " + std::string(event.dest) +
             " changed on both sides; the older version is kept as " + std::string(event.kept));
}

void RunRecords::SyncStateNotSaved(std::string_view path, std::string_view error) noexcept {
  write_(LogKind::kError, "Can not save the record of this synchronization " + Quoted(path) + ": " +
                              std::string(error) +
                              "; files changed on both sides can be told only from the next "
                              "completed run on");
}

void RunRecords::FileDone(const FileEvent& event) noexcept {
  switch (event.action) {
    case FileAction::kCopied:
    case FileAction::kCopiedBack:
      count_();
      write_(LogKind::kSuccess,
             "File " + Path(event.source, event) + " copied to " + Path(event.target, event));
      break;
    case FileAction::kPacked:
      write_(LogKind::kSuccess,
             "File " + Quoted(event.source) + " compressed to " + Quoted(event.target));
      count_();
      break;
    case FileAction::kDeleted:
      write_(LogKind::kDelete, "Deleted file " + Quoted(event.source));
      count_();
      break;
    case FileAction::kFailed:
      Failed(event);
      break;
  }
}

void RunRecords::Failed(const FileEvent& event) {
  // A deletion and an archive without its time were operated on, if not as meant.
  if (event.attempted == FileAction::kDeleted) {
    const std::string drive =
        event.failure == FileFailure::kDriveNotReady ? DrivePrefix(event) + ": ! " : "";
    write_(LogKind::kError, drive + "Can not delete file " + Quoted(event.source));
    count_();
    return;
  }
  const std::string source = Path(event.source, event);
  const std::string target = Path(event.target, event);
  switch (event.failure) {
    case FileFailure::kError:
      write_(LogKind::kError, WhatFailed(event));
      break;
    case FileFailure::kDriveNotReady:
      write_(LogKind::kError, DrivePrefix(event) + ": ! " + WhatFailed(event));
      break;
    case FileFailure::kTimeNotSet:
      write_(LogKind::kError, "Can not set up date and time on file " + Quoted(event.target));
      count_();
      break;
    case FileFailure::kNoFreeKeptNumber:
      write_(LogKind::kError, "File " + source + " not copied to " + target +
                                  ": the destination could not be listed completely, so no free "
                                  "kept-copy number is known");
      break;
    case FileFailure::kUnlistedTarget:
      write_(LogKind::kError,
             event.sync ? "File " + source + " not copied: " + target +
                              " exists but its directory could not be read"
                        : "File " + source + " not copied to " + target +
                              ": a file of that name exists in a folder that could not be listed");
      break;
  }
}

bool RunRecords::AskBreak(const FileEvent& failed) {
  return ask_ != nullptr && ask_->AskErrorYesNo(BreakQuestion(failed));
}

}  // namespace qm
