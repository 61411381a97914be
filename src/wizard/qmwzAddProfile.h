// The add-profile wizard `TqmwzAddProfileForm`: eight pages that build a new profile step by
// step and append it to the profile table. This is the whole of its behaviour, headless; the
// front end shows one widget per control and forwards the window's events.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "profiles/profile_table.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"
#include "wizard/disk_list.h"
#include "wizard/remembered_choices.h"

namespace qm {

inline constexpr const char* kWizardCaption = "Add Profile Wizard";
// Under the user's hive: the wizard's choices are the user's own.
inline constexpr const char* kWizardChoicesKey = "Software\\Ostrel\\Applications\\Quillmor\\Wizard";
inline constexpr const char* kWizardCloseQuestion = "Close and deny changes?";
inline constexpr const char* kSourceBrowseTitle =
    "Select the directory that containing the files you want to backup.";
inline constexpr const char* kDestCreateQuestion =
    "The specified directory does not exist. Create it?";
inline constexpr int kWizardPageCount = 8;
// Colour of the does-not-exist message.
inline constexpr int32_t kMaroon = 0x800000;
// The filter of "all the files", and the re-backup interval a wizard's profile gets unless the
// user sets another on the additional page.
inline constexpr const char* kAllFilesMask = "*.*";
inline constexpr int kWizardIntervalHours = 0;
inline constexpr int kWizardIntervalMinutes = 10;
inline constexpr int kWizardIntervalSeconds = 0;

// What the wizard asks of its real window.
class WizardWindow {
 public:
  struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
  };
  virtual ~WizardWindow() = default;
  // The mouse pointer, in screen coordinates.
  virtual Point CursorPos() = 0;
  virtual void SetCursorPos(Point p) = 0;
  // The bottom-right corner of the source field, in screen coordinates.
  virtual Point SrcDirBottomRight() = 0;
  virtual void Focus(const ui::Control& control) = 0;
  // The wizard agreed to close: the window goes and its modal loop ends.
  virtual void CloseWindow() = 0;
};

class TqmwzAddProfileForm {
 public:
  // `remembered_filter` lives as long as the program: the filter typed before switching back
  // to "all files" comes back in a later use of the wizard.
  TqmwzAddProfileForm(ProfileTable& target, ui::MessageLoop& loop, ui::Dialogs& dialogs,
                      FileSystem& files, DiskSource& disks, RememberedChoices& choices,
                      std::string& remembered_filter);
  ~TqmwzAddProfileForm();
  TqmwzAddProfileForm(const TqmwzAddProfileForm&) = delete;
  TqmwzAddProfileForm& operator=(const TqmwzAddProfileForm&) = delete;

  void SetWindow(WizardWindow* window) { window_ = window; }

  // --- the window's events
  // The window became visible: the remembered choices are restored, then FormShow.
  void Show();
  // Cancel, Esc and the close box: closes unless the user keeps the wizard open. True when
  // the wizard closed.
  bool Close();
  bool Closed() const { return closed_; }
  // The button Enter presses when no other button has the focus.
  ui::Button& DefaultButton();

  // --- handlers
  void FormShow();
  void bBackClick();
  void bNextClick();
  void eSrcDirKeyUp();
  void Timer1Timer();
  void eSrcDirExit();
  void eSrcDirButtonClick();
  void rgUseFilterClick();
  void FillDiskList();
  void lbDisksClick();
  void eDestDirButtonClick();
  void bSaveAndAganeClick();
  void bContinue1Click() { bNextClick(); }
  void bFinishClick();
  void bSave2Click();
  void BitBtn1Click();
  bool FormCloseQuery();
  // A user's choice of a radio button: it is checked, its partner unchecked.
  void ChooseRadio(ui::CheckBox& radio);

  int PageIndex() const;
  bool Finished() const { return finished_; }
  const std::string& LastSourceDirectory() const { return last_src_dir_; }
  const std::string& DestBrowseStart() const { return dest_browse_start_; }
  const std::vector<DiskLine>& DiskLines() const { return disk_lines_; }
  // The remembered choices, in the order they are stored.
  std::vector<ChoiceProperty> ChoiceProperties();
  // The proposed profile name for a source path.
  std::string ProposedName(const std::string& path);

  // --- window and navigation
  ui::Button bBack{"bBack", "Back"};
  ui::Button bNext{"bNext", "Next"};
  ui::Button bCancel{"bCancel", "Cancel"};
  ui::PageControl PC{"PC"};
  ui::TabSheet t1{"t1", "Welcome!"};
  ui::TabSheet t2{"t2", "Source directory"};
  ui::TabSheet t3{"t3", "Filter"};
  ui::TabSheet t4{"t4", "Destination directory"};
  ui::TabSheet t5{"t5", "Compressing"};
  ui::TabSheet t6{"t6", "Ready"};
  ui::TabSheet t7{"t7", "Additional parametes"};
  ui::TabSheet t8{"t8", "Ready"};

  // --- "Welcome!"
  ui::Label lWelcome{"lWelcome"};
  ui::Label lWelcomeText{"lWelcomeText"};
  ui::Label lWelcomeMore{"lWelcomeMore"};
  ui::Label lWelcomeNext{"lWelcomeNext"};

