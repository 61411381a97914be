// The main window controller `MainWindowController`: it holds a run session (the profile table, the
// run, the log, the schedule) and every control of the window, shows the session, and turns the
// window's commands into the session's. It knows no toolkit: the front end binds widgets to the
// controls and forwards the window's show, hide and close events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/backup_checks.h"
#include "app/failure_notice.h"
#include "app/form_state_store.h"
#include "app/form_window.h"
#include "app/help_file.h"
#include "app/log_controls.h"
#include "app/profile_editor.h"
#include "app/profile_grid.h"
#include "app/run_controller.h"
#include "app/run_session.h"
#include "app/run_view.h"
#include "engine/engine_context.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "profiles/log_kind.h"
#include "profiles/profile_store.h"
#include "profiles/profile_table.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"
#include "wizard/add_profile_wizard.h"

namespace qm {

inline constexpr const char* kApplicationTitle = "Quillmor";
inline constexpr const char* kAtomName = "QuillmorAtom";
// How long a hint stays up once shown, in milliseconds.
inline constexpr int kHintHidePause = 10000;

inline constexpr const char* kNoProfileQuestion =
    "There is no one backup profile set. Would you like to set up new backup profile?";
inline constexpr const char* kCloseQuestion = "Close Quillmor?";
inline constexpr const char* kCanNotSaveMessage = "Can not save the program options.";
inline constexpr const char* kNoTrayMessage =
    "This desktop has no notification area, so Quillmor cannot hide in it. The window is "
    "minimised instead; Quillmor keeps running and its background work goes on.";

// Text colour of the controls that concern the background mode only.
inline constexpr int32_t kBackgroundGreen = 0x008000;

class MainWindowController : private RunControllerHost {
  // First: the controls' handlers and the views below refer to it.
  RunSession session_;

 public:
  // `args` are the command-line arguments without the program name. FormCreate runs here.
  MainWindowController(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
                       RegionalFormats formats, std::string store_path,
                       std::vector<std::string> args, FormWindow& window);
  // FormDestroy runs here.
  ~MainWindowController() override;
  MainWindowController(const MainWindowController&) = delete;
  MainWindowController& operator=(const MainWindowController&) = delete;

  // --- the window's events, called by the front end
  void FormCreate();
  // The window has become visible: the options are restored, then FormShow.
  void OnWindowShown();
  // The window has become invisible.
  void OnWindowHidden();
  void FormShow();
  void FormHide();
  void FinishShowing();
  // Whether the window may close; when it may, the timers and the run are stopped.
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();
  // The whole close sequence (title-bar button, tray "Close"): asks, saves and ends the message
  // loop. False when the close was refused; the window then stays as it is.
  bool Close();
  bool Closed() const { return closed_; }
  // The session ends under the program (log-out, shutdown, a termination signal): it stops
  // and saves like an allowed close, without a question. A pending edit is kept when it is
  // complete and dropped otherwise, so that it cannot keep the other profiles from being saved.
  void EndSession();

  // --- run controller
  void ToggleSelectedRun() { run_.ToggleSelectedRun(); }
  void ToggleBackgroundMode() { run_.ToggleBackgroundMode(); }
  void StopWork() { run_.StopWork(); }
  void UpdateControls() { run_.UpdateControls(); }

  // --- window commands
  // Hides the window to the notification area (button, tray entry, F10); without one it
  // minimises the window instead, and the first time says why.
  void HideToTray();
  // Shows the window and brings it to the front (tray click, double-click, "Show").
  void ShowFromTray() {
    window_.ShowWindow();
    // Restoring a minimised window is no new show, yet the tray entries must follow it.
    UpdateControls();
  }
  // The desktop has got a notification area: a window minimised in place of hiding goes
  // there now.
  void TrayAppeared();
  // Opens the installed help (or the one beside the executable); a missing file or viewer is
  // not reported.
  void OpenHelp();
  // The window's hot keys, acted on when released, whichever control has the focus; false for
  // a key that is not one of them with these modifiers.
  enum class HotKey { kInsert, kF1, kF2, kF3, kF8, kF9, kF10, kDelete };
  bool FormKeyUp(HotKey key, KeyModifiers modifiers = {});

  // The session the window shows and commands.
  RunSession& session() { return session_; }
  const RunSession& session() const { return session_; }
  void WriteLog(LogKind kind, const std::string& text) { session_.WriteLog(kind, text); }

  // --- add-profile wizard (add_profile_wizard.cpp)
  // Shows the wizard modally on the profile table.
  void ShowAddProfileWizard();
  // The front end's window for the wizard; while none is set the wizard button stays disabled.
  void SetWizardPresenter(WizardPresenter* presenter);
  // A stand-in for tests: the machine's volumes.
  void SetWizardDisks(DiskSource* disks);

