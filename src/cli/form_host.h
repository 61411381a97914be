// What the headless commands share as hosts of the engine: a main window that is never shown,
// and a host that lets that window keep its counters, statistics and run labels as the shown
// one would, while the records go through RecordingEngineHost.
#pragma once

#include <string_view>

#include "app/form_window.h"
#include "app/qmUnit1.h"

namespace qm::cli {

class HiddenWindow : public FormWindow {
 public:
  void ShowWindow() override {}
  void HideWindow() override {}
  bool IsWindowVisible() const override { return false; }
};

class FormHost : public RecordingEngineHost {
 public:
  explicit FormHost(TForm1& form) : form_(form) {}

  void CountOperatedFile() override { form_.CountOperatedFile(); }
  void StatTimerTimer() override { form_.StatTimerTimer(); }
  void StopWork() override { form_.StopWork(); }
  void bStartClick() override { form_.bStartClick(); }
  void SetTrayAnimation(bool on) override { form_.SetTrayAnimation(on); }
  void SetStatTimerEnabled(bool on) override { form_.SetStatTimerEnabled(on); }

  void ProfileQueued(const TDataItem& item) noexcept override { form_.ProfileQueued(item); }
  void ProfileScanned(const TDataItem& item) noexcept override { form_.ProfileScanned(item); }
  void StatusChanged(std::string_view text) noexcept override { form_.StatusChanged(text); }
  void EngineStopped() noexcept override { form_.EngineStopped(); }

 protected:
  TForm1& form_;
};

}  // namespace qm::cli
