// What the headless commands share as hosts of the engine: a main window that is never shown,
// and a host that lets that window keep its counters, statistics and run labels as the shown
// one would (it watches the run with the window's view), while the records go through
// RecordingEngineHost.
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
  explicit FormHost(TForm1& form) : form_(form) { Watch(form.ViewEvents()); }

  void CountOperatedFile() override { form_.CountOperatedFile(); }
  void StatTimerTimer() override { form_.StatTimerTimer(); }
  void StopWork() override { form_.StopWork(); }
  void bStartClick() override { form_.bStartClick(); }
  void SetTrayAnimation(bool on) override { form_.SetTrayAnimation(on); }
  void SetStatTimerEnabled(bool on) override { form_.SetStatTimerEnabled(on); }

 protected:
  TForm1& form_;
};

}  // namespace qm::cli
