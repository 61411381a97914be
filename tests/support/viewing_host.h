// An engine host for tests whose run labels and records behave as the main window's: the
// display events go to the window's own RunView and the records come from the window's
// adapter, so tests can check what a person would see and read.
#pragma once

#include <optional>

#include "app/run_records.h"
#include "app/run_view.h"
#include "engine/engine_context.h"

namespace qm::test {

class ViewingHost : public RecordingEngineHost {
 public:
  // Shows the run on `controls` from now on.
  void View(RunViewControls controls, Clock& clock, const RegionalFormats& formats, RunState& state,
            const TWList<TDataItem>& run_list) {
    view_.emplace(controls, clock, formats, state, run_list);
  }

  void SetStatTimerEnabled(bool on) override {
    if (view_) view_->SetStatTimerEnabled(on);
  }
  void ProfileQueued(const TDataItem&) noexcept override {
    if (view_) view_->ProfileQueued();
  }
  void ProfileScanned(const TDataItem&) noexcept override {
    if (view_) view_->ProfileScanned();
  }
  void StatusChanged(std::string_view text) noexcept override {
    if (view_) view_->StatusChanged(text);
  }
  void EngineStopped() noexcept override {
    if (view_) view_->EngineStopped();
  }

 private:
  std::optional<RunView> view_;
};

}  // namespace qm::test
