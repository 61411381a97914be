// The "Current profile" page driven through its controls, as the user drives it: defaults and
// the post check, the options that switch together, the folder pickers and their write test,
// deleting, sorting and searching, and what bad input becomes.
#include <algorithm>

#include "profiles/editing_rules.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

using F = ProfileField;

ProfileRow Profile(const std::string& name, const std::string& src = "/src/x",
                   const std::string& dest = "/dest/x") {
  ProfileRow row;
  row.Enabled = true;
  row.Name = name;
  row.SrcDir = src;
  row.DestDir = dest;
  row.FileMask = "*.*";
  row.Interval = EncodeTime(0, 10, 0);
  return row;
}

class ProfileEditorTest : public FormTest {
 protected:
  // Starts the window on a store holding `rows` exactly as given.
  void StartWith(const std::vector<ProfileRow>& rows) {
    WriteProfileStore(store, [&](ProfileTable& table) {
      for (const ProfileRow& r : rows) {
        ASSERT_TRUE(table.Append());
        for (F f : AllProfileFields()) CopyField(r, table, f);
        ASSERT_TRUE(table.Post());
      }
    });
    Start();
    if (rows.empty()) dialogs.ExpectConfirm(kNoProfileQuestion, false);
    PassOneTimeStep();
    ASSERT_TRUE(dialogs.AllAnswered());
  }

  static void CopyField(const ProfileRow& r, ProfileTable& t, F f) {
    switch (f) {
      case F::Enabled:
        t.SetBool(f, r.Enabled);
        break;
      case F::Name:
        t.SetText(f, r.Name);
        break;
      case F::SrcDir:
        t.SetText(f, r.SrcDir);
        break;
      case F::DestDir:
        t.SetText(f, r.DestDir);
        break;
      case F::FileMask:
        t.SetText(f, r.FileMask);
        break;
      case F::InclDirs:
        t.SetBool(f, r.InclDirs);
        break;
      case F::SyncMethod:
        t.SetInt(f, r.SyncMethod);
        break;
      case F::KeepCopyKind:
        t.SetInt(f, r.KeepCopyKind);
        break;
      case F::doZIP:
        t.SetBool(f, r.doZIP);
        break;
      case F::RemoveDeleted:
        t.SetBool(f, r.RemoveDeleted);
        break;
      case F::Interval:
        (void)t.SetDateTime(f, r.Interval);
        break;
      default:
        break;
    }
  }

  MainWindowController& f() { return *form; }
  ProfileTable& table() { return form->profile_table; }
  const ProfileRow& Stored(size_t i) { return table().Row(i); }
  std::vector<std::string> Errors() const { return dialogs.Texts(DialogKind::kError); }

  // A complete profile typed into the page after the navigator's add.
  void TypeNewProfile(const std::string& name, const std::string& src, const std::string& dest) {
    f().add_profile_button.Click();
    f().profile_name_edit.SetTextByUser(name);
    f().source_folder_edit.SetTextByUser(src);
    f().destination_folder_edit.SetTextByUser(dest);
  }
  void CtrlDel() { f().editor.KeyUp(EditorKey::kDelete, {.ctrl = true}); }
  void F2() { f().editor.KeyUp(EditorKey::kF2, {}); }
};

TEST_F(ProfileEditorTest, NavigatorAddsARowWithTheDefaultsShownAndFocusesTheName) {
  StartWith({});
  std::vector<std::string> focused;
  f().editor.FocusRequested.Connect([&](ui::Control& c) { focused.push_back(c.name()); });
  f().add_profile_button.Click();

  ASSERT_EQ(table().state(), TableState::kInsert);
  const ProfileRow& row = table().Current();
  EXPECT_TRUE(row.Enabled && row.InclDirs && row.doZIP);
  EXPECT_EQ(row.FileMask, "*.*");
  EXPECT_EQ(row.zipMode, 9);
  EXPECT_EQ(row.LastRun, row.NextRun);
  EXPECT_TRUE(row.Name.empty() && row.SrcDir.empty() && row.DestDir.empty());
  // The page shows them.
  EXPECT_TRUE(f().enabled_box.Checked());
  EXPECT_TRUE(f().zip_box.Checked());
  EXPECT_EQ(f().file_filter_edit.Text(), "*.*");
  EXPECT_EQ(f().copy_method_combo.ItemIndex(), 0);
  EXPECT_EQ(f().keep_copy_combo.ItemIndex(), 0);
  EXPECT_EQ(f().interval_edit.Text(), "00:10:00");
  EXPECT_EQ(f().start_time_edit.Text(), "08:00:00");
  EXPECT_EQ(f().finish_time_edit.Text(), "18:00:00");
  EXPECT_EQ(focused, std::vector<std::string>{"profile_name_edit"});
  EXPECT_TRUE(f().post_profile_button.Enabled() && f().cancel_edit_button.Enabled());
}

