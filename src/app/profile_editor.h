// The "Current profile" page's controller: shows the current row of `profile_table` in the page's
// controls, writes the user's edits back, and holds the page's rules (new-row defaults, the
// check before a post, the options that switch together, the folder pickers, deleting and
// sorting). It knows no toolkit; the Qt page only forwards widgets' events to it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "profiles/profile_table.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/signal.h"

namespace qm {

class MainWindowController;

inline constexpr const char* kSelectSourceTitle = "Select source directory";
inline constexpr const char* kSelectDestinationTitle = "Select destination directory";
inline constexpr const char* kUnwritableDirectoryMessage =
    "Selected directory is unaccessable. May be disk is readonly.";
inline constexpr const char* kCreateDirectoryQuestion =
    "The specified directory does not exist. Create it?";
inline constexpr const char* kDeleteRecordQuestion = "Delete record?";
inline constexpr const char* kDeleteProfileQuestion = "Delete current profile?";

// The grid's columns in their order, and the field each shows.
inline constexpr int kGridColumnCount = 4;
ProfileField GridColumnField(int column);

// "hh:mm:ss" of a time of day or a duration (hours beyond 23 for durations of a day or more).
std::string FormatTimeEditor(TDateTime value);
// The value of an "hh:mm:ss" text; nullopt when it is not one (minutes and seconds 0-59, hours
// 0-23, or up to 99 when `duration`).
std::optional<TDateTime> ParseTimeEditor(std::string_view text, bool duration);

// Keys the page acts on when they are released.
enum class EditorKey { kF2, kDelete, kOther };
struct KeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

class ProfileEditor {
 public:
  // `form` must have created its controls and `profile_table`; the editor connects to them at once.
  ProfileEditor(MainWindowController& form, ui::Dialogs& dialogs, FileSystem& fs, Clock& clock);
  ~ProfileEditor();
  ProfileEditor(const ProfileEditor&) = delete;
  ProfileEditor& operator=(const ProfileEditor&) = delete;

  // --- handlers of the table
  void PrepareNewProfile();
  void ValidateProfileBeforePost(bool& allow);
  void ProfilePosted();
  void ShowCurrentProfile();
  void ApplyCopyMethod();
  void ApplyDeletionChoice();

  // --- handlers of the page's controls
  void ChangeCopyMethod();
  void ToggleDeleteRemoved();
  void ToggleDeleteRemovedByKey() { ToggleDeleteRemoved(); }
  void ToggleTimeLimits();
  void BrowseSource();
  void BrowseDestination();
  void CreateDestinationFolder();
  void OpenWizard();

  // --- the record navigator (add inserts before the current row; the Insert key adds too)
  void AddProfile();
  void DeleteRecord();
  void PostRecord();
  void CancelRecord();

  // --- keys released anywhere in the main window; true when the key was the page's
  bool KeyUp(EditorKey key, KeyModifiers modifiers);

  // --- the grid
  // A click on a column title: marks that column (the same column again reverses the order)
  // and sorts the table by it.
  void ClickColumnTitle(int column);
  // Sorts by the marked column; false when a pending edit refused to be posted first.
  bool ApplySortMarking();
  // -1 when no column is marked.
  int SortColumn() const { return sort_column_; }
  bool SortAscending() const { return sort_ascending_; }
  // Moves to the first row, from the current one on and wrapping round, whose text in
  // `column` starts with `typed` (letter case ignored). False when none does.
  bool SearchIncrementally(int column, std::string_view typed);
  // The text of a grid cell, as shown and searched.
  static std::string CellText(const ProfileRow& row, int column);

  // The wizard, once there is one; while unset the wizard button stays disabled.
  void SetWizard(std::function<void()> open_wizard);

  // The page asks its front end to put the focus on a control (the name editor of a new row).
  ui::Signal<ui::Control&> FocusRequested;
  // The grid's sort marker moved.
  ui::Signal<> SortMarkerChanged;

 private:
  void SetUpControls();
  void ConnectTable();
  void ConnectControls();
  // Shows the current row in the controls; `all` also rewrites a time editor whose text the
  // user has not finished.
  void ShowCurrentRow(bool all);
  void UpdateOptionStates();
  void TextEdited(ProfileField field, const ui::Edit& edit);
  void TimeEdited(ProfileField field, const ui::Edit& edit);
  // Puts a picked folder into `field`, starting an edit (or a new row on an empty table).
  void SetPickedDirectory(ProfileField field, const std::string& path);
  // The starting folder of a picker: `dir` when it names an existing directory, else "".
  std::string ExistingDirectory(const std::string& dir);
  // The destination pickers' common end: write test, then the field or the error box.
  bool AcceptDestination(const std::string& path);
  bool TimeEditorsValid();

  MainWindowController& form_;
  ProfileTable& table_;
  ui::Dialogs& dialogs_;
  FileSystem& fs_;
  Clock& clock_;
  std::function<void()> open_wizard_;
  int sort_column_ = -1;
  bool sort_ascending_ = true;
  int connections_[5] = {};
};

}  // namespace qm
