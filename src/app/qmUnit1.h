// The main window controller `TForm1`: it holds a run session (the profile table, the run, the
// log, the schedule) and every control of the window, shows the session, and turns the
// window's commands into the session's. It knows no toolkit: the front end binds widgets to the
// controls and forwards the window's show, hide and close events.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
#include "profiles/profile_table.h"
#include "profiles/qmProcs.h"
#include "profiles/qmTypes.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"
#include "wizard/qmwzAddProfile.h"

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

class TForm1 : private RunControllerHost {
  // First: the controls' handlers and the views below refer to it.
  RunSession session_;

 public:
  // `args` are the command-line arguments without the program name. FormCreate runs here.
  TForm1(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
         RegionalFormats formats, std::string store_path, std::vector<std::string> args,
         FormWindow& window);
  // FormDestroy runs here.
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // --- the window's events, called by the front end
  void FormCreate();
  // The window has become visible: the options are restored, then FormShow.
  void OnWindowShown();
  // The window has become invisible.
  void OnWindowHidden();
  void FormShow();
  void FormHide();
  void OnAfterShowTimerTimer();
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
  void bStartClick() { run_.bStartClick(); }
  void bStartBackgroundClick() { run_.bStartBackgroundClick(); }
  void StopWork() { run_.StopWork(); }
  void UpdateControls() { run_.UpdateControls(); }

  // --- window commands
  // Hides the window to the notification area (button, tray entry, F10); without one it
  // minimises the window instead, and the first time says why.
  void bHideClick();
  // Shows the window and brings it to the front (tray click, double-click, "Show").
  void TrayIconDblClick() {
    window_.ShowWindow();
    // Restoring a minimised window is no new show, yet the tray entries must follow it.
    UpdateControls();
  }
  // The desktop has got a notification area: a window minimised in place of hiding goes
  // there now.
  void TrayAppeared();
  // Opens the installed help (or the one beside the executable); a missing file or viewer is
  // not reported.
  void bHelpClick();
  // The window's hot keys, acted on when released, whichever control has the focus; false for
  // a key that is not one of them with these modifiers.
  enum class HotKey { kInsert, kF1, kF2, kF3, kF8, kF9, kF10, kDelete };
  bool FormKeyUp(HotKey key, KeyModifiers modifiers = {});

  // The session the window shows and commands.
  RunSession& session() { return session_; }
  const RunSession& session() const { return session_; }
  void WriteLog(TLogKind kind, const std::string& text) { session_.WriteLog(kind, text); }

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
  ProfileTable& rmSets;
  RunState& State;
  bool WindowShown = false;

  // --- main window
  ui::GroupBox GroupBox1{"GroupBox1", "Profiles"};
  ProfileGrid grdProfs;
  ui::Button bStart{"bStart", kStartSelectedCaption};
  ui::Button bStartBackground{"bStartBackground", kStartBackgroundCaption};
  ui::Button bHide{"bHide", "Hide"};
  ui::Button bHelp{"bHelp"};
  ui::PageControl PC{"PC"};
  int PCWidth = 281;  // the page area's width, which the splitter changes
  ui::TabSheet tshCurProf{"tshCurProf", "Current profile"};
  ui::TabSheet tshStat{"tshStat", "Statistics"};
  ui::TabSheet tshPars{"tshPars", "Parameters"};

