// The start and stop toggles of the main window, the common stop step and the derivation of the
// state-dependent controls from the run state. Works on the main window's controls and run state
// through references, so it can be driven without a window.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"

namespace qm {

// Texts the toggles put on their buttons.
inline constexpr const char* kStartSelectedCaption = "Start selected";
inline constexpr const char* kStartBackgroundCaption = "Start in background";
inline constexpr const char* kStopCaption = "Stop";
inline constexpr const char* kStartSelectedHint = "Start selected profile (profiles)\r[ F8 ]";
inline constexpr const char* kStopSelectedHint = "Stop running profile (profiles)\r[ F8 ]";
inline constexpr const char* kStartBackgroundHint =
    "Switch Quillmor to the background mode and start backup/synchronization\r[ F9 ]";
inline constexpr const char* kStopBackgroundHint = "Stop the background mode\r[ F9 ]";
inline constexpr const char* kStopAndCloseQuestion = "Stop and close Quillmor?";

// Entries of the main window's image list.
enum ImageIndex : int {
  kImgStart = 0,
  kImgStop = 1,
  kImgBackgroundStart = 2,
  kImgBackgroundStop = 3,
  kImgHide = 4,
  kImgShow = 5,
  kImgClose = 6,
};

// The controls the run controller reads and writes.
struct RunControls {
  ui::Button& bStart;
  ui::Button& bStartBackground;
  ui::Button& bHide;
  ui::TabSheet& tshCurProf;
  ui::TabSheet& tshStat;
  ui::TabSheet& tshPars;
  ui::PageControl& PC;
  ui::CheckBox& DBCheckBox5;
  ui::Control& DBDateTimeEditEh2;
  ui::Control& DBDateTimeEditEh3;
  ui::Label& Label6;
  ui::Label& Label7;
  ui::MenuItem& ShowItem;
  ui::MenuItem& HideItem;
  ui::MenuItem& StartinbackgroundItem;
  ui::MenuItem& StopItem;
  ui::Label& lStatus;
  // The statistics captions a stop empties.
  std::vector<ui::Label*> stat_captions;
  std::vector<ui::ProgressBar*> progress_bars;  // set to 0 by a stop
  std::vector<ui::Label*> percent_captions;     // set to "0 %" by a stop
  ui::Timer& ProcessListInBackgroundTimer;
};

// What the run controller asks of the main window and the other subsystems.
class RunControllerHost {
 public:
  virtual ~RunControllerHost() = default;
  // Brings the profile table out of editing; false when the post was refused.
  virtual bool PostPendingEdit() = 0;
  virtual size_t ProfileCount() const = 0;
  virtual bool MainWindowVisible() const = 0;
  virtual void HideMainWindow() = 0;
  // Queues the selected profiles and runs the engine to the end of the run list.
  virtual void RunSelectedProfiles() = 0;
  // Claims the store's one background scheduler; false when another holds it (the host has
  // told the user). Released when the background mode stops.
  virtual bool ClaimScheduler() { return true; }
  virtual void ReleaseScheduler() {}
  // The background mode's timer items and their timer list.
  virtual void CreateTimerItems() = 0;
  virtual void ClearTimerItems() = 0;
  virtual void SetTimerListActive(bool active) = 0;
  virtual void SetTrayAnimation(bool on) = 0;
  virtual void SetTrayHint(const std::string& hint) = 0;
  // Empties the log buffer; lines still pending are written to the log file first.
  virtual void EmptyLogBuffer() = 0;
};

class RunController {
 public:
  RunController(RunState& state, RunControls controls, RunControllerHost& host,
                ui::MessageLoop& loop);

  // The toggle behind "Start selected" / "Stop" (also F8, and the engine at the end of a run).
  void bStartClick();
  // The toggle behind "Start in background" / "Stop" (also F9, the tray items and "/B").
  void bStartBackgroundClick();
  // The common stop step.
  void StopWork();
  // Pages, buttons and tray items from the run state.
  void UpdateControls();
  // The tray item "Close": in the background mode only after "Stop and close Quillmor?" is
  // answered Yes; otherwise `close` at once (the close sequence asks its own question).
  void CloseItemClick(ui::Dialogs& dialogs, const std::function<void()>& close);
  // The hot keys act as a click on their button, so a key whose button is disabled does
  // nothing and the controller always stays in one of its three states.
  void F8Pressed() { c_.bStart.Click(); }
  void F9Pressed() { c_.bStartBackground.Click(); }

 private:
  RunState& state_;
  RunControls c_;
  RunControllerHost& host_;
  ui::MessageLoop& loop_;
};

}  // namespace qm