TEST_F(ProfileEditorTest, PostCheckNamesTheMissingFieldsInOrderAndKeepsTheRow) {
  StartWith({});
  f().add_profile_button.Click();
  f().post_profile_button.Click();
  EXPECT_EQ(Errors(), std::vector<std::string>{"Some required fields are not filled:\r"
                                               "name, source directory, destination directory"});
  EXPECT_EQ(table().state(), TableState::kInsert);

  f().profile_name_edit.SetTextByUser(" ");  // a blank is a value
  f().source_folder_edit.SetTextByUser("/data");
  F2();
  EXPECT_EQ(Errors().back(), "Some required fields are not filled:\rdestination directory");
  EXPECT_EQ(table().state(), TableState::kInsert);
  EXPECT_EQ(f().source_folder_edit.Text(), "/data");

  f().destination_folder_edit.SetTextByUser("/backup");
  F2();
  EXPECT_EQ(table().state(), TableState::kBrowse);
  EXPECT_EQ(Stored(0).Name, " ");
  EXPECT_EQ(Errors().size(), 2u);
  // The start buttons follow the table's first row.
  EXPECT_TRUE(f().start_button.Enabled());
}

TEST_F(ProfileEditorTest, F2EndsAnUnchangedEditQuietlyAndCancelRestoresTheRow) {
  StartWith({Profile("a")});
  ASSERT_TRUE(table().Edit());
  F2();
  EXPECT_EQ(table().state(), TableState::kBrowse);
  f().profile_name_edit.SetTextByUser("renamed");
  f().cancel_edit_button.Click();
  EXPECT_EQ(Stored(0).Name, "a");
  EXPECT_EQ(f().profile_name_edit.Text(), "a");
  EXPECT_TRUE(Errors().empty());
}

TEST_F(ProfileEditorTest, BothDirectionsClearsPackingAndKeptCopiesAndOneWayGivesTheControlsBack) {
  StartWith({Profile("a")});
  f().keep_copy_combo.SelectByUser(2);
  ASSERT_FALSE(f().zip_box.Checked());
  f().zip_box.Click();
  ASSERT_TRUE(table().AsBool(F::doZIP));

  f().copy_method_combo.SelectByUser(1);
  EXPECT_FALSE(table().AsBool(F::doZIP));
  EXPECT_EQ(table().AsInt(F::KeepCopyKind), 0);
  EXPECT_FALSE(f().zip_box.Checked());
  EXPECT_EQ(f().keep_copy_combo.ItemIndex(), 0);
  for (const ui::Control* c : std::initializer_list<const ui::Control*>{
           &f().zip_box, &f().delete_removed_box, &f().keep_copy_combo, &f().keep_copy_label})
    EXPECT_FALSE(c->Enabled()) << c->name();

  f().copy_method_combo.SelectByUser(0);
  EXPECT_TRUE(f().zip_box.Enabled() && f().delete_removed_box.Enabled() &&
              f().keep_copy_combo.Enabled());
  EXPECT_FALSE(table().AsBool(F::doZIP));
  EXPECT_EQ(table().AsInt(F::KeepCopyKind), 0);
}

TEST_F(ProfileEditorTest, DeletingRemovedFilesAndKeepingCopiesExcludeEachOther) {
  StartWith({Profile("a")});
  f().keep_copy_combo.SelectByUser(1);
  f().delete_removed_box.Click();
  EXPECT_TRUE(table().AsBool(F::RemoveDeleted));
  EXPECT_EQ(table().AsInt(F::KeepCopyKind), 0);
  EXPECT_EQ(f().keep_copy_combo.ItemIndex(), 0);
  EXPECT_FALSE(f().keep_copy_combo.Enabled() || f().keep_copy_label.Enabled());

  f().delete_removed_box.Click();
  EXPECT_TRUE(f().keep_copy_combo.Enabled() && f().keep_copy_label.Enabled());
  EXPECT_EQ(f().keep_copy_combo.ItemIndex(), 0);
}

