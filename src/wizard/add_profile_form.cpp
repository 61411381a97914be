#include <algorithm>
#include <cmath>

#include "platform/atomic_file.h"
#include "platform/date_time.h"
#include "platform/path_style.h"
#include "profiles/qmTypes.h"
#include "wizard/qmwzAddProfile.h"

namespace qm {

namespace {

using F = ProfileField;

// 51 pointer positions, 10 ms apart: about half a second onto the browse button.
constexpr int kGlideSteps = 50;
constexpr uint32_t kGlideStepMs = 10;
constexpr uint32_t kNameDelayMs = 500;

TDateTime TimeOfDay(int64_t h, int64_t m, int64_t s) {
  return static_cast<double>(h * 3600 + m * 60 + s) / 86400.0;
}

}  // namespace

TqmwzAddProfileForm::TqmwzAddProfileForm(ProfileTable& target, ui::MessageLoop& loop,
                                         ui::Dialogs& dialogs, FileSystem& files, DiskSource& disks,
                                         RememberedChoices& choices, std::string& remembered_filter)
    : Timer1(loop, "Timer1", kNameDelayMs),
      target_(target),
      loop_(loop),
      dialogs_(dialogs),
      files_(files),
      disks_(disks),
      fs_(choices),
      remembered_filter_(remembered_filter) {
  pages_ = {&t1, &t2, &t3, &t4, &t5, &t6, &t7, &t8};
  for (ui::TabSheet* page : pages_) {
    PC.AddPage(*page);
    page->SetTabVisible(page == &t1);
  }
  PC.SetActivePage(&t1);
  SetTexts();
  ConnectHandlers();
  RefreshButtons();
}

TqmwzAddProfileForm::~TqmwzAddProfileForm() {
  Timer1.SetEnabled(false);
}

void TqmwzAddProfileForm::SetTexts() {
  bBack.SetHint("Go to the previous step");
  bNext.SetHint("Go to the next step");
  bCancel.SetHint("Deny changes and exit");

  lWelcome.SetCaption("Welcome to the Profile Wizard!");
  lWelcomeText.SetCaption(
      "This wizard allows you to add and configure a new profile.\r\nEach backup work have the "
      "corresponding profile completely describing it.\r\nOne profile defines the set of the "
      "obligatory parameters and the facultative parameters.");
  lWelcomeMore.SetCaption(
      "You can add one or more profiles in one Wizard run.\r\nAfter you finish in Wizard, just "
      "press the \"Start\" button in bottom of Quillmor main window to start backup work.\r\nAlso "
      "you can press the \"Background mode\" button to start it hidden.");
  lWelcomeNext.SetCaption("Press the \"Next\" button to continue, or \"Cancel\" to exit.");

  lSrcDir.SetCaption("Please, specify what directory contains the files that you want to backup:");
  eSrcDir.SetHint(
      "Enter the directory path here or press the button at right side to browse the "
      "directories");
  eSrcDirButton.SetHint("Press this button to browse directories");
  lDirExists.SetColor(kMaroon);
  lDirExists.SetVisible(false);
  lSubDirs.SetCaption("Include the files in the sub directories?");
  rSubDirs1.SetCaption(
      "Yes, I want to backup the files from source directory and the files in the sub "
      "directories beneath source");
  rSubDirs2.SetCaption(
      "No, I want to backup the files in the source directory only, not files in sub "
      "directories.");
  lName.SetCaption("Name of the profile (to differ the profiles one from another):");
  eName.SetMaxLength(static_cast<int>(TextFieldSize(F::Name)));
  eSrcDir.SetMaxLength(static_cast<int>(TextFieldSize(F::SrcDir)));
  eDestDir.SetMaxLength(static_cast<int>(TextFieldSize(F::DestDir)));
  eFilter.SetMaxLength(static_cast<int>(TextFieldSize(F::FileMask)));

  rgUseFilter.SetCaption("Would you like to backup all the files from source directory?");
  rgUseFilter.SetItems(
      {"Yes, I would you like to backup all the files.", "No, I want set the filter below"});
  rgUseFilter.SetItemIndex(0);
  lFilterHelp.SetCaption(
      "Filter is the string with the file masks listed through the semicolon:\r\n\"*\"  sign "
      "means \"any symbols \",\r\n\"?\" sign means \"any one symbol\", other letters defines a "
      "match.\r\nE.g. for MS Word files one can set filter \"*.doc\", for all text files - "
      "\"*.doc;*.wri;*.txt\"\r\n\"*.*\" means all files");

  lDisks.SetCaption("Here is the list with the drives and the free space available on them:");
  lSameDisk.SetCaption(
      "The source directory is on this disk too: one failing disk would take both the "
      "original and the backup.");
  lSameDisk.SetColor(kMaroon);
  lSameDisk.SetVisible(false);
  lArchiveHelp.SetCaption(
      "All the backed up files must be placed in the reliable disk with enough free space. "
      "\r\nUsually one creates the directory named \"Archive\" on that disk and puts all back up "
      "works into the sub directories created beneath it. E.g. if selected disk is / "
      "\r\n\"~/Archive\" - the root for all the back up works\r\n\"~/Archive/MyDocs\" - archive "
      "from \"My Documents\" folder\r\n\"~/Archive/Work\" - archive from a current work "
      "folder.");
  lDestDir.SetCaption(
      "Please, select or create a destination directory which will contain the archive:");
  eDestDirButton.SetHint("Press this button to browse directories");

  lZIP.SetCaption(
      "Would you like the files in the archive be compressed?\r\nIf the files are compressed "
      "they takes lower disk place. Quillmor uses ZIP compression, so it is easy to restore "
      "files using any ZIP tool.\r\nIf the files are not compressed it is easy to restore them "
      "using standard Windows Explorer by copying them from archive to the source "
      "folder.\r\n\r\nNote: some files (JPEG and GIF graphics, MP3 audio and some others) are "
      "already compressed and there is no need to compress them more.");
  rZIPYes.SetCaption("Yes, store my files compressed");
  rZIPNo.SetCaption("No, let my files be just copied from the source directory to the archive");

  lReady1.SetCaption(
      "Ready.\r\nNow you can finish, or set up the additional parameters to the profile.\r\nAlso "
      "you can save current profile and create new one.");
  bSaveAndAgane.SetCaption("Save current profile and create one more profile");
  bContinue1.SetCaption("Set the additional parameters to the profile");

  rSMBackupOnly.SetCaption(
      "backup only. The files must be copied from the source directory into the destination "
      "directory");
  rSMSync.SetCaption(
      "synchronisation. The newer files from the source directory must be copied into the "
      "destination directory and the newer files in destination directory must be copied into "
      "the source directory. The older files in both directories must be overwritten by the "
      "newer files.");
  lIntervalText.SetCaption(
      "When Quillmor works in the background mode each profile starts through some time "
      "interval (re-backup interval).\r\nE.g. if last backup started at 08:00 and the re-backup "
      "interval is 10 minutes then the next time it run is 08:10");
  lIntervalText.SetHint("Quillmor will re-backup the files through this time interval");

  lReady2.SetCaption("Ready.\r\nNow you can finish, or save current profile and create new one.");
  bSave2.SetCaption("Save current profile and create one more profile");
}

void TqmwzAddProfileForm::ConnectHandlers() {
  bBack.OnClick = [this] { bBackClick(); };
  bNext.OnClick = [this] { bNextClick(); };
  bCancel.OnClick = [this] { (void)Close(); };
  // Every change of the typed text counts as a key release in the field.
  eSrcDir.OnChange = [this] { eSrcDirKeyUp(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  eSrcDirButton.OnClick = [this] { eSrcDirButtonClick(); };
  rgUseFilter.OnChange = [this] { rgUseFilterClick(); };
  lbDisks.OnChange = [this] { lbDisksClick(); };
  eDestDirButton.OnClick = [this] { eDestDirButtonClick(); };
  for (ui::CheckBox* radio :
       {&rSubDirs1, &rSubDirs2, &rZIPYes, &rZIPNo, &rSMBackupOnly, &rSMSync}) {
    // A click on a radio button chooses it; it cannot be unchosen by a second click.
    radio->OnClick = [this, radio] { ChooseRadio(*radio); };
  }
  bSaveAndAgane.OnClick = [this] { bSaveAndAganeClick(); };
  bContinue1.OnClick = [this] { bContinue1Click(); };
  bFinish.OnClick = [this] { bFinishClick(); };
  bSave2.OnClick = [this] { bSave2Click(); };
  BitBtn1.OnClick = [this] { BitBtn1Click(); };
}

ui::CheckBox* TqmwzAddProfileForm::RadioPartner(const ui::CheckBox& radio) {
  const std::pair<ui::CheckBox*, ui::CheckBox*> pairs[] = {
      {&rSubDirs1, &rSubDirs2}, {&rZIPYes, &rZIPNo}, {&rSMBackupOnly, &rSMSync}};
  for (const auto& [a, b] : pairs) {
    if (&radio == a) return b;
    if (&radio == b) return a;
  }
  return nullptr;
}

void TqmwzAddProfileForm::ChooseRadio(ui::CheckBox& radio) {
  radio.SetChecked(true);
  if (ui::CheckBox* other = RadioPartner(radio)) other->SetChecked(false);
}

int TqmwzAddProfileForm::PageIndex() const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i] == PC.ActivePage()) return static_cast<int>(i);
  }
  return 0;
}

