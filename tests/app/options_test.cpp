// The main window's options: first-start defaults, what a close stores, restoring at every
// show, saving on hide and on a session end, the autostart entry and the log directory's browser.
#include <gtest/gtest.h>

#include "app/autostart.h"
#include "app/main_form_state.h"
#include "app/stored_log_options.h"
#include "platform/shell.h"
#include "support/controller_factory.h"
#include "support/fake_placement.h"

namespace qm::test {
namespace {

class OptionsTest : public FormTest {
 protected:
  ~OptionsTest() override { form.reset(); }  // while the placement is still there

  // As Start(), with the window's placement attached and the executable at `exe`.
  void Launch(const std::string& exe = "/opt/quillmor/quillmor") {
    Create();
    form->executable_file = exe;
    form->fs.SetPlacement(&placement);
    window.ShowWindow();
  }
  void CloseWithYes() {
    dialogs.ExpectConfirm(kCloseQuestion, true);
    ASSERT_TRUE(form->Close());
  }
  Registry Options() const { return Registry(dir / "config", PosixFileSystem()); }
  void Store(const std::string& name, const std::string& value) {
    ASSERT_TRUE(
        Options().WriteString(Hive::kLocalMachine, MainFormSettings().Key(), name, value).ok());
  }
  std::optional<std::string> Stored(const std::string& name) const {
    return Options().ReadString(Hive::kLocalMachine, MainFormSettings().Key(), name);
  }
  std::optional<std::string> RunValue() const {
    return Options().ReadString(Hive::kLocalMachine, kRunKey, kRunValueName);
  }
  bool EntryExists() const { return dir.Exists("xdg/autostart/quillmor.desktop"); }

