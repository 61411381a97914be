#include "app/main_window_controller.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "app/main_form_state.h"
#include "app/run_controls_of.h"
#include "platform/app_paths.h"
#include "platform/shell.h"
#include "profiles/profile_rules.h"
#include "profiles/profile_store.h"

namespace qm {

namespace {

std::string UpperCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

MainWindowController::MainWindowController(FileSystem& fs, Clock& clock, ui::MessageLoop& loop,
                                           ui::Dialogs& dialogs, RegionalFormats formats,
                                           std::string store_path, std::vector<std::string> args,
                                           FormWindow& window)
    : session_(fs, clock, loop, dialogs, std::move(formats), std::move(store_path)),
      profile_table(session_.profile_table),
      state(session_.state),
      after_show_timer(loop, "after_show_timer", 100),
      editor(*this, dialogs, fs, clock),
      registry(ConfigDirectory(), fs),
      fs(registry, dialogs, MainFormSettings(), MainFormProperties(*this)),
      executable_file(ExecutablePath()),
      fs_(fs),
      clock_(clock),
      loop_(loop),
      dialogs_(dialogs),
      args_(std::move(args)),
      window_(window),
      run_(state, RunControlsOf(*this), *this, loop, dialogs),
      run_view_(StatisticsPageOf(*this), session_.formats(), state, session_.run_list,
                TrayOutput{[this](bool on) { SetTrayAnimation(on); },
                           [this](const std::string& hint) { SetTrayHint(hint); }},
                loop),
      backup_checks(
          session_, run_view_, dialogs,
          [this]() -> std::optional<ProfileRecord> {
            if (profile_table.IsEmpty() || !profile_table.CheckBrowseMode()) return std::nullopt;
            ProfileRecord profile;
            ProfileFromRow(profile_table.Current(), profile);
            return profile;
          },
          [this](bool busy) { BackupChecksBusy(busy); }) {
  session_.Watch(run_view_);
  session_.Watch(run_);
  session_.StatisticsUpdated.Connect(
      [this](const StatisticsSnapshot& snapshot) { run_view_.ShowStatistics(snapshot); });
  SetUpControls();
  SetUpOptions();
  ConnectHandlers();
  // After the editor's handlers, so that a post is saved as the editor leaves it.
  session_.SaveOnEveryChange();
  FormCreate();
}

MainWindowController::~MainWindowController() {
  fs.Destroy([this] { FormDestroy(); });
}

void MainWindowController::SetUpControls() {
  page_control.AddPage(current_profile_page);
  page_control.AddPage(statistics_page);
  page_control.AddPage(parameters_page);
  page_control.SetActivePage(&current_profile_page);
  // Shown while a run or the background mode is on (UpdateControls).
  statistics_page.SetTabVisible(false);

  hide_button.SetEnabled(false);
  start_button.SetHint("Start selected profile (profiles)\r\n[ F8 ]");
  start_background_button.SetHint(
      "Switch Quillmor to the background mode and start backup/synchronization\r\n[ F9 ]");
  hide_button.SetGlyph(kImgHide);
  hide_button.SetHint("Hide Quillmor to the system tray\r\n[ F10 ]");
  help_button.SetHint("Start Help System\r\n[ F1 ]");

  profile_name_edit.SetMaxLength(30);
  source_folder_edit.SetMaxLength(254);
  destination_folder_edit.SetMaxLength(254);
  file_filter_edit.SetMaxLength(255);
  source_browse_button.SetHint("Browse the directories");
  destination_browse_button.SetHint("Browse the directories");
  destination_create_button.SetHint("Create directory");
  keep_copy_label.SetHint("How to keep copy of a file if it already presents in archive.");
  wizard_button.SetHint("Easy add profile with Wizard\r\n[ F3 ]");
  add_profile_button.SetHint("Add profile [Insert]");
  delete_profile_button.SetHint("Delete profile [Ctrl+Del]");
  post_profile_button.SetHint("Post edit [ F2 ]");
  cancel_edit_button.SetHint("Cancel edit");
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{&enabled_box, &interval_label, &time_limits_box,
                                           &start_time_label, &finish_time_label, &autostart_box})
    c->SetColor(kBackgroundGreen);

  show_menu_item.SetHint("Open Quillmor window");
  hide_menu_item.SetHint("Hide Quillmor window");
  start_background_menu_item.SetHint("Start all enabled profiles in background");
  stop_menu_item.SetHint("Stop");
  close_menu_item.SetHint("Stop all works and close Quillmor");
}

void MainWindowController::ConnectHandlers() {
  start_button.OnClick = Guarded([this] { ToggleSelectedRun(); });
  start_background_button.OnClick = Guarded([this] { ToggleBackgroundMode(); });
  start_background_menu_item.OnClick = Guarded([this] { ToggleBackgroundMode(); });
  stop_menu_item.OnClick = Guarded([this] { ToggleBackgroundMode(); });
  hide_button.OnClick = Guarded([this] { HideToTray(); });
  hide_menu_item.OnClick = Guarded([this] { HideToTray(); });
  show_menu_item.OnClick = Guarded([this] { ShowFromTray(); });
  help_button.OnClick = Guarded([this] { OpenHelp(); });
  close_menu_item.OnClick = Guarded([this] { run_.CloseFromTray([this] { Close(); }); });
  after_show_timer.OnTimer = Guarded([this] { FinishShowing(); });
  session_.statistics_timer.OnTimer = Guarded([this] { session_.UpdateStatistics(); });
  session_.background_queue_timer.OnTimer = Guarded(session_.background_queue_timer.OnTimer);
  session_.store_save_timer.OnTimer = Guarded(session_.store_save_timer.OnTimer);
  FollowLogOptions();
}

void MainWindowController::FollowLogOptions() {
  const auto follow = [this] { session_.SetLogOptions(Log.Options()); };
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &Log.create_log_box, &Log.log_folder_edit, &Log.limit_log_size_box, &Log.log_limit_edit,
           &Log.log_info_box, &Log.log_errors_box, &Log.log_deletes_box, &Log.log_successes_box})
    c->Changed().Connect(follow);
  follow();
}

