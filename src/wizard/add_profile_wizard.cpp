#include <algorithm>
#include <cmath>

#include "platform/atomic_file.h"
#include "platform/date_time.h"
#include "platform/path_style.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
#include "wizard/add_profile_wizard.h"

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

AddProfileWizard::AddProfileWizard(ProfileTable& target, ui::MessageLoop& loop,
                                   ui::Dialogs& dialogs, FileSystem& files, DiskSource& disks,
                                   RememberedChoices& choices, std::string& remembered_filter)
    : name_timer(loop, "name_timer", kNameDelayMs),
      target_(target),
      loop_(loop),
      dialogs_(dialogs),
      files_(files),
      disks_(disks),
      fs_(choices),
      remembered_filter_(remembered_filter) {
  pages_ = {&welcome_page,     &source_page, &filter_page,     &destination_page,
            &compression_page, &ready_page,  &additional_page, &final_ready_page};
  for (ui::TabSheet* page : pages_) {
    page_control.AddPage(*page);
    page->SetTabVisible(page == &welcome_page);
  }
  page_control.SetActivePage(&welcome_page);
  SetTexts();
  ConnectHandlers();
  RefreshButtons();
}

AddProfileWizard::~AddProfileWizard() {
  name_timer.SetEnabled(false);
}

void AddProfileWizard::SetTexts() {
  back_button.SetHint("Go to the previous step");
  next_button.SetHint("Go to the next step");
  cancel_button.SetHint("Deny changes and exit");

  welcome_label.SetCaption("Welcome to the Profile Wizard!");
  welcome_text_label.SetCaption(
      "This wizard allows you to add and configure a new profile.\r\nEach backup work have the "
      "corresponding profile completely describing it.\r\nOne profile defines the set of the "
      "obligatory parameters and the facultative parameters.");
  welcome_more_label.SetCaption(
      "You can add one or more profiles in one Wizard run.\r\nAfter you finish in Wizard, just "
      "press the \"Start\" button in bottom of Quillmor main window to start backup work.\r\nAlso "
      "you can press the \"Background mode\" button to start it hidden.");
  welcome_next_label.SetCaption("Press the \"Next\" button to continue, or \"Cancel\" to exit.");

  source_folder_label.SetCaption(
      "Please, specify what directory contains the files that you want to backup:");
  source_folder_edit.SetHint(
      "Enter the directory path here or press the button at right side to browse the "
      "directories");
  source_browse_button.SetHint("Press this button to browse directories");
  folder_missing_label.SetColor(kMaroon);
  folder_missing_label.SetVisible(false);
  subfolders_label.SetCaption("Include the files in the sub directories?");
  include_subfolders_radio.SetCaption(
      "Yes, I want to backup the files from source directory and the files in the sub "
      "directories beneath source");
  exclude_subfolders_radio.SetCaption(
      "No, I want to backup the files in the source directory only, not files in sub "
      "directories.");
  profile_name_label.SetCaption("Name of the profile (to differ the profiles one from another):");
  profile_name_edit.SetMaxLength(static_cast<int>(TextFieldSize(F::Name)));
  source_folder_edit.SetMaxLength(static_cast<int>(TextFieldSize(F::SrcDir)));
  destination_folder_edit.SetMaxLength(static_cast<int>(TextFieldSize(F::DestDir)));
  filter_edit.SetMaxLength(static_cast<int>(TextFieldSize(F::FileMask)));

  use_filter_group.SetCaption("Would you like to backup all the files from source directory?");
  use_filter_group.SetItems(
      {"Yes, I would you like to backup all the files.", "No, I want set the filter below"});
  use_filter_group.SetItemIndex(0);
  filter_help_label.SetCaption(
      "Filter is the string with the file masks listed through the semicolon:\r\n\"*\"  sign "
      "means \"any symbols \",\r\n\"?\" sign means \"any one symbol\", other letters defines a "
      "match.\r\nE.g. for MS Word files one can set filter \"*.doc\", for all text files - "
      "\"*.doc;*.wri;*.txt\"\r\n\"*.*\" means all files");

  disks_label.SetCaption("Here is the list with the drives and the free space available on them:");
  same_disk_label.SetCaption(
      "The source directory is on this disk too: one failing disk would take both the "
      "original and the backup.");
  same_disk_label.SetColor(kMaroon);
  same_disk_label.SetVisible(false);
  archive_help_label.SetCaption(
      "All the backed up files must be placed in the reliable disk with enough free space. "
      "\r\nUsually one creates the directory named \"Archive\" on that disk and puts all back up "
      "works into the sub directories created beneath it. E.g. if selected disk is / "
      "\r\n\"~/Archive\" - the root for all the back up works\r\n\"~/Archive/MyDocs\" - archive "
      "from \"My Documents\" folder\r\n\"~/Archive/Work\" - archive from a current work "
      "folder.");
  destination_folder_label.SetCaption(
      "Please, select or create a destination directory which will contain the archive:");
  destination_browse_button.SetHint("Press this button to browse directories");

  zip_label.SetCaption(
      "Would you like the files in the archive be compressed?\r\nIf the files are compressed "
      "they takes lower disk place. Quillmor uses ZIP compression, so it is easy to restore "
      "files using any ZIP tool.\r\nIf the files are not compressed it is easy to restore them "
      "using standard Windows Explorer by copying them from archive to the source "
      "folder.\r\n\r\nNote: some files (JPEG and GIF graphics, MP3 audio and some others) are "
      "already compressed and there is no need to compress them more.");
  zip_yes_radio.SetCaption("Yes, store my files compressed");
  zip_no_radio.SetCaption(
      "No, let my files be just copied from the source directory to the archive");

  ready_label.SetCaption(
      "Ready.\r\nNow you can finish, or set up the additional parameters to the profile.\r\nAlso "
      "you can save current profile and create new one.");
  save_and_add_another_button.SetCaption("Save current profile and create one more profile");
  continue_button.SetCaption("Set the additional parameters to the profile");

  backup_only_radio.SetCaption(
      "backup only. The files must be copied from the source directory into the destination "
      "directory");
  synchronize_radio.SetCaption(
      "synchronisation. The newer files from the source directory must be copied into the "
      "destination directory and the newer files in destination directory must be copied into "
      "the source directory. The older files in both directories must be overwritten by the "
      "newer files.");
  interval_text_label.SetCaption(
      "When Quillmor works in the background mode each profile starts through some time "
      "interval (re-backup interval).\r\nE.g. if last backup started at 08:00 and the re-backup "
      "interval is 10 minutes then the next time it run is 08:10");
  interval_text_label.SetHint("Quillmor will re-backup the files through this time interval");

  final_ready_label.SetCaption(
      "Ready.\r\nNow you can finish, or save current profile and create new one.");
  final_save_and_add_another_button.SetCaption("Save current profile and create one more profile");
}

