// What the main window shows of a run: the status line, the current file and the batch's
// labels on the statistics page, driven by the engine's run events. The window's engine host
// lets it watch the run; the engine itself never touches a control.
#pragma once

#include <string_view>

#include "engine/engine_context.h"
#include "platform/clock.h"
#include "ui/controls.h"

namespace qm {

struct RunViewControls {
  ui::Label& lStatus;
  ui::Label& lCurrentFile;
  ui::Label& lStartedAt;
  ui::Label& lFinishExpectedAt;
  ui::Label& lProfilesToPperate;
  ui::Timer& StatTimer;
};

class RunView final : public RunObserver {
 public:
  RunView(RunViewControls controls, Clock& clock, const RegionalFormats& formats, RunState& state,
          const TWList<TDataItem>& run_list)
      : c_(controls), clock_(clock), formats_(formats), state_(state), run_list_(run_list) {}

  // The first profile of a batch dates the batch; every queued one resets the estimate and
  // the count, and an idle status line says that folders are being scanned.
  void ProfileQueued(const TDataItem& item) noexcept override;
  // A status of "Scanning the folders..." gives way to "On duty..." once the lists are made.
  void ProfileScanned(const TDataItem& item) noexcept override;
  void StatusChanged(std::string_view text) noexcept override;
  void SetStatTimerEnabled(bool on);
  void EngineStopped() noexcept override;

 private:
  RunViewControls c_;
  Clock& clock_;
  const RegionalFormats& formats_;
  RunState& state_;
  const TWList<TDataItem>& run_list_;
};

}  // namespace qm