std::function<void()> MainWindowController::Guarded(std::function<void()> handler) {
  return [this, handler = std::move(handler)] {
    try {
      handler();
    } catch (const std::exception& e) {
      dialogs_.ShowApplicationError(ui::ApplicationErrorText(e.what()));
    }
  };
}

void MainWindowController::FormCreate() {
  // The session has loaded the store.
  window_shown = false;
  start_button.SetGlyph(kImgStart);
  start_background_button.SetGlyph(kImgBackgroundStart);
  after_show_timer.SetEnabled(true);
}

void MainWindowController::OnWindowShown() {
  fs.Show([this] { FormShow(); });
}

void MainWindowController::OnWindowHidden() {
  FormHide();
  // An option changed on the page survives the next show's restore only if it was saved.
  fs.SaveFormState();
}

void MainWindowController::FormShow() {
  const size_t count = profile_table.RecordCount();
  if (profile_grid.Tag >= 1 && static_cast<size_t>(profile_grid.Tag) <= count)
    (void)profile_table.MoveTo(static_cast<size_t>(profile_grid.Tag));
  UpdateControls();
  window_shown = true;
  if (count > 1) (void)profile_table.First();
}

void MainWindowController::FormHide() {
  profile_grid.Tag = static_cast<int>(profile_table.RecNo());
  window_shown = false;
}

void MainWindowController::FinishShowing() {
  if (!window_.IsWindowVisible()) return;
  after_show_timer.SetEnabled(false);
  FillDefaultLogDirectory();
  if (!args_.empty() && UpperCase(args_.front()) == "/B") {
    ToggleBackgroundMode();
  } else if (profile_table.IsEmpty()) {
    if (dialogs_.Confirm(kNoProfileQuestion)) editor.OpenWizard();
  }
}

bool MainWindowController::FormCloseQuery() {
  if (state.Mode != RunMode::kBackground && !dialogs_.Confirm(kCloseQuestion)) return false;
  // A pending edit that cannot be posted would be lost with the window; the close waits for it.
  if (!profile_table.CheckBrowseMode()) return false;
  state.Running = false;
  session_.StopTimers();
  return true;
}

void MainWindowController::FormClose() {
  // The records of the last second and a half, deletions included, are not lost with the window.
  session_.EmptyLogBuffer();
  if (!session_.SaveStore()) dialogs_.ShowErrorBox(kCanNotSaveMessage);
  closed_ = true;
  loop_.Quit();
}

bool MainWindowController::Close() {
  if (closed_) return true;
  if (!fs.CloseQuery([this] { return FormCloseQuery(); })) return false;
  FormClose();
  return true;
}

void MainWindowController::EndSession() {
  if (closed_) return;
  state.Running = false;
  session_.StopTimers();
  if (profile_table.Editing()) {
    if (!MissingFieldsMessage(profile_table.Current()).empty() || !profile_table.Post())
      profile_table.Cancel();
  }
  fs.SaveFormState();
  FormClose();
}

void MainWindowController::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  session_.ClearTimerItems();
  session_.run_list.Clear();
  session_.log_buffer.clear();
}

void MainWindowController::FillDefaultLogDirectory() {
  if (Log.log_folder_edit.Text().empty())
    Log.log_folder_edit.SetText(session_.DefaultLogDirectory());
}

void MainWindowController::SetTrayAnimation(bool on) {
  if (tray_animated_ == on) return;
  tray_animated_ = on;
  TrayChanged();
}

void MainWindowController::SetTrayHint(const std::string& hint) {
  if (tray_hint_ == hint) return;
  tray_hint_ = hint;
  TrayChanged();
}

void MainWindowController::StopRun() {
  session_.StopWork();
  run_view_.ShowStopped();
}

void MainWindowController::StopBackgroundMode() {
  session_.StopBackgroundMode();
  run_view_.ShowStopped();
}

void MainWindowController::BackupChecksBusy(bool busy) {
  // "Start selected" turns into the Stop of the job (and F8 with it), as during a run.
  if (busy) {
    start_click_ = std::move(start_button.OnClick);
    start_button.OnClick = [this] { state.Running = false; };
  } else {
    start_button.OnClick = std::move(start_click_);
  }
  start_button.SetCaption(busy ? kStopCaption : kStartSelectedCaption);
  start_button.SetGlyph(busy ? kImgStop : kImgStart);
  start_button.SetHint(busy ? kStopSelectedHint : kStartSelectedHint);
  UpdateControls();
  if (!busy) return;
  start_button.SetEnabled(true);
  start_background_button.SetEnabled(false);
  start_background_menu_item.SetEnabled(false);
  loop_.ProcessMessages();
}

void MainWindowController::RunSelectedProfiles() {
  // With an empty table nothing is queued and the run ends at once with "Done.".
  std::vector<size_t> rows = profile_grid.SelectedRows;
  if (rows.empty() && !profile_table.IsEmpty()) rows.push_back(profile_table.RecNo() - 1);
  std::vector<ProfileRecord> selected;
  for (size_t row : rows) {
    if (row >= profile_table.RecordCount()) continue;
    selected.emplace_back();
    ProfileFromRow(profile_table.Row(row), selected.back());
  }
  profile_grid.ClearSelection();
  session_.RunSelected(selected);
}

}  // namespace qm