TEST_F(ProfileEditorTest, MovingBetweenProfilesOnlyEnablesAndDisablesAndEditsStayInTheirRow) {
  ProfileRow one_way = Profile("one");
  one_way.doZIP = true;
  one_way.KeepCopyKind = 2;
  ProfileRow both = Profile("both");
  both.SyncMethod = 1;
  // A stored record comes in as it is, even one the rules would not have let through.
  ProfileRow odd = Profile("odd");
  odd.RemoveDeleted = true;
  odd.KeepCopyKind = 1;
  StartWith({one_way, both, odd});
  EXPECT_EQ(Stored(2).KeepCopyKind, 1);
  EXPECT_TRUE(Stored(2).RemoveDeleted);

  ASSERT_TRUE(table().MoveTo(2));
  EXPECT_FALSE(f().zip_box.Enabled() || f().delete_removed_box.Enabled() ||
               f().keep_copy_combo.Enabled());
  ASSERT_TRUE(table().MoveTo(1));
  EXPECT_TRUE(f().zip_box.Enabled() && f().keep_copy_combo.Enabled());
  EXPECT_EQ(table().state(), TableState::kBrowse);
  EXPECT_TRUE(Stored(0).doZIP);
  EXPECT_EQ(Stored(0).KeepCopyKind, 2);
  ASSERT_TRUE(table().MoveTo(3));
  EXPECT_FALSE(f().keep_copy_combo.Enabled());
  EXPECT_EQ(Stored(2).KeepCopyKind, 1);

  // Switching the first profile to both directions leaves the others as they were.
  const ProfileRow second = Stored(1), third = Stored(2);
  ASSERT_TRUE(table().MoveTo(1));
  f().copy_method_combo.SelectByUser(1);
  F2();
  EXPECT_EQ(Stored(0).SyncMethod, 1);
  EXPECT_FALSE(Stored(0).doZIP);
  EXPECT_EQ(Stored(1), second);
  EXPECT_EQ(Stored(2), third);
}

TEST_F(ProfileEditorTest, SourcePickerOnAnEmptyTableCreatesAProfileWithThatSource) {
  StartWith({});
  const std::string src = dir.MakeDir("docs");
  dialogs.ExpectBrowse(kSelectSourceTitle, src);
  f().source_browse_button.Click();
  ASSERT_EQ(table().RecordCount(), 1u);
  EXPECT_EQ(table().state(), TableState::kInsert);
  EXPECT_EQ(table().AsText(F::SrcDir), src);
  EXPECT_EQ(f().source_folder_edit.Text(), src);
  EXPECT_TRUE(table().AsBool(F::doZIP));
  EXPECT_EQ(table().AsText(F::FileMask), "*.*");

  // Opened again, it starts at that folder; a missing folder is not offered as the start.
  dialogs.ExpectBrowse(kSelectSourceTitle, std::nullopt);
  f().source_browse_button.Click();
  f().source_folder_edit.SetTextByUser(dir / "gone");
  dialogs.ExpectBrowse(kSelectSourceTitle, std::nullopt);
  f().source_browse_button.Click();
  EXPECT_EQ(dialogs.browse_starts(), (std::vector<std::string>{"", src, ""}));
  EXPECT_EQ(table().AsText(F::SrcDir), dir / "gone");  // a cancel changes nothing
}

TEST_F(ProfileEditorTest, UnwritableDestinationReopensThePickerThereAndCancelKeepsTheOldValue) {
  StartWith({Profile("a", "/src", "/old")});
  const std::string ro = dir.MakeDir("readonly");
  fs.FailAlways(FsOp::kCreate, ErrorKind::kReadOnly, "readonly");
  dialogs.ExpectBrowse(kSelectDestinationTitle, ro);
  dialogs.ExpectBrowse(kSelectDestinationTitle, std::nullopt);
  f().destination_browse_button.Click();

  EXPECT_EQ(Errors(), std::vector<std::string>{kUnwritableDirectoryMessage});
  EXPECT_EQ(dialogs.browse_starts(), (std::vector<std::string>{"", ro}));
  EXPECT_EQ(table().AsText(F::DestDir), "/old");
  EXPECT_EQ(table().state(), TableState::kBrowse);
}

TEST_F(ProfileEditorTest, WritableDestinationIsTakenAndTheWriteTestLeavesNothingBehind) {
  StartWith({Profile("a")});
  const std::string dest = dir.MakeDir("backup");
  dialogs.ExpectBrowse(kSelectDestinationTitle, dest);
  f().destination_browse_button.Click();
  EXPECT_EQ(table().AsText(F::DestDir), dest);
  EXPECT_EQ(table().state(), TableState::kEdit);
  EXPECT_EQ(fs.CallCount(FsOp::kCreate, kWriteTestFileName), 1);
  EXPECT_FALSE(dir.Exists(std::string("backup/") + kWriteTestFileName));
}