ui::Button& TqmwzAddProfileForm::DefaultButton() {
  switch (PageIndex()) {
    case 5:
      return bFinish;
    case 7:
      return BitBtn1;
    default:
      return bNext;
  }
}

std::vector<ChoiceProperty> TqmwzAddProfileForm::ChoiceProperties() {
  auto radio = [this](ui::CheckBox& box) {
    return ChoiceProperty{box.name() + "_Checked", [&box] { return BoolText(box.Checked()); },
                          [this, &box](const std::string& text) {
                            bool checked = box.Checked();
                            ReadBoolText(text, checked);
                            if (checked) {
                              ChooseRadio(box);
                            } else {
                              box.SetChecked(false);
                            }
                          }};
  };
  return {
      radio(rSubDirs1),
      radio(rSubDirs2),
      {"eFilter_Text", [this] { return eFilter.Text(); },
       [this](const std::string& text) { eFilter.SetText(text); }},
      {"rgUseFilter_ItemIndex", [this] { return std::to_string(rgUseFilter.ItemIndex()); },
       [this](const std::string& text) {
         // Choosing an item of the group runs its click, as a user's choice would.
         const int index = ReadIntText(text);
         if (index < 0 || index > 1 || index == rgUseFilter.ItemIndex()) return;
         rgUseFilter.SetItemIndex(index);
         rgUseFilterClick();
       }},
      radio(rZIPNo),
      radio(rZIPYes),
  };
}

