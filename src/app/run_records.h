// The log records and the operated-file counter of a run, read from the engine's events. The
// window and the headless commands write the same records through this one adapter.
#pragma once

#include <functional>
#include <string>

#include "engine/engine_context.h"
#include "engine/run_observers.h"
#include "ui/dialogs.h"

namespace qm {

// The question asked after a failure on a volume that is gone or full.
std::string BreakQuestion(const FileEvent& failed);

class RunRecords : public RunObserver {
 public:
  using WriteRecord = std::function<void(TLogKind, const std::string&)>;
  // `ask` answers the break question; without one the run goes on.
  RunRecords(WriteRecord write, std::function<void()> count_operated_file,
             ui::Dialogs* ask = nullptr)
      : write_(std::move(write)), count_(std::move(count_operated_file)), ask_(ask) {}

  void SetDialogs(ui::Dialogs* ask) { ask_ = ask; }

  void ProfileStarted(const TDataItem& item) noexcept override;
  void ProfileFinished(const TDataItem& item) noexcept override;
  void ProfileLocked(const TDataItem& item, const Error& refusal) noexcept override;
  void PassStarted(PassKind pass, const TDataItem& item) noexcept override;
  void SourceUnreadable(std::string_view dir) noexcept override;
  void RemovalSkipped(const TDataItem& item, RemovalSkip why) noexcept override;
  void FileDone(const FileEvent& event) noexcept override;
  bool AskBreak(const FileEvent& failed) override;

 private:
  void Failed(const FileEvent& event);

  WriteRecord write_;
  std::function<void()> count_;
  ui::Dialogs* ask_;
  // The profile's file count as it started; its finish record repeats it.
  int32_t files_ = 0;
};

// An engine host that keeps the log and the counter: every run event goes first to its
// RunRecords, which writes through WriteLog and counts through CountOperatedFile, then to the
// observers added with Watch(). The events are final here, so no host can leave the records
// out; a host that wants them adds an observer of its own.
class RecordingEngineHost : public EngineHost {
 public:
  explicit RecordingEngineHost(ui::Dialogs* ask = nullptr) : records_(Write(), Count(), ask) {
    observers_.Add(records_);
  }

  virtual void WriteLog(TLogKind kind, const std::string& text) = 0;
  virtual void CountOperatedFile() = 0;
  // Where the break question is asked; null answers No without asking.
  void SetBreakDialogs(ui::Dialogs* ask) { records_.SetDialogs(ask); }
  // The run's events also go to `observer`, after the records and the observers added before.
  void Watch(RunObserver& observer) { observers_.Add(observer); }

  void ProfileQueued(const TDataItem& item) noexcept final { observers_.ProfileQueued(item); }
  void ProfileScanned(const TDataItem& item) noexcept final { observers_.ProfileScanned(item); }
  void ProfileStarted(const TDataItem& item) noexcept final { observers_.ProfileStarted(item); }
  void ProfileFinished(const TDataItem& item) noexcept final { observers_.ProfileFinished(item); }
  void ProfileDropped(const TDataItem& item) noexcept final { observers_.ProfileDropped(item); }
  void ProfileLocked(const TDataItem& item, const Error& refusal) noexcept final {
    observers_.ProfileLocked(item, refusal);
  }
  void PassStarted(PassKind pass, const TDataItem& item) noexcept final {
    observers_.PassStarted(pass, item);
  }
  void SourceUnreadable(std::string_view dir) noexcept final { observers_.SourceUnreadable(dir); }
  void RemovalSkipped(const TDataItem& item, RemovalSkip why) noexcept final {
    observers_.RemovalSkipped(item, why);
  }
  void FileUpToDate(std::string_view source) noexcept final { observers_.FileUpToDate(source); }
  void FileDone(const FileEvent& event) noexcept final { observers_.FileDone(event); }
  void StatusChanged(std::string_view text) noexcept final { observers_.StatusChanged(text); }
  void EngineStopped() noexcept final { observers_.EngineStopped(); }
  void FileProgress(int64_t done, int64_t total) noexcept final {
    observers_.FileProgress(done, total);
  }
  void Update() final { observers_.Update(); }
  bool AskBreak(const FileEvent& failed) final { return observers_.AskBreak(failed); }

 private:
  RunRecords::WriteRecord Write() {
    return [this](TLogKind kind, const std::string& text) { WriteLog(kind, text); };
  }
  std::function<void()> Count() {
    return [this] { CountOperatedFile(); };
  }

  RunRecords records_;
  RunObservers observers_;
};

}  // namespace qm
