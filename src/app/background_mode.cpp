// The background mode's members of the main window: the timer items, the timer list, the
// one-second timer that keeps the engine loop going, and the store's scheduler lock.
#include "app/qmUnit1.h"
#include "engine/process_run_list.h"
#include "engine/scan.h"
#include "platform/app_paths.h"
#include "profiles/qmProcs.h"

namespace qm {

void TForm1::ConnectBackgroundMode() {
  ProcessListInBackgroundTimer.OnTimer = Guarded([this] { ProcessListInBackgroundTimerTimer(); });
  TimerList.OnFinish = [this] { TimerListFinish(); };
  TimerList.OnError = [this](const std::string& message) { WriteLog(lkError, message); };
}

void TForm1::CreateTimerItems() {
  State.SelectedRun = false;
  EmptyLogBuffer();
  std::vector<TProfileRecord> enabled;
  // Rows are read by index: the current row and the grid stay where they are.
  for (size_t row = 0; row < rmSets.RecordCount(); ++row) {
    if (!rmSets.Row(row).Enabled) continue;
    enabled.emplace_back();
    ProfileFromRow(rmSets.Row(row), enabled.back());
  }
  std::vector<std::string> no_interval;
  qm::CreateTimerItems(TimerItems, TimerList, *this, enabled, no_interval);
  for (const std::string& name : no_interval) WriteLog(lkError, NoIntervalMessage(name));
}

void TForm1::ClearTimerItems() {
  TimerItems.Clear();
}

void TForm1::SetTimerListActive(bool active) {
  timer_list_retry_ = false;
  if (!TimerList.SetActive(active) && active) timer_list_retry_ = true;
}

void TForm1::TimerListFinish() {
  // Switched off under a running background mode: only a refused platform timer does that.
  if (State.Running && State.Mode == RunMode::kBackground) timer_list_retry_ = true;
}

void TForm1::ProcessListInBackgroundTimerTimer() {
  if (timer_list_retry_ && State.Running && State.Mode == RunMode::kBackground)
    SetTimerListActive(true);
  if (State.EngineBusy) return;
  EngineContext ctx = MakeEngineContext();
  ProcessRunList(ctx);
}

void TForm1::QueueProfile(const TProfileRecord& profile) {
  EngineContext ctx = MakeEngineContext();
  qm::QueueProfile(ctx, profile);
}

bool TForm1::ClaimScheduler() {
  std::string error;
  if (scheduler_lock_.Acquire(DataDirectory(), store_path_, error)) return true;
  dialogs_.ShowErrorBox(error);
  return false;
}

void TForm1::ReleaseScheduler() {
  scheduler_lock_.Release();
}

}  // namespace qm