  FakePlacement placement;
};

TEST_F(OptionsTest, FirstStartHasTheDefaults) {
  WriteStore({"a"});
  Launch();
  PassOneTimeStep();
  const LogControls& log = form->Log;
  EXPECT_TRUE(log.create_log_box.Checked());
  EXPECT_TRUE(log.limit_log_size_box.Checked());
  EXPECT_EQ(log.log_limit_edit.Value(), 64);
  EXPECT_TRUE(log.log_errors_box.Checked());
  EXPECT_TRUE(log.log_deletes_box.Checked());
  EXPECT_FALSE(log.log_info_box.Checked());
  EXPECT_FALSE(log.log_successes_box.Checked());
  EXPECT_FALSE(form->autostart_box.Checked());
  EXPECT_EQ(log.log_folder_edit.Text(), dir / "data/");
  EXPECT_EQ(form->page_control_width, 281);
  EXPECT_EQ(placement.placements_set, 0);  // the window stays centred
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(dir.Exists("config/machine.ini"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(OptionsTest, ConfirmedCloseStoresEveryValue) {
  Launch();
  CloseWithYes();  // before the one-time step: the log directory is still empty
  const std::pair<const char*, const char*> want[] = {
      {"FormVersion", "0"},
      {"Flags", "0"},
      {"ShowCmd", "1"},
      {"PixelsPerInch", "96"},
      {"MinMaxPos(1280x800)", "-1,-1,-1,-1"},
      {"MinMaxPos", "-1,-1,-1,-1"},
      {"NormPos(1280x800)", "295,177,985,622"},
      {"NormPos", "295,177,985,622"},
      {"Visible", "0"},
      {"chRunOnWindowsStart_Checked", "False"},
      {"PC_Width", "281"},
      {"chLogCreate_Checked", "True"},
      {"chLogDeletes_Checked", "True"},
      {"chLogErrors_Checked", "True"},
      {"chLogLimitSize_Checked", "True"},
      {"chLogSucc_Checked", "False"},
      {"eLogLimit_Value", "64"},
      {"deLogDir_Text", ""},
      {"grdProfs_Tag", "0"},
      {"chLogInfo_Checked", "False"},
      {"grdProfs_FixedColor", "-16777201"},
      {"grdProfs_FooterColor", "-16777211"},
  };
  for (const auto& [name, value] : want) EXPECT_EQ(Stored(name), value) << name;
  form.reset();  // saved at the close: the destroy does not save again
  EXPECT_EQ(Stored("Visible"), "0");
}

TEST_F(OptionsTest, OptionsAndPlacementComeBackAtTheNextStart) {
  WriteStore({"a", "b", "c"});
  Launch();
  PassOneTimeStep();
  form->Log.log_successes_box.Click();
  form->Log.log_limit_edit.SetValueByUser(500);
  form->Log.log_folder_edit.SetTextByUser("/var/log/quillmor/");
  form->page_control_width = 300;
  placement.placement = {0, 1, -1, -1, -1, -1, 40, 50, 800, 600};
  CloseWithYes();
  form.reset();

  window = FakeWindow{};
  placement = FakePlacement{};
  Launch();
  EXPECT_TRUE(form->Log.log_successes_box.Checked());
  EXPECT_EQ(form->Log.log_limit_edit.Value(), 500);
  EXPECT_EQ(form->Log.log_folder_edit.Text(), "/var/log/quillmor/");
  EXPECT_EQ(form->page_control_width, 300);
  EXPECT_EQ(placement.placement.left, 40);
  EXPECT_EQ(placement.placement.bottom, 600);
}

TEST_F(OptionsTest, AnOptionSurvivesHidingAndShowing) {
  WriteStore({"a", "b"});
  Launch();
  PassOneTimeStep();
  form->Log.log_successes_box.Click();
  form->HideToTray();
  EXPECT_EQ(Stored("chLogSucc_Checked"), "True");
  EXPECT_EQ(Stored("grdProfs_Tag"), "1");  // written by FormHide before the save
  form->ShowFromTray();
  EXPECT_TRUE(form->Log.log_successes_box.Checked());
}

TEST_F(OptionsTest, ASessionEndSavesTheOptions) {
  WriteStore({"a"});
  Launch();
  PassOneTimeStep();
  form->Log.log_info_box.Click();
  form->EndSession();
  EXPECT_EQ(Stored("chLogInfo_Checked"), "True");
  EXPECT_EQ(Stored("Visible"), "0");
}

TEST_F(OptionsTest, ClosingBeforeTheWindowWasEverShownWritesNothing) {
  Create();
  form->EndSession();
  form.reset();
  EXPECT_FALSE(dir.Exists("config/machine.ini"));
}

TEST_F(OptionsTest, AutostartEntryFollowsTheBox) {
  Launch("/home/ann/My Apps/quillmor");
  form->autostart_box.Click();
  EXPECT_EQ(RunValue(), "/home/ann/My Apps/quillmor /B");
  EXPECT_EQ(dir.ReadFile("xdg/autostart/quillmor.desktop"),
            "[Desktop Entry]\nType=Application\nName=Quillmor\n"
            "Comment=Backs up and synchronises folders in the background\n"
            "Exec=\"/home/ann/My Apps/quillmor\" /B\nTerminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
  form->autostart_box.Click();
  EXPECT_FALSE(RunValue());
  EXPECT_FALSE(EntryExists());
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(OptionsTest, AStoredTrueRewritesTheEntryForAMovedExecutable) {
  Store("chRunOnWindowsStart_Checked", "True");
  ASSERT_TRUE(
      Options().WriteString(Hive::kLocalMachine, kRunKey, kRunValueName, "/old/quillmor /B").ok());
  Launch("/new/place/quillmor");
  EXPECT_TRUE(form->autostart_box.Checked());
  EXPECT_EQ(RunValue(), "/new/place/quillmor /B");
  EXPECT_NE(dir.ReadFile("xdg/autostart/quillmor.desktop").find("Exec=/new/place/quillmor /B\n"),
            std::string::npos);

  // A stored "False" leaves an entry alone.
  CloseWithYes();
  form.reset();
  Store("chRunOnWindowsStart_Checked", "False");
  window = FakeWindow{};
  Launch("/elsewhere/quillmor");
  EXPECT_EQ(RunValue(), "/new/place/quillmor /B");
  EXPECT_TRUE(EntryExists());
}

TEST_F(OptionsTest, AFailedAutostartChangeIsShownAndTheBoxGoesBack) {
  Launch();
  fs.FailAlways(FsOp::kCreate, ErrorKind::kAccessDenied, "autostart");
  form->autostart_box.Click();
  EXPECT_FALSE(form->autostart_box.Checked());
  EXPECT_FALSE(RunValue());
  ASSERT_EQ(dialogs.Texts(DialogKind::kError).size(), 1u);
  EXPECT_EQ(
      dialogs.Texts(DialogKind::kError)[0].rfind("Can not make Quillmor start at log-in.\r\n", 0),
      0u);

  // Turning it off fails: the box is checked again and the entry and the value stay.
  fs.ClearFaults();
  form->autostart_box.Click();
  ASSERT_TRUE(RunValue());
  fs.FailAlways(FsOp::kRemove, ErrorKind::kAccessDenied, "quillmor.desktop");
  form->autostart_box.Click();
  EXPECT_TRUE(form->autostart_box.Checked());
  EXPECT_TRUE(RunValue());
  EXPECT_TRUE(EntryExists());
  EXPECT_EQ(dialogs.Texts(DialogKind::kError).size(), 2u);

  // The Run value cannot be written: the new entry is taken back.
  fs.ClearFaults();
  form->autostart_box.Click();
  ASSERT_FALSE(EntryExists());
  fs.FailAlways(FsOp::kCreate, ErrorKind::kNoSpace, "machine.ini");
  form->autostart_box.Click();
  EXPECT_FALSE(form->autostart_box.Checked());
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(RunValue());
}

TEST_F(OptionsTest, LogDirectoryBrowserStartsAtTheFieldOrTheRoot) {
  Launch();
  form->Log.log_folder_edit.SetText(dir / "missing");
  dialogs.ExpectBrowse(kLogDirBrowseTitle, std::nullopt);
  form->Log.log_folder_browse_button.Click();
  EXPECT_EQ(form->Log.log_folder_edit.Text(), dir / "missing");

  form->Log.log_folder_edit.SetText(dir.path());
  dialogs.ExpectBrowse(kLogDirBrowseTitle, "/srv/logs");
  form->Log.log_folder_browse_button.Click();
  EXPECT_EQ(form->Log.log_folder_edit.Text(), "/srv/logs");
  EXPECT_EQ(dialogs.browse_starts(), (std::vector<std::string>{"/", dir.path()}));
}

TEST_F(OptionsTest, StoredLogOptionsWithoutAWindow) {
  Store("chLogSucc_Checked", "true");
  Store("chLogErrors_Checked", "False");
  Store("eLogLimit_Value", "100000");
  Store("deLogDir_Text", " /var/log/q/ ");
  Store("chRunOnWindowsStart_Checked", "True");
  const LogOptions log = LoadStoredLogOptions(Options());
  EXPECT_TRUE(log.success);
  EXPECT_FALSE(log.errors);
  EXPECT_TRUE(log.deletes);
  EXPECT_EQ(log.limit_kb, 65536);
  EXPECT_EQ(log.dir, "/var/log/q/");
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(RunValue());
}

TEST_F(OptionsTest, ParametersPageCaptionsAndHints) {
  Launch();
  EXPECT_EQ(form->autostart_box.Caption(), "Start Quillmor with Windows");
  EXPECT_EQ(form->autostart_box.Color(), kBackgroundGreen);
  EXPECT_EQ(form->autostart_box.Hint(),
            "Check this box if you want Quillmor always start with Windows. \r\nIf this box "
            "checked then Quillmor works in the background mode.");
  EXPECT_EQ(form->log_group_box.Caption(), "Log");
  EXPECT_EQ(form->Log.log_folder_label.Hint(), form->Log.log_folder_edit.Hint());
  EXPECT_EQ(form->Log.log_folder_edit.Hint(),
            "Where to put the log file.\r\nThe log file name is \"Quillmor.log\". It places into "
            "this directory.");
  EXPECT_EQ(form->Log.log_limit_edit.Min(), 0);
  EXPECT_EQ(form->Log.log_limit_edit.Max(), 65536);
}

}  // namespace
}  // namespace qm::test