  // Wraps a handler so that an error escaping it is shown in the application's standard error
  // box and the program goes on.
  std::function<void()> Guarded(std::function<void()> handler);

  const std::string& store_path() const { return session_.store_path(); }
  // Fills an empty log directory with the default one, as the first show does, and creates
  // that default directory when it is missing. A directory the user chose is never created:
  // it may lie on a volume that is not plugged in.
  void FillDefaultLogDirectory();
  const std::vector<std::string>& args() const { return args_; }
  const std::string& TrayHint() const { return tray_hint_; }
  // The tray's state, which the run's view sets; a change fires TrayChanged.
  void SetTrayAnimation(bool on);
  void SetTrayHint(const std::string& hint);
  bool TrayAnimated() const { return tray_animated_; }
  // Fired when the tray's hint or animation changed.
  ui::Signal<> TrayChanged;

  // --- the session's table and run state, which the window's controls show
  ProfileTable& profile_table;
  RunState& state;
  bool window_shown = false;

  // --- main window
  ui::GroupBox profiles_group_box{"profiles_group_box", "Profiles"};
  ProfileGrid profile_grid;
  ui::Button start_button{"start_button", kStartSelectedCaption};
  ui::Button start_background_button{"start_background_button", kStartBackgroundCaption};
  ui::Button hide_button{"hide_button", "Hide"};
  ui::Button help_button{"help_button"};
  ui::PageControl page_control{"page_control"};
  int page_control_width = 281;  // the page area's width, which the splitter changes
  ui::TabSheet current_profile_page{"current_profile_page", "Current profile"};
  ui::TabSheet statistics_page{"statistics_page", "Statistics"};
  ui::TabSheet parameters_page{"parameters_page", "Parameters"};

  // --- "Current profile" page
  ui::CheckBox enabled_box{"enabled_box", "Enabled"};
  ui::Label profile_name_label{"profile_name_label", "Name"};
  ui::Edit profile_name_edit{"profile_name_edit"};
  ui::Label source_folder_label{"source_folder_label", "Source directory:"};
  ui::Edit source_folder_edit{"source_folder_edit"};
  ui::Button source_browse_button{"source_browse_button", "..."};
  ui::Label destination_folder_label{"destination_folder_label", "Destination directory:"};
  ui::Edit destination_folder_edit{"destination_folder_edit"};
  ui::Button destination_browse_button{"destination_browse_button", "..."};
  ui::Button destination_create_button{"destination_create_button", "+"};
  ui::Label file_filter_label{"file_filter_label", "Files filter:"};
  ui::Edit file_filter_edit{"file_filter_edit"};
  ui::CheckBox include_subfolders_box{"include_subfolders_box", "Include subdirectories"};
  ui::Label copy_method_label{"copy_method_label", "Copy method"};
  ui::ComboBox copy_method_combo{
      "copy_method_combo", {"From Source to Destination only ", "Both directions synchronisation"}};
  ui::Label advanced_label{"advanced_label", " Advanced : "};
  ui::CheckBox zip_box{"zip_box", "Pack files with ZIP compression"};
  ui::CheckBox delete_removed_box{"delete_removed_box",
                                  "Delete in archive files removed from source directory "};
  ui::Label keep_copy_label{"keep_copy_label", "Keep copy"};
  ui::ComboBox keep_copy_combo{
      "keep_copy_combo",
      {"Do not keep", "Sequence number in file name", "Date and time in file name"}};
  ui::Label interval_label{"interval_label", "Re-backup interval (hh:mm:ss)"};
  ui::Edit interval_edit{"interval_edit"};
  ui::CheckBox time_limits_box{"time_limits_box", "Use active time limitations"};
  ui::Label start_time_label{"start_time_label", "Start profile at (hh:mm:ss)"};
  ui::Edit start_time_edit{"start_time_edit"};
  ui::Label finish_time_label{"finish_time_label", "Finish profile at (hh:mm:ss)"};
  ui::Edit finish_time_edit{"finish_time_edit"};
  ui::Button wizard_button{"wizard_button", "Wizard"};
  // The record navigator: add, delete, post and cancel, as small symbol buttons.
  ui::Button add_profile_button{"add_profile_button", "+"};
  ui::Button delete_profile_button{"delete_profile_button", "\u2212"};
  ui::Button post_profile_button{"post_profile_button", "\u2713"};
  ui::Button cancel_edit_button{"cancel_edit_button", "\u2717"};

