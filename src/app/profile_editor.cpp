#include "app/profile_editor.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/main_window_controller.h"
#include "platform/atomic_file.h"
#include "profiles/editing_rules.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/profile_rules.h"
#include "profiles/run_snapshot.h"

namespace qm {

namespace {

using F = ProfileField;

constexpr ProfileField kGridFields[kGridColumnCount] = {F::Enabled, F::Name, F::SrcDir, F::DestDir};

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

std::optional<int> TwoDigits(std::string_view part) {
  while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
  while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
  if (part.empty() || part.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

ProfileField GridColumnField(int column) {
  return column >= 0 && column < kGridColumnCount ? kGridFields[column] : F::Name;
}

std::string FormatTimeEditor(TDateTime value) {
  if (!std::isfinite(value) || value < 0) value = 0;
  const long long seconds = std::llround(value * 86400.0);
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", h, m, s);
  return text;
}

std::optional<TDateTime> ParseTimeEditor(std::string_view text, bool duration) {
  std::vector<std::string_view> parts;
  size_t from = 0;
  for (;;) {
    const size_t colon = text.find(':', from);
    parts.push_back(text.substr(from, colon == std::string_view::npos ? colon : colon - from));
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }
  if (parts.size() != 3) return std::nullopt;
  const auto h = TwoDigits(parts[0]), m = TwoDigits(parts[1]), s = TwoDigits(parts[2]);
  if (!h || !m || !s || *h > (duration ? 99 : 23) || *m > 59 || *s > 59) return std::nullopt;
  return RoundToMillisecond((*h * 3600 + *m * 60 + *s) / 86400.0);
}

ProfileEditor::ProfileEditor(MainWindowController& form, ui::Dialogs& dialogs, FileSystem& fs,
                             Clock& clock)
    : form_(form), table_(form.profile_table), dialogs_(dialogs), fs_(fs), clock_(clock) {
  SetUpControls();
  ConnectTable();
  ConnectControls();
  ShowCurrentRow(true);
}

ProfileEditor::~ProfileEditor() {
  table_.AfterInsert.Disconnect(connections_[0]);
  table_.BeforePost.Disconnect(connections_[1]);
  table_.AfterPost.Disconnect(connections_[2]);
  table_.AfterScroll.Disconnect(connections_[3]);
  table_.DataChanged.Disconnect(connections_[4]);
}

void ProfileEditor::SetUpControls() {
  form_.enabled_box.SetHint(
      "Check this box to activate current profile\r\nIf there is need to deactivate current "
      "profile - uncheck it");
  form_.source_folder_edit.SetHint(
      "The directory containing the files that you want to be backed up.\r\nQuillmor copies files "
      "from this directory into the destination directory.\r\ne.g. \"C:\\My documents\" or "
      "\"d:\\games\\race\"\r\nTo browse the directories press \"...\" button at right side.");
  form_.destination_folder_edit.SetHint(
      "The directory where to place the copy of the backing up files.\r\nQuillmor copies files "
      "into this directory from the source directory.\r\nE.g. \"e:\\backup\\MyDocs\" or "
      "\"c:\\backup\\mygamesresults\"");
  form_.file_filter_edit.SetHint(
      "This filter bases on the file's names and defines which files to backup. \r\nTo define all "
      "files - \"*.*\",\r\nonly documents - \"*.doc\".\r\nTo define only one file just place it's "
      "name, e.g. \"calculation.xls\".\r\nYou can define separate filters at one, use semicolon to "
      "add new filter to existing one,\r\ne.g. \"*.doc;*.txt;*.xls\" or \"*.sav;*.dat\"");
  form_.include_subfolders_box.SetHint(
      "Check this box to include all the sub directories beneath \r\nthe source directory into the "
      "backup work. All the subdirectories \r\nand files in them will be copied into the "
      "destination directory.\r\nSo if you define the source directory as \"C:\\\" - all the disk "
      "c:\r\nwill be copied.");
  form_.copy_method_combo.SetHint(
      "\"From Source to Destination only\"\r\nThis backups files from the source directory to the "
      "destination directory only. \r\n\r\n\"Both directions synchronization\"\r\nThis backups "
      "files from the source directory to the destination directory \r\nand also extracts backuped "
      "files from the destination directory to the source. \r\nUse it  for synchronizing a "
      "documents directory on a desktop \r\nPC with a documents directory on a notebook");
  form_.zip_box.SetHint(
      "Check this box if you want to save the free disk space.\r\nThis option allows the files in "
      "an archive store compressed.\r\nThe standard ZIP compression used.");
  form_.delete_removed_box.SetHint(
      "Delete the archive's files removed from the source directory. \r\nIf a file exists in the "
      "destination directory and \r\nit not present in the source directory \r\n(for example it "
      "has been deleted) \r\nthis option will remove the file from the destination directory. "
      "\r\nBe careful with this option! ");
  form_.keep_copy_combo.SetHint(
      "\"Do not keep\"\r\nA newer file simply replaces an older file(that was in an archive "
      "before).\r\n\r\n\"Sequence number in file name\"\r\nA newer file replaces an older file, an "
      "older file still stays but a sequence \r\nnumber adds in file name. \r\nE.g. "
      "\"MyAccount.xls\" (been in an archive before) becomes \"MyAccount.xls.1\",\r\nwhere \"1\" "
      "is the sequence number\r\n\r\n\"Date and time in file name\"\r\nA newer file replaces an "
      "older file, an older file still stays but a current \r\ndate and time adds in file "
      "name.\r\nE.g. \"MyAccount.xls\" (been in an archive before) becomes "
      "\"MyAccount.xls.10-12-2004_2-14-36am\"");
  form_.interval_edit.SetHint(
      "For background mode only.\r\nQuillmor will re-backup the files through this time interval");
  form_.time_limits_box.SetHint(
      "For background mode only.\r\nCheck this box to set the time limit on the current profile "
      "work. \r\nAt this case current profile will backup the files only in a time set "
      "below.\r\nUncheck this box if you want current profile works all the time.");
  form_.start_time_edit.SetHint(
      "For background mode only.\r\nThe time when current profile starts backup files.");
  form_.finish_time_edit.SetHint(
      "For background mode only.\r\nThe time when current profile stops backup the files.");
  // The wizard comes with its own window; until it is there its button cannot be used.
  form_.wizard_button.SetEnabled(false);
}

void ProfileEditor::ConnectTable() {
  // The row rules hold for every row, whoever adds or posts it: the navigator, the wizard and
  // the store loader included.
  connections_[0] = table_.AfterInsert.Connect([this] { PrepareNewProfile(); });
  connections_[1] =
      table_.BeforePost.Connect([this](bool& allow) { ValidateProfileBeforePost(allow); });
  connections_[2] = table_.AfterPost.Connect([this] { ProfilePosted(); });
  connections_[3] = table_.AfterScroll.Connect([this] { ShowCurrentProfile(); });
  connections_[4] = table_.DataChanged.Connect([this] { ShowCurrentRow(false); });
}

void ProfileEditor::ConnectControls() {
  MainWindowController& f = form_;
  auto guarded = [&f](std::function<void()> handler) { return f.Guarded(std::move(handler)); };
  auto check = [this, guarded](ui::CheckBox& box, ProfileField field) {
    box.OnClick = guarded([this, &box, field] { table_.SetBool(field, box.Checked()); });
  };
  check(f.enabled_box, F::Enabled);
  check(f.include_subfolders_box, F::InclDirs);
  check(f.zip_box, F::doZIP);
  f.delete_removed_box.OnClick = guarded([this] { ToggleDeleteRemoved(); });
  f.time_limits_box.OnClick = guarded([this] { ToggleTimeLimits(); });

  auto text = [this, guarded](ui::Edit& edit, ProfileField field) {
    edit.OnChange = guarded([this, &edit, field] { TextEdited(field, edit); });
  };
  text(f.profile_name_edit, F::Name);
  text(f.source_folder_edit, F::SrcDir);
  text(f.destination_folder_edit, F::DestDir);
  text(f.file_filter_edit, F::FileMask);
  auto time = [this, guarded](ui::Edit& edit, ProfileField field) {
    edit.OnChange = guarded([this, &edit, field] { TimeEdited(field, edit); });
  };
  time(f.interval_edit, F::Interval);
  time(f.start_time_edit, F::StartTime);
  time(f.finish_time_edit, F::FinishTime);

  f.copy_method_combo.OnChange = guarded([this] { ChangeCopyMethod(); });
  f.keep_copy_combo.OnChange = guarded([this] {
    const int index = form_.keep_copy_combo.ItemIndex();
    if (index >= 0) table_.SetInt(F::KeepCopyKind, static_cast<int16_t>(index));
  });

  f.source_browse_button.OnClick = guarded([this] { BrowseSource(); });
  f.destination_browse_button.OnClick = guarded([this] { BrowseDestination(); });
  f.destination_create_button.OnClick = guarded([this] { CreateDestinationFolder(); });
  f.wizard_button.OnClick = guarded([this] { OpenWizard(); });
  f.add_profile_button.OnClick = guarded([this] { AddProfile(); });
  f.delete_profile_button.OnClick = guarded([this] { DeleteRecord(); });
  f.post_profile_button.OnClick = guarded([this] { PostRecord(); });
  f.cancel_edit_button.OnClick = guarded([this] { CancelRecord(); });
}

// --- showing the current row

void ProfileEditor::ShowCurrentRow(bool all) {
  if (table_.ControlsDisabled()) return;
  MainWindowController& f = form_;
  const bool empty = table_.IsEmpty();
  static const ProfileRow kBlank;
  const ProfileRow& row = empty ? kBlank : table_.Current();
  f.enabled_box.SetChecked(row.Enabled);
  f.profile_name_edit.SetText(row.Name);
  f.source_folder_edit.SetText(row.SrcDir);
  f.destination_folder_edit.SetText(row.DestDir);
  f.file_filter_edit.SetText(row.FileMask);
  f.include_subfolders_box.SetChecked(row.InclDirs);
  // The lists show the stored values in their order; another value shows nothing.
  f.copy_method_combo.SetItemIndex(
      !empty && row.SyncMethod >= kSyncOneWay && row.SyncMethod <= kSyncBothWays ? row.SyncMethod
                                                                                 : -1);
  f.zip_box.SetChecked(row.doZIP);
  f.delete_removed_box.SetChecked(row.RemoveDeleted);
  f.keep_copy_combo.SetItemIndex(!empty && row.KeepCopyKind >= kKeepNone &&
                                         row.KeepCopyKind <= kKeepDateTime
                                     ? row.KeepCopyKind
                                     : -1);
  f.time_limits_box.SetChecked(row.UseStartTimeEndTime);
  struct TimeEditor {
    ui::Edit& edit;
    TDateTime value;
    bool duration;
  };
  for (const TimeEditor& t : {TimeEditor{f.interval_edit, row.Interval, true},
                              TimeEditor{f.start_time_edit, row.StartTime, false},
                              TimeEditor{f.finish_time_edit, row.FinishTime, false}}) {
    // A time the user is still typing is not valid yet; it stays until the row changes, so
    // an edit of another field does not throw it away.
    if (!all && table_.Editing() && !ParseTimeEditor(t.edit.Text(), t.duration)) continue;
    t.edit.SetText(empty ? std::string() : FormatTimeEditor(t.value));
  }
  UpdateOptionStates();
}

void ProfileEditor::UpdateOptionStates() {
  MainWindowController& f = form_;
  const bool empty = table_.IsEmpty();
  // Nothing to protect on an empty table: every box may start a new profile.
  const bool one_way = empty || f.copy_method_combo.ItemIndex() == kSyncOneWay;
  f.zip_box.SetEnabled(one_way);
  f.delete_removed_box.SetEnabled(one_way);
  const bool keep = one_way && !f.delete_removed_box.Checked();
  f.keep_copy_combo.SetEnabled(keep);
  f.keep_copy_label.SetEnabled(keep);
  f.delete_profile_button.SetEnabled(!empty);
  f.post_profile_button.SetEnabled(table_.Editing());
  f.cancel_edit_button.SetEnabled(table_.Editing());
}

// --- handlers of the table

void ProfileEditor::PrepareNewProfile() {
  ApplyNewRowDefaults(table_, clock_.Now());
  // A new row added during a run finds the page hidden; the focus stays where it is then.
  if (form_.window_shown && form_.current_profile_page.TabVisible()) {
    form_.page_control.SetActivePage(&form_.current_profile_page);
    FocusRequested(form_.profile_name_edit);
  }
}

void ProfileEditor::ValidateProfileBeforePost(bool& allow) {
  if (!allow) return;
  allow = CheckRowBeforePost(table_, dialogs_);
  // The time editors show the row being posted only while the controls follow the table (the
  // store loader and the save switch them off).
  if (allow && !table_.ControlsDisabled()) allow = TimeEditorsValid();
}

bool ProfileEditor::TimeEditorsValid() {
  for (const auto& [edit, duration] : {std::pair<ui::Edit&, bool>{form_.interval_edit, true},
                                       {form_.start_time_edit, false},
                                       {form_.finish_time_edit, false}}) {
    if (ParseTimeEditor(edit.Text(), duration)) continue;
    dialogs_.ShowErrorBox("'" + edit.Text() + "' is not a valid time");
    return false;
  }
  return true;
}

void ProfileEditor::ProfilePosted() {
  form_.UpdateControls();
}

void ProfileEditor::ShowCurrentProfile() {
  ShowCurrentRow(true);
  form_.UpdateControls();
  if (table_.ControlsDisabled()) return;
  ApplyCopyMethod();
  ApplyDeletionChoice();
}

void ProfileEditor::ApplyCopyMethod() {
  if (table_.IsEmpty()) return UpdateOptionStates();
  MainWindowController& f = form_;
  const int shown = f.copy_method_combo.ItemIndex();
  const bool one_way =
      ApplyCopyMethodRule(table_, shown < 0 ? std::nullopt : std::optional<int>(shown));
  for (ui::Control* c : std::initializer_list<ui::Control*>{&f.zip_box, &f.delete_removed_box,
                                                            &f.keep_copy_combo, &f.keep_copy_label})
    c->SetEnabled(one_way);
  // The rule may have cleared the deletion option, which has its own rule.
  ApplyDeletionChoice();
}

void ProfileEditor::ApplyDeletionChoice() {
  if (table_.IsEmpty()) return UpdateOptionStates();
  MainWindowController& f = form_;
  const bool keep =
      ApplyDeletionRule(table_, f.delete_removed_box.Enabled(), f.delete_removed_box.Checked());
  f.keep_copy_combo.SetEnabled(keep);
  f.keep_copy_label.SetEnabled(keep);
}

// --- handlers of the controls

void ProfileEditor::TextEdited(ProfileField field, const ui::Edit& edit) {
  // Copied first: on an empty table the new row's blank values are shown before ours is set.
  const std::string typed = edit.Text();
  table_.SetText(field, typed);
  // A text longer than the field is cut at a character boundary; the editor shows what is kept.
  ShowCurrentRow(false);
}

void ProfileEditor::TimeEdited(ProfileField field, const ui::Edit& edit) {
  // A text that is not a time yet is left in the editor; the check before a post reports it.
  if (const std::optional<TDateTime> value = ParseTimeEditor(edit.Text(), field == F::Interval))
    (void)table_.SetDateTime(field, *value);
}

void ProfileEditor::ChangeCopyMethod() {
  const int index = form_.copy_method_combo.ItemIndex();
  if (index >= 0) table_.SetInt(F::SyncMethod, static_cast<int16_t>(index));
  ApplyCopyMethod();
}

void ProfileEditor::ToggleDeleteRemoved() {
  const bool checked = form_.delete_removed_box.Checked();
  table_.SetBool(F::RemoveDeleted, checked);
  ApplyDeletionChoice();
}

void ProfileEditor::ToggleTimeLimits() {
  const bool checked = form_.time_limits_box.Checked();
  table_.SetBool(F::UseStartTimeEndTime, checked);
  form_.UpdateControls();
}

std::string ProfileEditor::ExistingDirectory(const std::string& dir) {
  if (dir.empty()) return {};
  const Result<DirEntry> info = fs_.Stat(dir);
  return info.ok() && info.value().is_directory() ? dir : std::string();
}

void ProfileEditor::SetPickedDirectory(ProfileField field, const std::string& path) {
  // A path cut to the field's size would name another folder; it is refused instead.
  if (path.size() > TextFieldSize(field)) {
    dialogs_.ShowErrorBox("The path of the selected directory is longer than " +
                          std::to_string(TextFieldSize(field)) + " characters:\r\n" + path);
    return;
  }
  if (!table_.Editing()) (void)table_.Edit();
  table_.SetText(field, path);
}

void ProfileEditor::BrowseSource() {
  const std::optional<std::string> chosen =
      dialogs_.BrowseForFolder(kSelectSourceTitle, ExistingDirectory(table_.AsText(F::SrcDir)));
  if (chosen) SetPickedDirectory(F::SrcDir, *chosen);
}

bool ProfileEditor::AcceptDestination(const std::string& path) {
  if (!CanWriteToDirectory(path, fs_)) {
    dialogs_.ShowErrorBox(kUnwritableDirectoryMessage);
    return false;
  }
  SetPickedDirectory(F::DestDir, path);
  return true;
}

void ProfileEditor::BrowseDestination() {
  std::string start = ExistingDirectory(table_.AsText(F::DestDir));
  for (;;) {
    const std::optional<std::string> chosen =
        dialogs_.BrowseForFolder(kSelectDestinationTitle, start);
    if (!chosen || AcceptDestination(*chosen)) return;
    start = *chosen;
  }
}

void ProfileEditor::CreateDestinationFolder() {
  std::string start = table_.AsText(F::DestDir);
  const auto confirm = [this](const std::string&) {
    return dialogs_.Confirm(kCreateDirectoryQuestion);
  };
  for (;;) {
    const std::optional<std::string> chosen = dialogs_.ChooseDirectoryToCreate(start, confirm);
    if (!chosen) return;
    // A directory that could not be created fails the write test below, with its message.
    (void)CreateDirectories(fs_, *chosen);
    if (AcceptDestination(*chosen)) return;
    start = *chosen;
  }
}

void ProfileEditor::SetWizard(std::function<void()> open_wizard) {
  open_wizard_ = std::move(open_wizard);
  form_.wizard_button.SetEnabled(static_cast<bool>(open_wizard_));
}

void ProfileEditor::OpenWizard() {
  if (!open_wizard_) return;
  open_wizard_();
  form_.UpdateControls();
}

// --- navigator and keys

void ProfileEditor::AddProfile() {
  (void)table_.Insert();
}

void ProfileEditor::DeleteRecord() {
  if (table_.IsEmpty()) return;
  if (dialogs_.ConfirmOkCancel(kDeleteRecordQuestion)) table_.Delete();
}

void ProfileEditor::PostRecord() {
  (void)table_.Post();
}

void ProfileEditor::CancelRecord() {
  table_.Cancel();
}

bool ProfileEditor::KeyUp(EditorKey key, KeyModifiers modifiers) {
  const bool none = !modifiers.shift && !modifiers.ctrl && !modifiers.alt;
  if (key == EditorKey::kF2 && none) {
    // Saves a changed row (checked first) and quietly ends an unchanged edit.
    (void)table_.CheckBrowseMode();
    return true;
  }
  if (key == EditorKey::kDelete && modifiers.ctrl) {
    // Only the current row, however many rows the grid has selected.
    if (!table_.IsEmpty() && dialogs_.Confirm(kDeleteProfileQuestion)) table_.Delete();
    return true;
  }
  return false;
}

// --- the grid

void ProfileEditor::ClickColumnTitle(int column) {
  if (column < 0 || column >= kGridColumnCount) return;
  const int old_column = sort_column_;
  const bool old_ascending = sort_ascending_;
  sort_ascending_ = column == sort_column_ ? !sort_ascending_ : true;
  sort_column_ = column;
  SortMarkerChanged();
  if (!ApplySortMarking()) {
    // The pending edit was refused, so the rows kept their order: so does the marker.
    sort_column_ = old_column;
    sort_ascending_ = old_ascending;
    SortMarkerChanged();
  }
}

bool ProfileEditor::ApplySortMarking() {
  if (sort_column_ < 0) return true;
  return table_.SortBy(GridColumnField(sort_column_), sort_ascending_);
}

std::string ProfileEditor::CellText(const ProfileRow& row, int column) {
  switch (column) {
    case 0:
      return row.Enabled ? "True" : "False";
    case 1:
      return row.Name;
    case 2:
      return row.SrcDir;
    case 3:
      return row.DestDir;
    default:
      return {};
  }
}

bool ProfileEditor::SearchIncrementally(int column, std::string_view typed) {
  if (table_.IsEmpty() || typed.empty()) return false;
  const size_t count = table_.RecordCount();
  const size_t start = table_.RecNo() - 1;
  for (size_t i = 0; i < count; ++i) {
    const size_t row = (start + i) % count;
    if (StartsWithIgnoreCase(CellText(table_.Row(row), column), typed))
      return table_.MoveTo(row + 1);
  }
  return false;
}

}  // namespace qm
