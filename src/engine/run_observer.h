// How a run reports what it does. The engine calls these hooks; each front end (the window,
// the headless commands, later a preview) implements only the hooks it needs. The deltas never
// throw, so a front end's fault cannot unwind a copy half-way; only Update() and AskBreak() may
// end a run, and only where the engine can stop cleanly.
#pragma once

#include <cstdint>
#include <string_view>

#include "profiles/qmTypes.h"

namespace qm {

// What happened to one file. A preview reports the same actions it would take.
enum class FileAction {
  kCopied,      // source to destination (backup, forward synchronisation)
  kPacked,      // source packed into its own ZIP archive
  kDeleted,     // a destination file whose source is gone
  kCopiedBack,  // destination back to source (reverse synchronisation)
  kFailed,      // any of the above that did not succeed
};

struct FileEvent {
  FileAction action;
  // For kFailed: what was tried (kCopied, kPacked, kDeleted or kCopiedBack).
  FileAction attempted;
  std::string_view source;  // the deleted file for kDeleted
  std::string_view target;  // empty for kDeleted
  int64_t bytes = 0;        // bytes written; 0 for a deletion or a failure
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  virtual void ProfileQueued(const TDataItem& /*item*/) noexcept {}
  // Its source and destination have been listed.
  virtual void ProfileScanned(const TDataItem& /*item*/) noexcept {}
  virtual void ProfileStarted(const TDataItem& /*item*/) noexcept {}
  virtual void ProfileFinished(const TDataItem& /*item*/) noexcept {}
  // Left without running: outside its daily window, or the run was stopped inside it.
  virtual void ProfileDropped(const TDataItem& /*item*/) noexcept {}

  // A source file whose destination counterpart is at least as new.
  virtual void FileUpToDate(std::string_view /*source*/) noexcept {}
  virtual void FileDone(const FileEvent& /*event*/) noexcept {}

  virtual void StatusChanged(std::string_view /*text*/) noexcept {}
  // The engine loop has ended (worked off, stopped, or ended by an error) and is idle.
  virtual void EngineStopped() noexcept {}
  // Bytes of the current file copied so far, of `total`.
  virtual void FileProgress(int64_t /*done*/, int64_t /*total*/) noexcept {}

  // Called between files and between blocks of a copy: the one place a front end may handle
  // its own events and request a stop. Throttle here, not in the deltas. Throwing RunAbandoned
  // (engine/run_abandoned.h) here abandons the run: the copy under way is dropped.
  virtual void Update() {}
};

}  // namespace qm