  // --- "Statistics" page
  ui::Label status_label{"status_label", "Waiting..."};
  ui::Label files_today_label{"files_today_label", "0"};
  ui::Label files_this_hour_label{"files_this_hour_label", "0"};
  ui::Label files_this_minute_label{"files_this_minute_label", "0"};
  ui::Label started_at_label{"started_at_label", ""};
  ui::Label finish_expected_label{"finish_expected_label", "00:00:00"};
  ui::Label profiles_to_operate_label{"profiles_to_operate_label", "0"};
  ui::Label files_total_label{"files_total_label", "0"};
  ui::Label files_left_label{"files_left_label", "0"};
  ui::ProgressBar total_progress{"total_progress"};
  ui::Label total_percent_label{"total_percent_label", "0 %"};
  ui::Label current_profile_label{"current_profile_label", "None"};
  ui::Label profile_started_at_label{"profile_started_at_label", "00:00:00"};
  ui::Label profile_finish_expected_label{"profile_finish_expected_label", "00:00:00"};
  ui::Label profile_files_label{"profile_files_label", "0"};
  ui::Label profile_files_left_label{"profile_files_left_label", "0"};
  ui::ProgressBar profile_progress{"profile_progress"};
  ui::Label profile_percent_label{"profile_percent_label", "0 %"};
  ui::Label current_file_label{"current_file_label", "None"};
  ui::ProgressBar file_progress{"file_progress"};
  ui::Label file_percent_label{"file_percent_label", "0 %"};

  // --- "Parameters" page
  ui::CheckBox autostart_box{"autostart_box", "Start Quillmor with Windows"};
  ui::GroupBox log_group_box{"log_group_box", "Log"};
  LogControls Log;

  // --- notification-area menu
  ui::MenuItem show_menu_item{"show_menu_item", "Show"};
  ui::MenuItem hide_menu_item{"hide_menu_item", "Hide"};
  ui::MenuItem start_background_menu_item{"start_background_menu_item", "Start in background"};
  ui::MenuItem stop_menu_item{"stop_menu_item", "Stop"};
  ui::MenuItem close_menu_item{"close_menu_item", "Close"};

  // --- timers
  ui::Timer after_show_timer;

  // The "Current profile" page's controller; after the controls and the table it is bound to.
  ProfileEditor editor;

  // --- options (options.cpp): the registry stand-in and the store of the window's state in it,
  // after every control the store keeps.
  Registry registry;
  FormStateStore fs;
  // The running executable, which the autostart entry starts.
  std::string executable_file;
  void ToggleAutostart();
  // Creates or removes the autostart entry; false after a failure, which has been shown.
  bool SetRunOnWindowsStart(bool Enabled);
  void BrowseLogDirectory();

 private:
  // RunControllerHost
  bool PostPendingEdit() override { return profile_table.CheckBrowseMode(); }
  size_t ProfileCount() const override { return profile_table.RecordCount(); }
  // A minimised window counts as hidden, so "Show" can bring it back.
  bool MainWindowVisible() const override {
    return window_.IsWindowVisible() && !window_.IsWindowMinimized();
  }
  void HideMainWindow() override;
  void RunSelectedProfiles() override;
  bool StartBackgroundMode() override { return session_.StartBackgroundMode(); }
  void StopBackgroundMode() override;
  void ShowStatus(const std::string& text) override { run_view_.ShowStatus(text); }
  void StopRun() override;

  void SetUpControls();
  void SetUpOptions();
  void ConnectHandlers();
  // The log options live in the "Parameters" page's controls; the session gets each change.
  void FollowLogOptions();

  FileSystem& fs_;
  Clock& clock_;
  ui::MessageLoop& loop_;
  ui::Dialogs& dialogs_;
  std::vector<std::string> args_;
  FormWindow& window_;
  RunController run_;
  RunView run_view_;

 public:
  // "Restore files..." and "Verify backup" of the current profile; after the run's view, which
  // shows their progress.
  BackupChecks backup_checks;

 private:
  // While a restore or verification runs, the run's controls show it and start nothing.
  void BackupChecksBusy(bool busy);
  std::function<void()> start_click_;  // "Start selected" while its button stops a job

  std::string tray_hint_ = kApplicationTitle;
  bool tray_animated_ = false;
  bool closed_ = false;
  bool destroyed_ = false;

  WizardPresenter* wizard_presenter_ = nullptr;
  DiskSource* wizard_disks_ = nullptr;
  // The wizard's remembered filter lives as long as the program.
  std::string wizard_filter_ = kAllFilesMask;
  // The no-tray explanation is given once per run of the program.
  bool minimise_explained_ = false;
  bool minimised_for_hide_ = false;
};

}  // namespace qm