void AddProfileWizard::ConnectHandlers() {
  back_button.OnClick = [this] { GoBack(); };
  next_button.OnClick = [this] { GoNext(); };
  cancel_button.OnClick = [this] { (void)Close(); };
  // Every change of the typed text counts as a key release in the field.
  source_folder_edit.OnChange = [this] { SourceTyped(); };
  name_timer.OnTimer = [this] { ProposeNameAfterTyping(); };
  source_browse_button.OnClick = [this] { BrowseSource(); };
  use_filter_group.OnChange = [this] { ApplyFilterChoice(); };
  disk_list.OnChange = [this] { SelectDisk(); };
  destination_browse_button.OnClick = [this] { BrowseDestination(); };
  for (ui::CheckBox* radio : {&include_subfolders_radio, &exclude_subfolders_radio, &zip_yes_radio,
                              &zip_no_radio, &backup_only_radio, &synchronize_radio}) {
    // A click on a radio button chooses it; it cannot be unchosen by a second click.
    radio->OnClick = [this, radio] { ChooseRadio(*radio); };
  }
  save_and_add_another_button.OnClick = [this] { SaveAndAddAnother(); };
  continue_button.OnClick = [this] { ContinueToAdditional(); };
  finish_button.OnClick = [this] { SaveAndFinish(); };
  final_save_and_add_another_button.OnClick = [this] { SaveWithParametersAndAddAnother(); };
  final_finish_button.OnClick = [this] { SaveWithParametersAndFinish(); };
}

