#include "app/run_view.h"

#include <string>

namespace qm {

namespace {

constexpr std::string_view kReady = "Ready.";
constexpr std::string_view kScanning = "Scanning the folders...";

}  // namespace

void RunView::ProfileQueued(const TDataItem& /*item*/) noexcept {
  if (c_.lStartedAt.Caption().empty()) {
    const TDateTime now = clock_.Now();
    c_.lStartedAt.SetCaption(DateTimeToDisplay(now, formats_));
    state_.RunStartedAt = now;
  }
  c_.lFinishExpectedAt.SetCaption("");
  c_.lProfilesToPperate.SetCaption(std::to_string(run_list_.Count()));
  if (c_.lStatus.Caption() == kReady) c_.lStatus.SetCaption(std::string(kScanning));
}

void RunView::ProfileScanned(const TDataItem& /*item*/) noexcept {
  if (c_.lStatus.Caption() == kScanning) c_.lStatus.SetCaption("On duty...");
}

void RunView::StatusChanged(std::string_view text) noexcept {
  c_.lStatus.SetCaption(std::string(text));
}

void RunView::SetStatTimerEnabled(bool on) {
  c_.StatTimer.SetEnabled(on);
}

void RunView::EngineStopped() noexcept {
  c_.lCurrentFile.SetCaption("");
  c_.StatTimer.SetEnabled(false);
}

}  // namespace qm