  // --- "Current profile" page
  ui::CheckBox DBCheckBox1{"DBCheckBox1", "Enabled"};
  ui::Label lName{"lName", "Name"};
  ui::Edit eName{"eName"};
  ui::Label lSrcDir{"lSrcDir", "Source directory:"};
  ui::Edit eSrcDir{"eSrcDir"};
  ui::Button eSrcDirEditButtons0{"eSrcDirEditButtons0", "..."};
  ui::Label lDestDir{"lDestDir", "Destination directory:"};
  ui::Edit eDestDir{"eDestDir"};
  ui::Button eDestDirEditButtons0{"eDestDirEditButtons0", "..."};
  ui::Button eDestDirEditButtons1{"eDestDirEditButtons1", "+"};
  ui::Label lFileMask{"lFileMask", "Files filter:"};
  ui::Edit DBEditEh4{"DBEditEh4"};
  ui::CheckBox DBCheckBox2{"DBCheckBox2", "Include subdirectories"};
  ui::Label lCopyMethod{"lCopyMethod", "Copy method"};
  ui::ComboBox eCopyMethod{"eCopyMethod",
                           {"From Source to Destination only ", "Both directions synchronisation"}};
  ui::Label lAdvanced{"lAdvanced", " Advanced : "};
  ui::CheckBox chZIP{"chZIP", "Pack files with ZIP compression"};
  ui::CheckBox chDeleteRemoved{"chDeleteRemoved",
                               "Delete in archive files removed from source directory "};
  ui::Label lKeepCopy{"lKeepCopy", "Keep copy"};
  ui::ComboBox eKeepCopy{
      "eKeepCopy", {"Do not keep", "Sequence number in file name", "Date and time in file name"}};
  ui::Label lInterval{"lInterval", "Re-backup interval (hh:mm:ss)"};
  ui::Edit DBDateTimeEditEh1{"DBDateTimeEditEh1"};
  ui::CheckBox DBCheckBox5{"DBCheckBox5", "Use active time limitations"};
  ui::Label Label6{"Label6", "Start profile at (hh:mm:ss)"};
  ui::Edit DBDateTimeEditEh2{"DBDateTimeEditEh2"};
  ui::Label Label7{"Label7", "Finish profile at (hh:mm:ss)"};
  ui::Edit DBDateTimeEditEh3{"DBDateTimeEditEh3"};
  ui::Button bMaster{"bMaster", "Wizard"};
  // The record navigator: add, delete, post and cancel, as small symbol buttons.
  ui::Button nvAdd{"nvAdd", "+"};
  ui::Button nvDelete{"nvDelete", "\u2212"};
  ui::Button nvPost{"nvPost", "\u2713"};
  ui::Button nvCancel{"nvCancel", "\u2717"};

  // --- "Statistics" page
  ui::Label lStatus{"lStatus", "Waiting..."};
  ui::Label lfopToday{"lfopToday", "0"};
  ui::Label lfopHour{"lfopHour", "0"};
  ui::Label lfopMinute{"lfopMinute", "0"};
  ui::Label lStartedAt{"lStartedAt", ""};
  ui::Label lFinishExpectedAt{"lFinishExpectedAt", "00:00:00"};
  ui::Label lProfilesToPperate{"lProfilesToPperate", "0"};
  ui::Label lFilesToTotal{"lFilesToTotal", "0"};
  ui::Label lFilesLeft{"lFilesLeft", "0"};
  ui::ProgressBar psTotal{"psTotal"};
  ui::Label lpsTotal{"lpsTotal", "0 %"};
  ui::Label lCurrentProfile{"lCurrentProfile", "None"};
  ui::Label lCurrStartedAt{"lCurrStartedAt", "00:00:00"};
  ui::Label lCurrFinishExpectedAt{"lCurrFinishExpectedAt", "00:00:00"};
  ui::Label lFilesToOperate{"lFilesToOperate", "0"};
  ui::Label lCurrFilesLeft{"lCurrFilesLeft", "0"};
  ui::ProgressBar psProfile{"psProfile"};
  ui::Label lpsCurrentprofile{"lpsCurrentprofile", "0 %"};
  ui::Label lCurrentFile{"lCurrentFile", "None"};
  ui::ProgressBar psFile{"psFile"};
  ui::Label lpsCurrentFile{"lpsCurrentFile", "0 %"};

  // --- "Parameters" page
  ui::CheckBox chRunOnWindowsStart{"chRunOnWindowsStart", "Start Quillmor with Windows"};
  ui::GroupBox gbLog{"gbLog", "Log"};
  LogControls Log;

  // --- notification-area menu
  ui::MenuItem ShowItem{"ShowItem", "Show"};
  ui::MenuItem HideItem{"HideItem", "Hide"};
  ui::MenuItem StartinbackgroundItem{"StartinbackgroundItem", "Start in background"};
  ui::MenuItem StopItem{"StopItem", "Stop"};
  ui::MenuItem CloseItem{"CloseItem", "Close"};

  // --- timers
  ui::Timer OnAfterShowTimer;

  // The "Current profile" page's controller; after the controls and the table it is bound to.
  ProfileEditor Editor;

  // --- options (options.cpp): the registry stand-in and the store of the window's state in it,
  // after every control the store keeps.
  Registry registry;
  FormStateStore fs;
  // The running executable, which the autostart entry starts.
  std::string ExecutableFile;
  void chRunOnWindowsStartClick();
  // Creates or removes the autostart entry; false after a failure, which has been shown.
  bool SetRunOnWindowsStart(bool Enabled);
  void deLogDirButtonClick();

 private:
  // RunControllerHost
  bool PostPendingEdit() override { return rmSets.CheckBrowseMode(); }
  size_t ProfileCount() const override { return rmSets.RecordCount(); }
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