  // --- "Source directory"
  ui::Label lSrcDir{"lSrcDir"};
  ui::Edit eSrcDir{"eSrcDir"};
  ui::Button eSrcDirButton{"eSrcDirButton", "..."};
  ui::Label lDirExists{"lDirExists"};
  ui::Label lSubDirs{"lSubDirs"};
  ui::CheckBox rSubDirs1{"rSubDirs1", {}, true};
  ui::CheckBox rSubDirs2{"rSubDirs2"};
  ui::Label lName{"lName"};
  ui::Edit eName{"eName"};

  // --- "Filter": rgUseFilter is a radio group, its items the two choices
  ui::ComboBox rgUseFilter{"rgUseFilter"};
  ui::Label lFilterHelp{"lFilterHelp"};
  ui::Label lFilter{"lFilter", "Filter:"};
  ui::Edit eFilter{"eFilter", kAllFilesMask};

  // --- "Destination directory": lbDisks is a list box, its items the lines
  ui::Label lDisks{"lDisks"};
  ui::ComboBox lbDisks{"lbDisks"};
  ui::Label lRecomendedCaption{"lRecomendedCaption", "Recomended disk is:"};
  ui::Label lRecomended{"lRecomended", "/"};
  ui::Label lSelectedCaption{"lSelectedCaption", "Selected disk is"};
  ui::Label lSelected{"lSelected", "/"};
  // Shown while the selected disk also holds the source directory.
  ui::Label lSameDisk{"lSameDisk"};
  ui::Label lArchiveHelp{"lArchiveHelp"};
  ui::Label lDestDir{"lDestDir"};
  ui::Edit eDestDir{"eDestDir"};
  ui::Button eDestDirButton{"eDestDirButton", "..."};

  // --- "Compressing"
  ui::Label lZIP{"lZIP"};
  ui::CheckBox rZIPYes{"rZIPYes"};
  ui::CheckBox rZIPNo{"rZIPNo", {}, true};

  // --- first "Ready"
  ui::Label lReady1{"lReady1"};
  ui::Button bSaveAndAgane{"bSaveAndAgane"};
  ui::Button bContinue1{"bContinue1"};
  ui::Button bFinish{"bFinish", "Finish"};

  // --- "Additional parametes"
  ui::Label lUsedFor{"lUsedFor", "This profile is used for:"};
  ui::CheckBox rSMBackupOnly{"rSMBackupOnly", {}, true};
  ui::CheckBox rSMSync{"rSMSync"};
  ui::Label lIntervalText{"lIntervalText"};
  ui::Label lInterval{"lInterval", "Re-backup interval:"};
  ui::SpinEdit eH{"eH", 0, 24, kWizardIntervalHours};
  ui::Label lHours{"lHours", "hours"};
  ui::SpinEdit eM{"eM", 0, 59, kWizardIntervalMinutes};
  ui::Label lMinutes{"lMinutes", "min."};
  ui::SpinEdit eS{"eS", 0, 59, kWizardIntervalSeconds};
  ui::Label lSeconds{"lSeconds", "sec."};

  // --- second "Ready"
  ui::Label lReady2{"lReady2"};
  ui::Button bSave2{"bSave2"};
  ui::Button BitBtn1{"BitBtn1", "Finish"};

  // Recomputes the name half a second after the user stopped typing the source.
  ui::Timer Timer1;

 private:
  void SetTexts();
  void ConnectHandlers();
  void RefreshButtons();
  void GoToPage(int index);
  void GlidePointerToBrowseButton();
  bool CreateDestination();
  bool OnDriveWithoutMedium(const std::string& dir);
  bool DirectoryExists(const std::string& path);
  // Appends the new profile to the target table and posts it.
  void SaveProfile(bool with_additional_parameters);
  void FinishAndClose();
  ui::CheckBox* RadioPartner(const ui::CheckBox& radio);
  std::string SourceMountPoint(const std::string& path);

  ProfileTable& target_;
  ui::MessageLoop& loop_;
  ui::Dialogs& dialogs_;
  FileSystem& files_;
  DiskSource& disks_;
  RememberedChoices& fs_;  // the wizard's own form-state store
  std::string& remembered_filter_;
  WizardWindow* window_ = nullptr;
  std::vector<ui::TabSheet*> pages_;
  std::vector<DiskLine> disk_lines_;
  std::string last_src_dir_;
  std::string dest_browse_start_;
  bool finished_ = false;
  bool closed_ = false;
};

// The front end's modal window for the wizard: shows it, returns when it has closed.
class WizardPresenter {
 public:
  virtual ~WizardPresenter() = default;
  virtual void RunModal(TqmwzAddProfileForm& form) = 0;
};

struct WizardServices {
  ui::MessageLoop& loop;
  ui::Dialogs& dialogs;
  FileSystem& files;
  DiskSource& disks;
  RememberedChoices& choices;
  std::string& remembered_filter;
  WizardPresenter& presenter;
};

// Creates the wizard on `table`, shows it modally and destroys it when it closes.
void ShowAddProfileWizard(ProfileTable& table, const WizardServices& services);

// The disk source of this machine: its mount table and fstab, statvfs, $HOME and the access
// rights of the user.
std::unique_ptr<DiskSource> MakeSystemDiskSource(FileSystem& files);

}  // namespace qm
