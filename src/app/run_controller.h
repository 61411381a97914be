// The start and stop toggles of the main window, the common stop step, the end of a run as the
// window shows it, and the derivation of the state-dependent controls from the run state. Works
// on the main window's controls and run state through references, so it can be driven without
// a window.
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
  ui::Button& start_button;
  ui::Button& start_background_button;
  ui::Button& hide_button;
  ui::TabSheet& current_profile_page;
  ui::TabSheet& statistics_page;
  ui::TabSheet& parameters_page;
  ui::PageControl& page_control;
  ui::CheckBox& time_limits_box;
  ui::Control& start_time_edit;
  ui::Control& finish_time_edit;
  ui::Label& start_time_label;
  ui::Label& finish_time_label;
  ui::MenuItem& show_menu_item;
  ui::MenuItem& hide_menu_item;
  ui::MenuItem& start_background_menu_item;
  ui::MenuItem& stop_menu_item;
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
  // The session's background mode; false when the store's scheduler is held by another (the
  // host has told the user). Stopping it stops the run as StopRun() does.
  virtual bool StartBackgroundMode() = 0;
  virtual void StopBackgroundMode() = 0;
  // The status line of the statistics page.
  virtual void ShowStatus(const std::string& text) = 0;
  // The common stop: the run is cleared, the records written, the page and the tray reset.
  virtual void StopRun() = 0;
};

// Watches the run for its end: "Done." after a "Start selected" batch, the stop after a break,
// and the application's error box for an error that ended the engine.
class RunController final : public RunObserver {
 public:
  RunController(RunState& state, RunControls controls, RunControllerHost& host,
                ui::MessageLoop& loop, ui::Dialogs& dialogs);

  // The toggle behind "Start selected" / "Stop" (also F8, and the engine at the end of a run).
  void ToggleSelectedRun();
  // The toggle behind "Start in background" / "Stop" (also F9, the tray items and "/B").
  void ToggleBackgroundMode();
  // The common stop step.
  void StopWork();
  // Pages, buttons and tray items from the run state.
  void UpdateControls();
  // The tray item "Close": in the background mode only after "Stop and close Quillmor?" is
  // answered Yes; otherwise `close` at once (the close sequence asks its own question).
  void CloseFromTray(const std::function<void()>& close);

  // RunObserver
  void BatchFinished() override;
  void BreakAccepted() override { ToggleSelectedRun(); }
  void RunFailed(std::string_view text) override;

 private:
  RunState& state_;
  RunControls c_;
  RunControllerHost& host_;
  ui::MessageLoop& loop_;
  ui::Dialogs& dialogs_;
};

}  // namespace qm
