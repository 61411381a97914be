// The add-profile wizard `AddProfileWizard`: eight pages that build a new profile step by
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

class AddProfileWizard {
 public:
  // `remembered_filter` lives as long as the program: the filter typed before switching back
  // to "all files" comes back in a later use of the wizard.
  AddProfileWizard(ProfileTable& target, ui::MessageLoop& loop, ui::Dialogs& dialogs,
                   FileSystem& files, DiskSource& disks, RememberedChoices& choices,
                   std::string& remembered_filter);
  ~AddProfileWizard();
  AddProfileWizard(const AddProfileWizard&) = delete;
  AddProfileWizard& operator=(const AddProfileWizard&) = delete;

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
  void GoBack();
  void GoNext();
  void SourceTyped();
  void ProposeNameAfterTyping();
  void SourceEntered();
  void BrowseSource();
  void ApplyFilterChoice();
  void FillDiskList();
  void SelectDisk();
  void BrowseDestination();
  void SaveAndAddAnother();
  void ContinueToAdditional() { GoNext(); }
  void SaveAndFinish();
  void SaveWithParametersAndAddAnother();
  void SaveWithParametersAndFinish();
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
  ui::Button back_button{"back_button", "Back"};
  ui::Button next_button{"next_button", "Next"};
  ui::Button cancel_button{"cancel_button", "Cancel"};
  ui::PageControl page_control{"page_control"};
  ui::TabSheet welcome_page{"welcome_page", "Welcome!"};
  ui::TabSheet source_page{"source_page", "Source directory"};
  ui::TabSheet filter_page{"filter_page", "Filter"};
  ui::TabSheet destination_page{"destination_page", "Destination directory"};
  ui::TabSheet compression_page{"compression_page", "Compressing"};
  ui::TabSheet ready_page{"ready_page", "Ready"};
  ui::TabSheet additional_page{"additional_page", "Additional parametes"};
  ui::TabSheet final_ready_page{"final_ready_page", "Ready"};

  // --- "Welcome!"
  ui::Label welcome_label{"welcome_label"};
  ui::Label welcome_text_label{"welcome_text_label"};
  ui::Label welcome_more_label{"welcome_more_label"};
  ui::Label welcome_next_label{"welcome_next_label"};

  // --- "Source directory"
  ui::Label source_folder_label{"source_folder_label"};
  ui::Edit source_folder_edit{"source_folder_edit"};
  ui::Button source_browse_button{"source_browse_button", "..."};
  ui::Label folder_missing_label{"folder_missing_label"};
  ui::Label subfolders_label{"subfolders_label"};
  ui::CheckBox include_subfolders_radio{"include_subfolders_radio", {}, true};
  ui::CheckBox exclude_subfolders_radio{"exclude_subfolders_radio"};
  ui::Label profile_name_label{"profile_name_label"};
  ui::Edit profile_name_edit{"profile_name_edit"};

  // --- "Filter": use_filter_group is a radio group, its items the two choices
  ui::ComboBox use_filter_group{"use_filter_group"};
  ui::Label filter_help_label{"filter_help_label"};
  ui::Label filter_label{"filter_label", "Filter:"};
  ui::Edit filter_edit{"filter_edit", kAllFilesMask};

  // --- "Destination directory": disk_list is a list box, its items the lines
  ui::Label disks_label{"disks_label"};
  ui::ComboBox disk_list{"disk_list"};
  ui::Label recommended_disk_caption_label{"recommended_disk_caption_label", "Recomended disk is:"};
  ui::Label recommended_disk_label{"recommended_disk_label", "/"};
  ui::Label selected_disk_caption_label{"selected_disk_caption_label", "Selected disk is"};
  ui::Label selected_disk_label{"selected_disk_label", "/"};
  // Shown while the selected disk also holds the source directory.
  ui::Label same_disk_label{"same_disk_label"};
  ui::Label archive_help_label{"archive_help_label"};
  ui::Label destination_folder_label{"destination_folder_label"};
  ui::Edit destination_folder_edit{"destination_folder_edit"};
  ui::Button destination_browse_button{"destination_browse_button", "..."};

  // --- "Compressing"
  ui::Label zip_label{"zip_label"};
  ui::CheckBox zip_yes_radio{"zip_yes_radio"};
  ui::CheckBox zip_no_radio{"zip_no_radio", {}, true};

  // --- first "Ready"
  ui::Label ready_label{"ready_label"};
  ui::Button save_and_add_another_button{"save_and_add_another_button"};
  ui::Button continue_button{"continue_button"};
  ui::Button finish_button{"finish_button", "Finish"};

  // --- "Additional parametes"
  ui::Label used_for_label{"used_for_label", "This profile is used for:"};
  ui::CheckBox backup_only_radio{"backup_only_radio", {}, true};
  ui::CheckBox synchronize_radio{"synchronize_radio"};
  ui::Label interval_text_label{"interval_text_label"};
  ui::Label interval_label{"interval_label", "Re-backup interval:"};
  ui::SpinEdit interval_hours_edit{"interval_hours_edit", 0, 24, kWizardIntervalHours};
  ui::Label hours_label{"hours_label", "hours"};
  ui::SpinEdit interval_minutes_edit{"interval_minutes_edit", 0, 59, kWizardIntervalMinutes};
  ui::Label minutes_label{"minutes_label", "min."};
  ui::SpinEdit interval_seconds_edit{"interval_seconds_edit", 0, 59, kWizardIntervalSeconds};
  ui::Label seconds_label{"seconds_label", "sec."};

  // --- second "Ready"
  ui::Label final_ready_label{"final_ready_label"};
  ui::Button final_save_and_add_another_button{"final_save_and_add_another_button"};
  ui::Button final_finish_button{"final_finish_button", "Finish"};

  // Recomputes the name half a second after the user stopped typing the source.
  ui::Timer name_timer;

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
  virtual void RunModal(AddProfileWizard& form) = 0;
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
