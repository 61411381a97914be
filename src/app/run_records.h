// The log records and the operated-file counter of a run, read from the engine's events. The
// window and the headless commands write the same records through this one adapter.
#pragma once

#include <functional>
#include <string>

#include "engine/engine_context.h"
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

}  // namespace qm