void TqmwzAddProfileForm::Show() {
  fs_.Restore(ChoiceProperties());
  // A damaged store may have unchecked both choices of a pair; the initial one stands then.
  if (!rSubDirs1.Checked() && !rSubDirs2.Checked()) ChooseRadio(rSubDirs1);
  if (!rZIPYes.Checked() && !rZIPNo.Checked()) ChooseRadio(rZIPNo);
  FormShow();
}

void TqmwzAddProfileForm::FormShow() {
  for (ui::TabSheet* page : pages_) page->SetTabVisible(page == &t1);
  PC.SetActivePage(&t1);
  bNext.SetEnabled(true);
  if (window_) window_->Focus(bNext);
  eSrcDir.SetText({});
  eDestDir.SetText({});
  eName.SetText({});
  RefreshButtons();
}

void TqmwzAddProfileForm::RefreshButtons() {
  const int page = PageIndex();
  bBack.SetEnabled(page != 0);
  bNext.SetEnabled(page != kWizardPageCount - 1);
  if (page == 1) {
    const std::string& text = eSrcDir.Text();
    bNext.SetEnabled(!text.empty() && DirectoryExists(text));
    if (!text.empty()) {
      if (bNext.Enabled()) {
        lDirExists.SetVisible(false);
      } else {
        lDirExists.SetCaption("Directory \"" + AddDirSeparator(text) + "\" does not exsists!");
        lDirExists.SetVisible(true);
      }
    }
  }
  if (page == 2) {
    const bool own_filter = rgUseFilter.ItemIndex() == 1;
    eFilter.SetEnabled(own_filter);
    lFilter.SetEnabled(own_filter);
  }
  if (page == 5) bNext.SetEnabled(false);
}