TEST_F(ProfileEditorTest, CreateButtonMakesTheMissingDirectoriesAndUsesTheNewOne) {
  StartWith({Profile("a")});
  const std::string wanted = dir / "new/deeper/backup";
  dialogs.ExpectCreateDirectory(wanted);
  f().destination_create_button.Click();
  EXPECT_TRUE(dir.Exists("new/deeper/backup"));
  EXPECT_EQ(table().AsText(F::DestDir), wanted);
  EXPECT_EQ(dialogs.browse_starts(), std::vector<std::string>{"/dest/x"});

  // One that cannot be created fails the write test and the dialog comes back.
  fs.FailAlways(FsOp::kCreateDirectory, ErrorKind::kReadOnly, "locked");
  dialogs.ExpectCreateDirectory(dir / "locked");
  dialogs.ExpectCreateDirectory(std::nullopt);
  f().destination_create_button.Click();
  EXPECT_EQ(Errors(), std::vector<std::string>{kUnwritableDirectoryMessage});
  EXPECT_EQ(table().AsText(F::DestDir), wanted);
}

TEST_F(ProfileEditorTest, CtrlDelOnAnEmptyTableAsksNothing) {
  StartWith({});
  const size_t before = dialogs.shown().size();
  CtrlDel();  // a question here would be unscripted and fail the test
  EXPECT_EQ(dialogs.shown().size(), before);
  EXPECT_TRUE(table().IsEmpty());
}

