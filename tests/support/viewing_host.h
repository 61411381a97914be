// An engine host for tests whose run labels and records behave as the main window's: the
// window's own RunView watches the run and the records come from the window's adapter, so
// tests can check what a person would see and read.
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
    Watch(*view_);
  }

  void SetStatTimerEnabled(bool on) override {
    if (view_) view_->SetStatTimerEnabled(on);
  }

 private:
  std::optional<RunView> view_;
};

}  // namespace qm::test
