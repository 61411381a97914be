// The log records and the operated-file counter of a run, read from the engine's events. The
// window and the headless commands write the same records through this one adapter.
#pragma once

#include <functional>
#include <string>

#include "engine/engine_context.h"
#include "profiles/log_kind.h"
#include "ui/dialogs.h"

namespace qm {

// The question asked after a failure on a volume that is gone or full.
std::string BreakQuestion(const FileEvent& failed);

class RunRecords : public RunObserver {
 public:
  using WriteRecord = std::function<void(LogKind, const std::string&)>;
  // `ask` answers the break question; without one the run goes on.
  RunRecords(WriteRecord write, std::function<void()> count_operated_file,
             ui::Dialogs* ask = nullptr)
      : write_(std::move(write)), count_(std::move(count_operated_file)), ask_(ask) {}

  void SetDialogs(ui::Dialogs* ask) { ask_ = ask; }

  void ProfileStarted(const RunSnapshot& item) noexcept override;
  void ProfileFinished(const RunSnapshot& item) noexcept override;
  void ProfileLocked(const RunSnapshot& item, const Error& refusal) noexcept override;
  void PassStarted(PassKind pass, const RunSnapshot& item) noexcept override;
  void SourceUnreadable(std::string_view dir) noexcept override;
  void CacheSkipped(std::string_view dir) noexcept override;
  void SpecialFileSkipped(std::string_view path) noexcept override;
  void ModesNotKept(std::string_view volume) noexcept override;
  void RemovalSkipped(const RunSnapshot& item, RemovalSkip why) noexcept override;
  void SyncStateMissing(const RunSnapshot& item, SyncStateLack why) noexcept override;
  void SyncConflict(const ConflictEvent& event) noexcept override;
  void SyncStateNotSaved(std::string_view path, std::string_view error) noexcept override;
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

}  // namespace qm