TEST_F(ProfileEditorTest, DeletingAsksAndRemovesOnlyTheCurrentProfile) {
  StartWith({Profile("a"), Profile("b"), Profile("c")});
  ASSERT_TRUE(table().MoveTo(2));
  f().profile_grid.SelectedRows = {0, 1, 2};
  dialogs.ExpectConfirm(kDeleteProfileQuestion, false);
  CtrlDel();
  EXPECT_EQ(table().RecordCount(), 3u);
  dialogs.ExpectConfirm(kDeleteProfileQuestion, true);
  f().editor.KeyUp(EditorKey::kDelete, {.shift = true, .ctrl = true});
  ASSERT_EQ(table().RecordCount(), 2u);
  EXPECT_EQ(Stored(0).Name, "a");
  EXPECT_EQ(Stored(1).Name, "c");
  // Delete without Ctrl is not the page's key.
  EXPECT_FALSE(f().editor.KeyUp(EditorKey::kDelete, {.shift = true}));

  dialogs.ExpectOkCancel(kDeleteRecordQuestion, false);
  f().delete_profile_button.Click();
  EXPECT_EQ(table().RecordCount(), 2u);
  dialogs.ExpectOkCancel(kDeleteRecordQuestion, true);
  f().delete_profile_button.Click();
  EXPECT_EQ(table().RecordCount(), 1u);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(ProfileEditorTest, SortingByAColumnTitleReversesOnTheNextClickAndSurvivesAClose) {
  StartWith({Profile("b", "/s/2"), Profile("a", "/s/3"), Profile("c", "/s/1")});
  ASSERT_TRUE(table().MoveTo(2));  // "a"
  f().editor.ClickColumnTitle(2);  // "Source Dir."
  EXPECT_EQ(f().editor.SortColumn(), 2);
  EXPECT_EQ(Stored(0).Name, "c");
  EXPECT_EQ(Stored(2).Name, "a");
  EXPECT_EQ(table().AsText(F::Name), "a");  // still current

  f().editor.ClickColumnTitle(2);
  EXPECT_FALSE(f().editor.SortAscending());
  EXPECT_EQ(Stored(0).Name, "a");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());

  EXPECT_EQ(StoredNames(store), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ProfileEditorTest, SortRefusedByAnIncompleteRowKeepsOrderAndMarker) {
  StartWith({Profile("b"), Profile("a")});
  f().profile_name_edit.SetTextByUser("");
  f().editor.ClickColumnTitle(1);
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(f().editor.SortColumn(), -1);
  EXPECT_EQ(Stored(1).Name, "a");
}

TEST_F(ProfileEditorTest, IncrementalSearchMovesToTheFirstMatchInTheColumnFromTheCurrentRow) {
  StartWith({Profile("Alpha", "/x"), Profile("beta", "/home/a"), Profile("Bravo", "/home/b")});
  EXPECT_TRUE(f().editor.SearchIncrementally(1, "b"));
  EXPECT_EQ(table().RecNo(), 2u);
  EXPECT_TRUE(f().editor.SearchIncrementally(1, "br"));
  EXPECT_EQ(table().RecNo(), 3u);
  EXPECT_TRUE(f().editor.SearchIncrementally(2, "/x"));  // wraps round
  EXPECT_EQ(table().RecNo(), 1u);
  EXPECT_FALSE(f().editor.SearchIncrementally(1, "zz"));
  EXPECT_EQ(table().RecNo(), 1u);
}

TEST_F(ProfileEditorTest, OverlongTextsAreCutAtACharacterBoundaryAndOddDirectoriesAccepted) {
  StartWith({});
  // 29 ASCII bytes and a two-byte character would make 31 bytes: the character goes whole.
  const std::string name = std::string(29, 'n') + "\xC3\xA9";
  f().profile_name_edit.SetTextByUser(name);
  EXPECT_EQ(table().AsText(F::Name), std::string(29, 'n'));
  EXPECT_EQ(f().profile_name_edit.Text(), std::string(29, 'n'));
  f().source_folder_edit.SetTextByUser("/" + std::string(300, 's'));
  EXPECT_EQ(table().AsText(F::SrcDir).size(), 254u);
  f().file_filter_edit.SetTextByUser(" *.doc;;*.t?t ");
  EXPECT_EQ(table().AsText(F::FileMask), " *.doc;;*.t?t ");
  f().destination_folder_edit.SetTextByUser("/no/such/place");
  F2();
  EXPECT_EQ(table().state(), TableState::kBrowse);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(ProfileEditorTest, PickedPathTooLongForTheFieldIsRefusedRatherThanCut) {
  StartWith({Profile("a", "/src", "/dest")});
  const std::string deep = "/" + std::string(300, 'd');
  dialogs.ExpectBrowse(kSelectSourceTitle, deep);
  f().source_browse_button.Click();
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(table().AsText(F::SrcDir), "/src");
}

TEST_F(ProfileEditorTest, TimeEditorsTakeValidTimesAndAnInvalidOneStopsThePost) {
  StartWith({Profile("a")});
  f().interval_edit.SetTextByUser("01:30:00");
  EXPECT_NEAR(table().AsDateTime(F::Interval), EncodeTime(1, 30, 0), 1e-9);
  f().time_limits_box.Click();
  EXPECT_TRUE(f().start_time_edit.Enabled() && f().finish_time_label.Enabled());
  f().start_time_edit.SetTextByUser("25:00:00");
  f().profile_name_edit.SetTextByUser("b");  // another edit does not throw the unfinished time away
  EXPECT_EQ(f().start_time_edit.Text(), "25:00:00");
  F2();
  EXPECT_EQ(Errors(), std::vector<std::string>{"'25:00:00' is not a valid time"});
  EXPECT_EQ(table().state(), TableState::kEdit);
  f().start_time_edit.SetTextByUser("07:45:00");
  F2();
  EXPECT_EQ(table().state(), TableState::kBrowse);
  EXPECT_NEAR(Stored(0).StartTime, EncodeTime(7, 45, 0), 1e-9);
  EXPECT_TRUE(Stored(0).UseStartTimeEndTime);
}

TEST(TimeEditorText, FormatsAndParsesTimesAndDurations) {
  EXPECT_EQ(FormatTimeEditor(EncodeTime(8, 0, 0)), "08:00:00");
  EXPECT_EQ(FormatTimeEditor(1.5), "36:00:00");
  EXPECT_EQ(ParseTimeEditor("23:59:59", false), EncodeTime(23, 59, 59));
  EXPECT_FALSE(ParseTimeEditor("24:00:00", false));
  EXPECT_TRUE(ParseTimeEditor("24:00:00", true));
  EXPECT_FALSE(ParseTimeEditor("12:60:00", true));
  EXPECT_FALSE(ParseTimeEditor("12:00", true));
  EXPECT_FALSE(ParseTimeEditor("1:2:", false));
  EXPECT_EQ(ParseTimeEditor("1:2:3", false), EncodeTime(1, 2, 3));
}

TEST_F(ProfileEditorTest, CloseWithAnIncompleteRowIsRefusedAndTheStoreKeepsItsProfiles) {
  StartWith({Profile("a")});
  f().add_profile_button.Click();
  f().profile_name_edit.SetTextByUser("half");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  EXPECT_FALSE(form->Close());
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(table().state(), TableState::kInsert);
  EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(ProfileEditorTest, WizardButtonIsDisabledUntilThereIsAWizard) {
  StartWith({});
  EXPECT_FALSE(f().wizard_button.Enabled());
  int opened = 0;
  f().editor.SetWizard([&] { ++opened; });
  f().wizard_button.Click();
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace qm::test