ui::CheckBox* AddProfileWizard::RadioPartner(const ui::CheckBox& radio) {
  const std::pair<ui::CheckBox*, ui::CheckBox*> pairs[] = {
      {&include_subfolders_radio, &exclude_subfolders_radio},
      {&zip_yes_radio, &zip_no_radio},
      {&backup_only_radio, &synchronize_radio}};
  for (const auto& [a, b] : pairs) {
    if (&radio == a) return b;
    if (&radio == b) return a;
  }
  return nullptr;
}

void AddProfileWizard::ChooseRadio(ui::CheckBox& radio) {
  radio.SetChecked(true);
  if (ui::CheckBox* other = RadioPartner(radio)) other->SetChecked(false);
}

int AddProfileWizard::PageIndex() const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i] == page_control.ActivePage()) return static_cast<int>(i);
  }
  return 0;
}

ui::Button& AddProfileWizard::DefaultButton() {
  switch (PageIndex()) {
    case 5:
      return finish_button;
    case 7:
      return final_finish_button;
    default:
      return next_button;
  }
}

std::vector<ChoiceProperty> AddProfileWizard::ChoiceProperties() {
  auto radio = [this](std::string stored_name, ui::CheckBox& box) {
    return ChoiceProperty{std::move(stored_name), [&box] { return BoolText(box.Checked()); },
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
      radio("rSubDirs1_Checked", include_subfolders_radio),
      radio("rSubDirs2_Checked", exclude_subfolders_radio),
      {"eFilter_Text", [this] { return filter_edit.Text(); },
       [this](const std::string& text) { filter_edit.SetText(text); }},
      {"rgUseFilter_ItemIndex", [this] { return std::to_string(use_filter_group.ItemIndex()); },
       [this](const std::string& text) {
         // Choosing an item of the group runs its click, as a user's choice would.
         const int index = ReadIntText(text);
         if (index < 0 || index > 1 || index == use_filter_group.ItemIndex()) return;
         use_filter_group.SetItemIndex(index);
         ApplyFilterChoice();
       }},
      radio("rZIPNo_Checked", zip_no_radio),
      radio("rZIPYes_Checked", zip_yes_radio),
  };
}

void AddProfileWizard::Show() {
  fs_.Restore(ChoiceProperties());
  // A damaged store may have unchecked both choices of a pair; the initial one stands then.
  if (!include_subfolders_radio.Checked() && !exclude_subfolders_radio.Checked())
    ChooseRadio(include_subfolders_radio);
  if (!zip_yes_radio.Checked() && !zip_no_radio.Checked()) ChooseRadio(zip_no_radio);
  FormShow();
}

void AddProfileWizard::FormShow() {
  for (ui::TabSheet* page : pages_) page->SetTabVisible(page == &welcome_page);
  page_control.SetActivePage(&welcome_page);
  next_button.SetEnabled(true);
  if (window_) window_->Focus(next_button);
  source_folder_edit.SetText({});
  destination_folder_edit.SetText({});
  profile_name_edit.SetText({});
  RefreshButtons();
}

void AddProfileWizard::RefreshButtons() {
  const int page = PageIndex();
  back_button.SetEnabled(page != 0);
  next_button.SetEnabled(page != kWizardPageCount - 1);
  if (page == 1) {
    const std::string& text = source_folder_edit.Text();
    next_button.SetEnabled(!text.empty() && DirectoryExists(text));
    if (!text.empty()) {
      if (next_button.Enabled()) {
        folder_missing_label.SetVisible(false);
      } else {
        folder_missing_label.SetCaption("Directory \"" + AddDirSeparator(text) +
                                        "\" does not exsists!");
        folder_missing_label.SetVisible(true);
      }
    }
  }
  if (page == 2) {
    const bool own_filter = use_filter_group.ItemIndex() == 1;
    filter_edit.SetEnabled(own_filter);
    filter_label.SetEnabled(own_filter);
  }
  if (page == 5) next_button.SetEnabled(false);
}

void AddProfileWizard::GoToPage(int index) {
  ui::TabSheet* left = page_control.ActivePage();
  ui::TabSheet* page = pages_[static_cast<size_t>(index)];
  page->SetTabVisible(true);
  page_control.SetActivePage(page);
  if (left && left != page) left->SetTabVisible(false);
  RefreshButtons();
}

void AddProfileWizard::GoNext() {
  const int page = PageIndex();
  if (page == kWizardPageCount - 1) return;
  if (page == 3 && !CreateDestination()) return;
  GoToPage(page + 1);
  if (page + 1 == 1) {
    if (window_) window_->Focus(source_folder_edit);
    if (source_folder_edit.Text().empty()) GlidePointerToBrowseButton();
  }
  if (page + 1 == 3) FillDiskList();
}

void AddProfileWizard::GoBack() {
  const int page = PageIndex();
  if (page == 0) return;
  GoToPage(page - 1);
}

void AddProfileWizard::GlidePointerToBrowseButton() {
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

bool AddProfileWizard::DirectoryExists(const std::string& path) {
  const Result<DirEntry> entry = files_.Stat(path);
  return entry.ok() && entry.value().is_directory();
}

std::string AddProfileWizard::SourceMountPoint(const std::string& path) {
  std::string mount = disks_.MountPointOf(path);
  if (mount.empty()) mount = ContainingMountPoint(disks_.Volumes(), path);
  return mount;
}

std::string AddProfileWizard::ProposedName(const std::string& path) {
  const std::string mount = SourceMountPoint(path);
  return ProposedProfileName(path, VolumeLabel(mount.empty() ? "/" : mount));
}

void AddProfileWizard::SourceTyped() {
  folder_missing_label.SetVisible(false);
  // A timer already running is not restarted: the name follows the typing every half second.
  if (!name_timer.Enabled()) name_timer.SetEnabled(true);
}

void AddProfileWizard::ProposeNameAfterTyping() {
  name_timer.SetEnabled(false);
  profile_name_edit.SetText({});
  SourceEntered();
}

void AddProfileWizard::SourceEntered() {
  RefreshButtons();
  last_src_dir_ = source_folder_edit.Text();
  if (profile_name_edit.Text().empty() && !source_folder_edit.Text().empty())
    profile_name_edit.SetText(ProposedName(source_folder_edit.Text()));
}

void AddProfileWizard::BrowseSource() {
  const std::string start = DirectoryExists(last_src_dir_) ? last_src_dir_ : std::string();
  const std::optional<std::string> chosen = dialogs_.BrowseForFolder(kSourceBrowseTitle, start);
  if (!chosen || chosen->empty()) return;
  last_src_dir_ = *chosen;
  profile_name_edit.SetText(ProposedName(*chosen));
  source_folder_edit.SetText(*chosen);
  next_button.SetEnabled(true);
  folder_missing_label.SetVisible(false);
}

void AddProfileWizard::ApplyFilterChoice() {
  RefreshButtons();
  if (use_filter_group.ItemIndex() == 0) {
    remembered_filter_ = filter_edit.Text();
    filter_edit.SetText(kAllFilesMask);
  } else if (use_filter_group.ItemIndex() == 1 && remembered_filter_ != kAllFilesMask) {
    filter_edit.SetText(remembered_filter_);
  }
}

void AddProfileWizard::FillDiskList() {
  const DiskList list = BuildDiskList(disks_);
  disk_lines_ = list.lines;
  std::vector<std::string> texts;
  for (const DiskLine& line : list.lines) texts.push_back(line.text);
  disk_list.SetItems(std::move(texts));
  disk_list.SetItemIndex(-1);
  same_disk_label.SetVisible(false);
  recommended_disk_label.SetCaption(list.recommended);
  selected_disk_label.SetCaption(list.recommended);
  if (list.recommended_index >= 0 && list.recommended_index < static_cast<int>(list.lines.size())) {
    disk_list.SetItemIndex(list.recommended_index);
    SelectDisk();
  }
}

void AddProfileWizard::SelectDisk() {
  const int index = disk_list.ItemIndex();
  if (index < 0 || index >= static_cast<int>(disk_lines_.size())) return;
  const DiskLine& line = disk_lines_[static_cast<size_t>(index)];
  selected_disk_label.SetCaption(line.mount_point);
  if (destination_folder_edit.Text().empty()) {
    dest_browse_start_ = line.archive_dir;
    destination_folder_edit.SetText(dest_browse_start_ +
                                    FolderNameFromProfileName(profile_name_edit.Text()));
  }
  // One failing disk would take both the original and the backup.
  same_disk_label.SetVisible(!source_folder_edit.Text().empty() &&
                             SourceMountPoint(source_folder_edit.Text()) == line.mount_point);
}

void AddProfileWizard::BrowseDestination() {
  std::string start =
      destination_folder_edit.Text().empty() ? dest_browse_start_ : destination_folder_edit.Text();
  if (!DirectoryExists(start)) start = "/";
  const std::optional<std::string> chosen = dialogs_.ChooseDirectoryToCreate(
      start, [this](const std::string&) { return dialogs_.Confirm(kDestCreateQuestion); });
  if (!chosen) return;
  // A directory that cannot be created is reported by Next, like a typed one.
  if (!OnDriveWithoutMedium(*chosen)) (void)CreateDirectories(files_, *chosen);
  destination_folder_edit.SetText(*chosen);
  if (DirectoryExists(*chosen)) dest_browse_start_ = *chosen;
}

bool AddProfileWizard::OnDriveWithoutMedium(const std::string& dir) {
  // With its medium out, a drive's folder is an empty folder on the disk beneath: nothing is
  // created there, or the backup would silently fill that other disk.
  const std::vector<Volume> volumes = disks_.Volumes();
  const std::string mount = ContainingMountPoint(volumes, dir);
  return std::any_of(volumes.begin(), volumes.end(),
                     [&](const Volume& v) { return v.mount_point == mount && !v.mounted; });
}

bool AddProfileWizard::CreateDestination() {
  const std::string& dir = destination_folder_edit.Text();
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

void AddProfileWizard::SaveProfile(bool with_additional_parameters) {
  // A row an earlier save left unsaved keeps the table from appending; it is written instead.
  if (!target_.Append()) (void)target_.Edit();
  ProfileTable& t = target_;
  t.SetBool(F::Enabled, true);
  t.SetText(F::Name, profile_name_edit.Text());
  t.SetText(F::SrcDir, source_folder_edit.Text());
  t.SetText(F::DestDir, destination_folder_edit.Text());
  t.SetText(F::FileMask,
            use_filter_group.ItemIndex() == 0 ? std::string(kAllFilesMask) : filter_edit.Text());
  t.SetBool(F::InclDirs, include_subfolders_radio.Checked());
  t.SetInt(F::CopyCriteria, 0);
  t.SetBool(F::doZIP, zip_yes_radio.Checked());
  // The additional page counts only when the user went on to it.
  t.SetInt(F::SyncMethod,
           with_additional_parameters && synchronize_radio.Checked() ? kSyncBothWays : kSyncOneWay);
  // The hours field reaches 24: that is one whole day, the longest interval the page offers,
  // and a valid interval rather than a time of day to refuse.
  const TDateTime interval =
      with_additional_parameters
          ? std::min(TimeOfDay(interval_hours_edit.Value(), interval_minutes_edit.Value(),
                               interval_seconds_edit.Value()),
                     1.0)
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

void AddProfileWizard::SaveAndAddAnother() {
  SaveProfile(false);
  FormShow();
}

void AddProfileWizard::SaveAndFinish() {
  SaveProfile(false);
  FinishAndClose();
}

void AddProfileWizard::SaveWithParametersAndAddAnother() {
  SaveProfile(true);
  FormShow();
}

void AddProfileWizard::SaveWithParametersAndFinish() {
  SaveProfile(true);
  FinishAndClose();
}

void AddProfileWizard::FinishAndClose() {
  finished_ = true;
  (void)Close();
}

bool AddProfileWizard::FormCloseQuery() {
  if (source_folder_edit.Text().empty() || finished_) return true;
  return dialogs_.Confirm(kWizardCloseQuestion);
}

bool AddProfileWizard::Close() {
  if (closed_) return true;
  if (!FormCloseQuery()) return false;
  closed_ = true;
  name_timer.SetEnabled(false);
  fs_.Save(ChoiceProperties());
  if (window_) window_->CloseWindow();
  return true;
}

void ShowAddProfileWizard(ProfileTable& table, const WizardServices& services) {
  AddProfileWizard form(table, services.loop, services.dialogs, services.files, services.disks,
                        services.choices, services.remembered_filter);
  services.presenter.RunModal(form);
}

}  // namespace qm