void TqmwzAddProfileForm::GoToPage(int index) {
  ui::TabSheet* left = PC.ActivePage();
  ui::TabSheet* page = pages_[static_cast<size_t>(index)];
  page->SetTabVisible(true);
  PC.SetActivePage(page);
  if (left && left != page) left->SetTabVisible(false);
  RefreshButtons();
}

void TqmwzAddProfileForm::bNextClick() {
  const int page = PageIndex();
  if (page == kWizardPageCount - 1) return;
  if (page == 3 && !CreateDestination()) return;
  GoToPage(page + 1);
  if (page + 1 == 1) {
    if (window_) window_->Focus(eSrcDir);
    if (eSrcDir.Text().empty()) GlidePointerToBrowseButton();
  }
  if (page + 1 == 3) FillDiskList();
}

void TqmwzAddProfileForm::bBackClick() {
  const int page = PageIndex();
  if (page == 0) return;
  GoToPage(page - 1);
}

void TqmwzAddProfileForm::GlidePointerToBrowseButton() {
  if (!window_) return;
  const WizardWindow::Point start = window_->CursorPos();
  const WizardWindow::Point corner = window_->SrcDirBottomRight();
  const WizardWindow::Point target{corner.x - 10, corner.y - 10};
  for (int i = 0; i <= kGlideSteps; ++i) {
    // The user may close the wizard while the pointer moves: messages are handled meanwhile.
    if (closed_) return;
    const auto step = [i](int from, int to) {
      return static_cast<int>(
          std::lround(from + (to - from) * static_cast<double>(i) / kGlideSteps));
    };
    window_->SetCursorPos({step(start.x, target.x), step(start.y, target.y)});
    ui::PauseWithMessages(loop_, kGlideStepMs);
  }
}

bool TqmwzAddProfileForm::DirectoryExists(const std::string& path) {
  const Result<DirEntry> entry = files_.Stat(path);
  return entry.ok() && entry.value().is_directory();
}

std::string TqmwzAddProfileForm::SourceMountPoint(const std::string& path) {
  std::string mount = disks_.MountPointOf(path);
  if (mount.empty()) mount = ContainingMountPoint(disks_.Volumes(), path);
  return mount;
}

std::string TqmwzAddProfileForm::ProposedName(const std::string& path) {
  const std::string mount = SourceMountPoint(path);
  return ProposedProfileName(path, VolumeLabel(mount.empty() ? "/" : mount));
}

void TqmwzAddProfileForm::eSrcDirKeyUp() {
  lDirExists.SetVisible(false);
  // A timer already running is not restarted: the name follows the typing every half second.
  if (!Timer1.Enabled()) Timer1.SetEnabled(true);
}

void TqmwzAddProfileForm::Timer1Timer() {
  Timer1.SetEnabled(false);
  eName.SetText({});
  eSrcDirExit();
}

void TqmwzAddProfileForm::eSrcDirExit() {
  RefreshButtons();
  last_src_dir_ = eSrcDir.Text();
  if (eName.Text().empty() && !eSrcDir.Text().empty()) eName.SetText(ProposedName(eSrcDir.Text()));
}

