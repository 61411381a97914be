// How a run reports what it does. The engine calls these hooks; each front end (the window,
// the headless commands, later a preview) implements only the hooks it needs. The deltas never
// throw, so a front end's fault cannot unwind a copy half-way; only Update() and AskBreak() may
// end a run, and only where the engine can stop cleanly. The hooks between profiles and at the
// end of a run (ProfileLeftList, BatchFinished, BreakAccepted, RunFailed) may show a box, and
// may throw as any handler of the front end may. The engine writes no log record and
// counts nothing: that is the front ends' reading of these events.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/error.h"
#include "profiles/run_snapshot.h"

namespace qm {

// What happened to one file. A preview reports the same actions it would take.
enum class FileAction {
  kCopied,      // source to destination (backup, forward synchronisation)
  kPacked,      // source packed into its own ZIP archive
  kDeleted,     // a destination file whose source is gone
  kCopiedBack,  // destination back to source (reverse synchronisation)
  kFailed,      // any of the above that did not succeed
};

// Why a copy or a pack failed. A failed deletion has no reason beyond itself.
enum class FileFailure {
  kError,          // the operation failed although its volume has room
  kDriveNotReady,  // the target's volume is gone or (nearly) full; `drive` names it
  kTimeNotSet,     // an archive could not take its source's time and was dropped
  // The destination was not listed whole, so no free kept-copy number is known.
  kNoFreeKeptNumber,
  // A file of the target's name may exist in a folder the scan could not list.
  kUnlistedTarget,
};

struct FileEvent {
  FileAction action;
  // For kFailed: what was tried (kCopied, kPacked, kDeleted or kCopiedBack).
  FileAction attempted;
  std::string_view source;  // the deleted file for kDeleted
  std::string_view target;  // empty for kDeleted
  int64_t bytes = 0;        // bytes written; 0 for a deletion or a failure
  bool sync = false;        // made by a synchronisation pass, which names paths bare
  FileFailure failure = FileFailure::kError;  // for kFailed
  std::string_view drive = {};                // for kDriveNotReady
};

enum class PassKind { kBackup, kSyncForward, kSyncBack };

// A file changed on both sides since the last synchronisation: the older version was kept as
// `kept` before the newer one replaced it.
struct ConflictEvent {
  std::string_view src;   // the file in the source folder
  std::string_view dest;  // the file in the destination folder
  std::string_view kept;
};

// Why a two-way run has no state of the last synchronisation to tell conflicts by.
enum class SyncStateLack { kNone, kUnreadable, kOtherFolders };

// Why the removal pass deleted nothing: an empty or partly read source would look like a
// source whose files were all deleted.
enum class RemovalSkip { kSourceIncomplete, kSourceEmpty };

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  virtual void ProfileQueued(const RunSnapshot& /*item*/) noexcept {}
  // The engine has taken the profile at the head of the run list: work is in progress.
  virtual void ProfileTaken(const RunSnapshot& /*item*/) noexcept {}
  // The profile at the head of the run list is done with and has left the list.
  virtual void ProfileLeftList() {}
  // Its source and destination have been listed.
  virtual void ProfileScanned(const RunSnapshot& /*item*/) noexcept {}
  virtual void ProfileStarted(const RunSnapshot& /*item*/) noexcept {}
  virtual void ProfileFinished(const RunSnapshot& /*item*/) noexcept {}
  // Left without running: outside its daily window, or the run was stopped inside it.
  virtual void ProfileDropped(const RunSnapshot& /*item*/) noexcept {}
  // Its folder lock was refused (then it is dropped): kExists when another run holds the
  // folder the message names.
  virtual void ProfileLocked(const RunSnapshot& /*item*/, const Error& /*refusal*/) noexcept {}
  virtual void PassStarted(PassKind /*pass*/, const RunSnapshot& /*item*/) noexcept {}
  // A source directory that is gone or could not be listed.
  virtual void SourceUnreadable(std::string_view /*dir*/) noexcept {}
  // A folder tagged as a cache by its CACHEDIR.TAG, skipped with everything below it.
  virtual void CacheSkipped(std::string_view /*dir*/) noexcept {}
  // A fifo, socket or device the masks select: it cannot be backed up.
  virtual void SpecialFileSkipped(std::string_view /*path*/) noexcept {}
  // The volume mounted at `volume` refused the copies their modes or owners: they take the
  // volume's own permissions there. Once per run and volume.
  virtual void ModesNotKept(std::string_view /*volume*/) noexcept {}
  virtual void RemovalSkipped(const RunSnapshot& /*item*/, RemovalSkip /*why*/) noexcept {}
  // A two-way run without a usable state of the last one: it cannot tell conflicts.
  virtual void SyncStateMissing(const RunSnapshot& /*item*/, SyncStateLack /*why*/) noexcept {}
  virtual void SyncConflict(const ConflictEvent& /*event*/) noexcept {}
  // The state of this two-way run could not be written to `path`; the old one is gone.
  virtual void SyncStateNotSaved(std::string_view /*path*/, std::string_view /*error*/) noexcept {}

  // A source file whose destination counterpart is at least as new.
  virtual void FileUpToDate(std::string_view /*source*/) noexcept {}
  virtual void FileDone(const FileEvent& /*event*/) noexcept {}

  virtual void StatusChanged(std::string_view /*text*/) noexcept {}
  // A "Start selected" batch has been worked off; the run is to end now. An observer that
  // started the run ends it here; the engine ends it itself when none did.
  virtual void BatchFinished() {}
  // The answer to the break question was yes: the run is to end now, before the engine unwinds.
  virtual void BreakAccepted() {}
  // An error that is no file's escaped the engine loop and ended it (`text` says what).
  virtual void RunFailed(std::string_view /*text*/) {}
  // The engine loop has ended (worked off, stopped, or ended by an error) and is idle.
  virtual void EngineStopped() noexcept {}
  // Bytes of the current file copied so far, of `total`: (0, total) as a copy opens, then once
  // per block.
  virtual void FileProgress(int64_t /*done*/, int64_t /*total*/) noexcept {}
  // The copy under way has ended, however it ended.
  virtual void FileCopyEnded() noexcept {}

  // Called between files and between blocks of a copy: the one place a front end may handle
  // its own events and request a stop. Throttle here, not in the deltas. Throwing RunAbandoned
  // (engine/run_abandoned.h) here abandons the run: the copy under way is dropped.
  virtual void Update() {}
  // After a failure on a volume that is gone or full: true breaks the run. Never asked in a
  // preview or in the background mode; a front end with nobody to ask goes on.
  virtual bool AskBreak(const FileEvent& /*failed*/) { return false; }
};

}  // namespace qm
