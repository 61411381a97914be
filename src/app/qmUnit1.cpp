#include "app/qmUnit1.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "app/main_form_state.h"
#include "engine/process_run_list.h"
#include "engine/scan.h"
#include "platform/app_paths.h"
#include "platform/atomic_file.h"
#include "platform/shell.h"
#include "profiles/profile_rules.h"
#include "profiles/qmProcs.h"
#include "scheduler/run_controls_of.h"
#include "stats/log_writer.h"

namespace qm {

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string WithTrailingSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string UpperCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

TForm1::TForm1(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
               RegionalFormats formats, std::string store_path, std::vector<std::string> args,
               FormWindow& window)
    : RecordingEngineHost(&dialogs),
      OnAfterShowTimer(loop, "OnAfterShowTimer", 100),
      StatTimer(loop, "StatTimer", 1500),
      ProcessListInBackgroundTimer(loop, "ProcessListInBackgroundTimer", 1000),
      TimerListPlatform(loop),
      TimerList(TimerListPlatform, [&loop] { return loop.TickCount(); }),
      Editor(*this, dialogs, fs, clock),
      registry(ConfigDirectory(), fs),
      fs(registry, dialogs, MainFormSettings(), MainFormProperties(*this)),
      ExecutableFile(ExecutablePath()),
      fs_(fs),
      clock_(clock),
      loop_(loop),
      dialogs_(dialogs),
      formats_(std::move(formats)),
      store_path_(std::move(store_path)),
      args_(std::move(args)),
      window_(window),
      run_(State,
           RunControlsOf(*this,
                         {&lStartedAt, &lFinishExpectedAt, &lProfilesToPperate, &lFilesToTotal,
                          &lFilesLeft, &lCurrentProfile, &lCurrStartedAt, &lCurrFinishExpectedAt,
                          &lFilesToOperate, &lCurrFilesLeft, &lCurrentFile},
                         {&psFile, &psProfile, &psTotal}, {&lpsCurrentprofile, &lpsTotal}),
           *this, loop),
      run_view_(RunViewControls{lStatus, lCurrentFile, lStartedAt, lFinishExpectedAt,
                                lProfilesToPperate, StatTimer},
                clock, formats_, State, RunList) {
  Watch(run_view_);
  Watch(notice_events_);
  SetUpControls();
  SetUpOptions();
  ConnectHandlers();
  FormCreate();
}

TForm1::~TForm1() {
  fs.Destroy([this] { FormDestroy(); });
}

void TForm1::SetUpControls() {
  PC.AddPage(tshCurProf);
  PC.AddPage(tshStat);
  PC.AddPage(tshPars);
  PC.SetActivePage(&tshCurProf);
  // Shown while a run or the background mode is on (UpdateControls).
  tshStat.SetTabVisible(false);

  bHide.SetEnabled(false);
  bStart.SetHint("Start selected profile (profiles)\r\n[ F8 ]");
  bStartBackground.SetHint(
      "Switch Quillmor to the background mode and start backup/synchronization\r\n[ F9 ]");
  bHide.SetGlyph(kImgHide);
  bHide.SetHint("Hide Quillmor to the system tray\r\n[ F10 ]");
  bHelp.SetHint("Start Help System\r\n[ F1 ]");

  eName.SetMaxLength(30);
  eSrcDir.SetMaxLength(254);
  eDestDir.SetMaxLength(254);
  DBEditEh4.SetMaxLength(255);
  eSrcDirEditButtons0.SetHint("Browse the directories");
  eDestDirEditButtons0.SetHint("Browse the directories");
  eDestDirEditButtons1.SetHint("Create directory");
  lKeepCopy.SetHint("How to keep copy of a file if it already presents in archive.");
  bMaster.SetHint("Easy add profile with Wizard\r\n[ F3 ]");
  nvAdd.SetHint("Add profile [Insert]");
  nvDelete.SetHint("Delete profile [Ctrl+Del]");
  nvPost.SetHint("Post edit [ F2 ]");
  nvCancel.SetHint("Cancel edit");
  for (ui::Control* c : std::initializer_list<ui::Control*>{&DBCheckBox1, &lInterval, &DBCheckBox5,
                                                            &Label6, &Label7, &chRunOnWindowsStart})
    c->SetColor(kBackgroundGreen);

  ShowItem.SetHint("Open Quillmor window");
  HideItem.SetHint("Hide Quillmor window");
  StartinbackgroundItem.SetHint("Start all enabled profiles in background");
  StopItem.SetHint("Stop");
  CloseItem.SetHint("Stop all works and close Quillmor");
}

void TForm1::ConnectHandlers() {
  bStart.OnClick = Guarded([this] { bStartClick(); });
  bStartBackground.OnClick = Guarded([this] { bStartBackgroundClick(); });
  StartinbackgroundItem.OnClick = Guarded([this] { bStartBackgroundClick(); });
  StopItem.OnClick = Guarded([this] { bStartBackgroundClick(); });
  bHide.OnClick = Guarded([this] { bHideClick(); });
  HideItem.OnClick = Guarded([this] { bHideClick(); });
  ShowItem.OnClick = Guarded([this] { TrayIconDblClick(); });
  bHelp.OnClick = Guarded([this] { bHelpClick(); });
  CloseItem.OnClick = Guarded([this] { run_.CloseItemClick(dialogs_, [this] { Close(); }); });
  OnAfterShowTimer.OnTimer = Guarded([this] { OnAfterShowTimerTimer(); });
  StatTimer.OnTimer = Guarded([this] { StatTimerTimer(); });
  ConnectBackgroundMode();
}

std::function<void()> TForm1::Guarded(std::function<void()> handler) {
  return [this, handler = std::move(handler)] {
    try {
      handler();
    } catch (const std::exception& e) {
      dialogs_.ShowApplicationError(ui::ApplicationErrorText(e.what()));
    }
  };
}

void TForm1::FormCreate() {
  Counters = FileCounters{};
  State = RunState{};
  WindowShown = false;
  RunList.Clear();
  LogBuffer.clear();
  // Whatever could be read is kept; a store that was not read whole is kept aside at the next
  // save instead of being overwritten by the fewer rows.
  store_load_ = LoadProfiles(store_path_, rmSets, fs_);
  store_needs_backup_ = store_load_.NeedsBackup();
  bStart.SetGlyph(kImgStart);
  bStartBackground.SetGlyph(kImgBackgroundStart);
  temp_directory_ = fs_.TempDirectory();
  OnAfterShowTimer.SetEnabled(true);
}

void TForm1::OnWindowShown() {
  fs.Show([this] { FormShow(); });
}

void TForm1::OnWindowHidden() {
  FormHide();
  // An option changed on the page survives the next show's restore only if it was saved.
  fs.SaveFormState();
}

void TForm1::FormShow() {
  const size_t count = rmSets.RecordCount();
  if (grdProfs.Tag >= 1 && static_cast<size_t>(grdProfs.Tag) <= count)
    (void)rmSets.MoveTo(static_cast<size_t>(grdProfs.Tag));
  UpdateControls();
  WindowShown = true;
  if (count > 1) (void)rmSets.First();
}

void TForm1::FormHide() {
  grdProfs.Tag = static_cast<int>(rmSets.RecNo());
  WindowShown = false;
}

void TForm1::OnAfterShowTimerTimer() {
  if (!window_.IsWindowVisible()) return;
  OnAfterShowTimer.SetEnabled(false);
  FillDefaultLogDirectory();
  if (!args_.empty() && UpperCase(args_.front()) == "/B") {
    bStartBackgroundClick();
  } else if (rmSets.IsEmpty()) {
    if (dialogs_.Confirm(kNoProfileQuestion)) Editor.bMasterClick();
  }
}

bool TForm1::FormCloseQuery() {
  if (State.Mode != RunMode::kBackground && !dialogs_.Confirm(kCloseQuestion)) return false;
  // A pending edit that cannot be posted would be lost with the window; the close waits for it.
  if (!rmSets.CheckBrowseMode()) return false;
  State.Running = false;
  SetTimerListActive(false);
  StatTimer.SetEnabled(false);
  ProcessListInBackgroundTimer.SetEnabled(false);
  return true;
}

void TForm1::FormClose() {
  // The records of the last second and a half, deletions included, are not lost with the window.
  EmptyLogBuffer();
  if (!SaveStore()) dialogs_.ShowErrorBox(kCanNotSaveMessage);
  closed_ = true;
  loop_.Quit();
}

bool TForm1::Close() {
  if (closed_) return true;
  if (!fs.CloseQuery([this] { return FormCloseQuery(); })) return false;
  FormClose();
  return true;
}

void TForm1::EndSession() {
  if (closed_) return;
  State.Running = false;
  SetTimerListActive(false);
  StatTimer.SetEnabled(false);
  ProcessListInBackgroundTimer.SetEnabled(false);
  if (rmSets.Editing()) {
    if (!MissingFieldsMessage(rmSets.Current()).empty() || !rmSets.Post()) rmSets.Cancel();
  }
  fs.SaveFormState();
  FormClose();
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  ClearTimerItems();
  RunList.Clear();
  LogBuffer.clear();
}

bool TForm1::MakeStoreDirectory() {
  // The data directory does not exist before the first save of a fresh installation.
  return CreateDirectories(fs_, DirectoryOf(store_path_)).ok();
}

bool TForm1::SaveStore() {
  if (!MakeStoreDirectory()) return false;
  const bool saved = SaveProfiles(store_path_, rmSets, fs_, store_needs_backup_);
  if (saved) store_needs_backup_ = false;
  return saved;
}

bool TForm1::CanCreateFileIn(const std::string& dir) {
  const std::string probe = WithTrailingSlash(dir) + ".quillmor-write-test";
  auto file = fs_.Create(probe);
  if (!file.ok()) return false;
  const bool closed = file.value()->Close().ok();
  const bool removed = fs_.Remove(probe).ok();
  return closed && removed;
}

void TForm1::FillDefaultLogDirectory() {
  if (Log.deLogDir.Text().empty()) Log.deLogDir.SetText(DefaultLogDirectory());
}

std::string TForm1::DefaultLogDirectory() {
  // On a fresh installation the store's directory comes only with the first save; the first
  // session's records must not go nowhere meanwhile.
  (void)MakeStoreDirectory();
  const std::string store_dir = DirectoryOf(store_path_);
  if (CanCreateFileIn(store_dir)) return WithTrailingSlash(store_dir);
  const std::string data_dir = DataDirectory();
  (void)CreateDirectories(fs_, data_dir);
  return WithTrailingSlash(data_dir);
}

void TForm1::WriteLog(TLogKind kind, const std::string& text) {
  // Counted whether or not the log keeps it: an error nobody would read is still an error.
  if (kind == lkError) Notice.ErrorRecorded();
  qm::WriteLog(Log.Options(), kind, text, clock_.Now(), formats_, LogBuffer);
}

void TForm1::SetTrayAnimation(bool on) {
  if (tray_animated_ == on) return;
  tray_animated_ = on;
  TrayChanged();
}

void TForm1::SetTrayHint(const std::string& hint) {
  if (tray_hint_ == hint) return;
  tray_hint_ = hint;
  TrayChanged();
}

void TForm1::EmptyLogBuffer() {
  FlushBeforeEmptying(fs_, dialogs_, Log.Options(), LogBuffer, LogWriteFailed);
  LogBuffer.clear();
}

EngineContext TForm1::MakeEngineContext() {
  return EngineContext{fs_,          clock_, loop_,   dialogs_,
                       formats_,     State,  RunList, CopyProgressControls{psFile, lpsCurrentFile},
                       *engine_host_};
}

void TForm1::RunSelectedProfiles() {
  // With an empty table nothing is queued and the run ends at once with "Done.".
  std::vector<size_t> rows = grdProfs.SelectedRows;
  if (rows.empty() && !rmSets.IsEmpty()) rows.push_back(rmSets.RecNo() - 1);
  std::vector<TProfileRecord> selected;
  for (size_t row : rows) {
    if (row >= rmSets.RecordCount()) continue;
    selected.emplace_back();
    ProfileFromRow(rmSets.Row(row), selected.back());
  }
  grdProfs.ClearSelection();
  EmptyLogBuffer();
  EngineContext ctx = MakeEngineContext();
  qm::RunSelectedProfiles(
      ctx, selected, [&ctx](const TProfileRecord& profile) { qm::QueueProfile(ctx, profile); });
  // After a Stop the copy under way still finishes and makes its record: it is written now,
  // not left in the buffer until the next run.
  EmptyLogBuffer();
}

}  // namespace qm