void TqmwzAddProfileForm::eSrcDirButtonClick() {
  const std::string start = DirectoryExists(last_src_dir_) ? last_src_dir_ : std::string();
  const std::optional<std::string> chosen = dialogs_.BrowseForFolder(kSourceBrowseTitle, start);
  if (!chosen || chosen->empty()) return;
  last_src_dir_ = *chosen;
  eName.SetText(ProposedName(*chosen));
  eSrcDir.SetText(*chosen);
  bNext.SetEnabled(true);
  lDirExists.SetVisible(false);
}

void TqmwzAddProfileForm::rgUseFilterClick() {
  RefreshButtons();
  if (rgUseFilter.ItemIndex() == 0) {
    remembered_filter_ = eFilter.Text();
    eFilter.SetText(kAllFilesMask);
  } else if (rgUseFilter.ItemIndex() == 1 && remembered_filter_ != kAllFilesMask) {
    eFilter.SetText(remembered_filter_);
  }
}

void TqmwzAddProfileForm::FillDiskList() {
  const DiskList list = BuildDiskList(disks_);
  disk_lines_ = list.lines;
  std::vector<std::string> texts;
  for (const DiskLine& line : list.lines) texts.push_back(line.text);
  lbDisks.SetItems(std::move(texts));
  lbDisks.SetItemIndex(-1);
  lSameDisk.SetVisible(false);
  lRecomended.SetCaption(list.recommended);
  lSelected.SetCaption(list.recommended);
  if (list.recommended_index >= 0 && list.recommended_index < static_cast<int>(list.lines.size())) {
    lbDisks.SetItemIndex(list.recommended_index);
    lbDisksClick();
  }
}

void TqmwzAddProfileForm::lbDisksClick() {
  const int index = lbDisks.ItemIndex();
  if (index < 0 || index >= static_cast<int>(disk_lines_.size())) return;
  const DiskLine& line = disk_lines_[static_cast<size_t>(index)];
  lSelected.SetCaption(line.mount_point);
  if (eDestDir.Text().empty()) {
    dest_browse_start_ = line.archive_dir;
    eDestDir.SetText(dest_browse_start_ + FolderNameFromProfileName(eName.Text()));
  }
  // One failing disk would take both the original and the backup.
  lSameDisk.SetVisible(!eSrcDir.Text().empty() &&
                       SourceMountPoint(eSrcDir.Text()) == line.mount_point);
}

void TqmwzAddProfileForm::eDestDirButtonClick() {
  std::string start = eDestDir.Text().empty() ? dest_browse_start_ : eDestDir.Text();
  if (!DirectoryExists(start)) start = "/";
  const std::optional<std::string> chosen = dialogs_.ChooseDirectoryToCreate(
      start, [this](const std::string&) { return dialogs_.Confirm(kDestCreateQuestion); });
  if (!chosen) return;
  // A directory that cannot be created is reported by Next, like a typed one.
  if (!OnDriveWithoutMedium(*chosen)) (void)CreateDirectories(files_, *chosen);
  eDestDir.SetText(*chosen);
  if (DirectoryExists(*chosen)) dest_browse_start_ = *chosen;
}

bool TqmwzAddProfileForm::OnDriveWithoutMedium(const std::string& dir) {
  // With its medium out, a drive's folder is an empty folder on the disk beneath: nothing is
  // created there, or the backup would silently fill that other disk.
  const std::vector<Volume> volumes = disks_.Volumes();
  const std::string mount = ContainingMountPoint(volumes, dir);
  return std::any_of(volumes.begin(), volumes.end(),
                     [&](const Volume& v) { return v.mount_point == mount && !v.mounted; });
}

