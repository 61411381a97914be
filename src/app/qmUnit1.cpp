#include "app/qmUnit1.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "app/main_form_state.h"
#include "app/run_controls_of.h"
#include "platform/app_paths.h"
#include "platform/shell.h"
#include "profiles/profile_rules.h"
#include "profiles/qmProcs.h"

namespace qm {

namespace {

std::string UpperCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

TForm1::TForm1(FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
               RegionalFormats formats, std::string store_path, std::vector<std::string> args,
               FormWindow& window)
    : session_(fs, clock, loop, dialogs, std::move(formats), std::move(store_path)),
      rmSets(session_.rmSets),
      State(session_.State),
      OnAfterShowTimer(loop, "OnAfterShowTimer", 100),
      Editor(*this, dialogs, fs, clock),
      registry(ConfigDirectory(), fs),
      fs(registry, dialogs, MainFormSettings(), MainFormProperties(*this)),
      ExecutableFile(ExecutablePath()),
      fs_(fs),
      clock_(clock),
      loop_(loop),
      dialogs_(dialogs),
      args_(std::move(args)),
      window_(window),
      run_(State, RunControlsOf(*this), *this, loop, dialogs),
      run_view_(StatisticsPageControls{lStatus,
                                       lfopToday,
                                       lfopHour,
                                       lfopMinute,
                                       lStartedAt,
                                       lFinishExpectedAt,
                                       lProfilesToPperate,
                                       lFilesToTotal,
                                       lFilesLeft,
                                       psTotal,
                                       lpsTotal,
                                       lCurrentProfile,
                                       lCurrStartedAt,
                                       lCurrFinishExpectedAt,
                                       lFilesToOperate,
                                       lCurrFilesLeft,
                                       psProfile,
                                       lpsCurrentprofile,
                                       lCurrentFile,
                                       psFile,
                                       lpsCurrentFile},
                session_.formats(), State, session_.RunList,
                TrayOutput{[this](bool on) { SetTrayAnimation(on); },
                           [this](const std::string& hint) { SetTrayHint(hint); }}) {
  session_.Watch(run_view_);
  session_.Watch(run_);
  session_.StatisticsUpdated.Connect(
      [this](const StatisticsSnapshot& snapshot) { run_view_.ShowStatistics(snapshot); });
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
  CloseItem.OnClick = Guarded([this] { run_.CloseItemClick([this] { Close(); }); });
  OnAfterShowTimer.OnTimer = Guarded([this] { OnAfterShowTimerTimer(); });
  session_.StatTimer.OnTimer = Guarded([this] { session_.UpdateStatistics(); });
  session_.ProcessListInBackgroundTimer.OnTimer =
      Guarded(session_.ProcessListInBackgroundTimer.OnTimer);
  FollowLogOptions();
}

void TForm1::FollowLogOptions() {
  const auto follow = [this] { session_.SetLogOptions(Log.Options()); };
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &Log.chLogCreate, &Log.deLogDir, &Log.chLogLimitSize, &Log.eLogLimit, &Log.chLogInfo,
           &Log.chLogErrors, &Log.chLogDeletes, &Log.chLogSucc})
    c->Changed().Connect(follow);
  follow();
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
  // The session has loaded the store.
  WindowShown = false;
  bStart.SetGlyph(kImgStart);
  bStartBackground.SetGlyph(kImgBackgroundStart);
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
  session_.StopTimers();
  return true;
}

void TForm1::FormClose() {
  // The records of the last second and a half, deletions included, are not lost with the window.
  session_.EmptyLogBuffer();
  if (!session_.SaveStore()) dialogs_.ShowErrorBox(kCanNotSaveMessage);
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
  session_.StopTimers();
  if (rmSets.Editing()) {
    if (!MissingFieldsMessage(rmSets.Current()).empty() || !rmSets.Post()) rmSets.Cancel();
  }
  fs.SaveFormState();
  FormClose();
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  session_.ClearTimerItems();
  session_.RunList.Clear();
  session_.LogBuffer.clear();
}

void TForm1::FillDefaultLogDirectory() {
  if (Log.deLogDir.Text().empty()) Log.deLogDir.SetText(session_.DefaultLogDirectory());
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

void TForm1::StopRun() {
  session_.StopWork();
  run_view_.ShowStopped();
}

void TForm1::StopBackgroundMode() {
  session_.StopBackgroundMode();
  run_view_.ShowStopped();
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
  session_.RunSelected(selected);
}

}  // namespace qm