bool TqmwzAddProfileForm::CreateDestination() {
  const std::string& dir = eDestDir.Text();
  // A relative name would land wherever the program happens to run.
  if (dir.empty() || dir.front() != '/') {
    dialogs_.ShowApplicationError(ui::ApplicationErrorText("Unable to create directory"));
    return false;
  }
  if (!OnDriveWithoutMedium(dir) && CreateDirectories(files_, dir).ok()) return true;
  dialogs_.ShowErrorBox("Can not create directory \"" + dir +
                        "\"\rPropably the name is invalid or disk is read olny.");
  return false;
}

void TqmwzAddProfileForm::SaveProfile(bool with_additional_parameters) {
  // A row an earlier save left unsaved keeps the table from appending; it is written instead.
  if (!target_.Append()) (void)target_.Edit();
  ProfileTable& t = target_;
  t.SetBool(F::Enabled, true);
  t.SetText(F::Name, eName.Text());
  t.SetText(F::SrcDir, eSrcDir.Text());
  t.SetText(F::DestDir, eDestDir.Text());
  t.SetText(F::FileMask,
            rgUseFilter.ItemIndex() == 0 ? std::string(kAllFilesMask) : eFilter.Text());
  t.SetBool(F::InclDirs, rSubDirs1.Checked());
  t.SetInt(F::CopyCriteria, 0);
  t.SetBool(F::doZIP, rZIPYes.Checked());
  // The additional page counts only when the user went on to it.
  t.SetInt(F::SyncMethod,
           with_additional_parameters && rSMSync.Checked() ? kSyncBothWays : kSyncOneWay);
  // The hours field reaches 24: that is one whole day, the longest interval the page offers,
  // and a valid interval rather than a time of day to refuse.
  const TDateTime interval =
      with_additional_parameters
          ? std::min(TimeOfDay(eH.Value(), eM.Value(), eS.Value()), 1.0)
          : TimeOfDay(kWizardIntervalHours, kWizardIntervalMinutes, kWizardIntervalSeconds);
  if (!t.SetDateTime(F::Interval, interval)) return;
  if (!t.SetDateTime(F::LastRun, 0) || !t.SetDateTime(F::NextRun, 0)) return;
  t.SetInt(F::KeepCopyKind, kKeepNone);
  t.SetInt(F::PSDone, 0);
  t.SetInt(F::zipMode, 9);
  t.SetBool(F::RemoveDeleted, false);
  t.SetBool(F::UseStartTimeEndTime, false);
  if (!t.SetDateTime(F::StartTime, TimeOfDay(8, 0, 0))) return;
  if (!t.SetDateTime(F::FinishTime, TimeOfDay(18, 0, 0))) return;
  // A refused post is reported by the table's own check; the row stays for the user to mend.
  (void)t.Post();
}

void TqmwzAddProfileForm::bSaveAndAganeClick() {
  SaveProfile(false);
  FormShow();
}

void TqmwzAddProfileForm::bFinishClick() {
  SaveProfile(false);
  FinishAndClose();
}

void TqmwzAddProfileForm::bSave2Click() {
  SaveProfile(true);
  FormShow();
}

void TqmwzAddProfileForm::BitBtn1Click() {
  SaveProfile(true);
  FinishAndClose();
}

void TqmwzAddProfileForm::FinishAndClose() {
  finished_ = true;
  (void)Close();
}

bool TqmwzAddProfileForm::FormCloseQuery() {
  if (eSrcDir.Text().empty() || finished_) return true;
  return dialogs_.Confirm(kWizardCloseQuestion);
}

bool TqmwzAddProfileForm::Close() {
  if (closed_) return true;
  if (!FormCloseQuery()) return false;
  closed_ = true;
  Timer1.SetEnabled(false);
  fs_.Save(ChoiceProperties());
  if (window_) window_->CloseWindow();
  return true;
}

void ShowAddProfileWizard(ProfileTable& table, const WizardServices& services) {
  TqmwzAddProfileForm form(table, services.loop, services.dialogs, services.files, services.disks,
                           services.choices, services.remembered_filter);
  services.presenter.RunModal(form);
}

}  // namespace qm
