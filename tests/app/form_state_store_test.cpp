// The form-state store on its own: text forms, odd stored values, the placement rules and the
// hooks around a window's show, close and destroy.
#include "app/form_state_store.h"

#include <gtest/gtest.h>

#include "support/fake_placement.h"
#include "support/fault_file_system.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

constexpr const char* kKey = "Software\\Test\\Form";

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() : faults(PosixFileSystem()), registry(dir / "config", faults) {}

  std::unique_ptr<FormStateStore> MakeStore(bool placement = true) {
    FormStateSettings settings;
    settings.root = Hive::kCurrentUser;
    settings.key_path = "Software\\Test";
    settings.section = "Form";
    settings.store_placement = placement;
    return std::make_unique<FormStateStore>(
        registry, dialogs, settings,
        std::vector<StoredProperty>{CheckedProperty(box), IntegerProperty("PC.Width", width),
                                    ValueProperty(spin), TextProperty(edit),
                                    ItemIndexProperty(combo)},
        &window);
  }
  void Store(const std::string& name, const std::string& value) {
    ASSERT_TRUE(registry.WriteString(Hive::kCurrentUser, kKey, name, value).ok());
  }
  std::optional<std::string> Stored(const std::string& name) const {
    return Registry(dir / "config", PosixFileSystem()).ReadString(Hive::kCurrentUser, kKey, name);
  }
  bool HiveExists() const { return dir.Exists("config/user.ini"); }

  TempDir dir;
  FaultInjectingFileSystem faults;
  Registry registry;
  ScriptedDialogs dialogs;
  FakePlacement window;
  ui::CheckBox box{"chBox", "Box", false};
  int width = 281;
  ui::SpinEdit spin{"eLimit", 0, 65536, 64};
  ui::Edit edit{"deDir"};
  ui::ComboBox combo{"rgUse", {"a", "b"}};
};

TEST_F(StoreTest, SaveWritesEveryValueInItsTextForm) {
  auto store = MakeStore();
  store->RestoreFormState();
  width = -3;
  ASSERT_TRUE(store->Save().ok());

  EXPECT_EQ(Stored("FormVersion"), "0");
  EXPECT_EQ(Stored("Flags"), "0");
  EXPECT_EQ(Stored("ShowCmd"), "1");
  EXPECT_EQ(Stored("PixelsPerInch"), "96");
  EXPECT_EQ(Stored("MinMaxPos(1280x800)"), "-1,-1,-1,-1");
  EXPECT_EQ(Stored("MinMaxPos"), "-1,-1,-1,-1");
  EXPECT_EQ(Stored("NormPos(1280x800)"), "295,177,985,622");
  EXPECT_EQ(Stored("NormPos"), "295,177,985,622");
  EXPECT_EQ(Stored("Visible"), "0");
  EXPECT_EQ(Stored("chBox_Checked"), "False");
  EXPECT_EQ(Stored("PC_Width"), "-3");
  EXPECT_EQ(Stored("eLimit_Value"), "64");
  EXPECT_EQ(Stored("deDir_Text"), "");  // an empty text is still written
  EXPECT_EQ(Stored("rgUse_ItemIndex"), "-1");
  EXPECT_TRUE(store->SavedSinceShow());
}

TEST_F(StoreTest, WithoutPlacementOnlyVersionAndPropertiesAreWritten) {
  auto store = MakeStore(/*placement=*/false);
  store->RestoreFormState();
  box.SetChecked(true);
  ASSERT_TRUE(store->Save().ok());
  EXPECT_EQ(Stored("FormVersion"), "0");
  EXPECT_EQ(Stored("chBox_Checked"), "True");
  EXPECT_FALSE(Stored("Flags"));
  EXPECT_FALSE(Stored("NormPos"));
  EXPECT_EQ(window.placements_set, 0);
}

TEST_F(StoreTest, NothingIsWrittenBeforeTheFirstRestore) {
  auto store = MakeStore();
  EXPECT_TRUE(store->Save().ok());
  store->Destroy(nullptr);
  EXPECT_FALSE(HiveExists());
}

TEST_F(StoreTest, OddStoredValuesConvertOrLeaveTheControl) {
  struct Case {
    std::string box, width, spin, text, index;
    bool want_box;
    int want_width;
    int64_t want_spin;
    std::string want_text;
    int want_index;
  };
  const Case cases[] = {
      {"TRUE", "abc", "100000", " /logs/ ", "1", true, 0, 65536, "/logs/", 1},
      {"yes", "  12 ", "-5", "", "7", false, 12, 0, "", -1},
      {"true", "99999999999", "abc", "x", "", true, 0, 64, "x", 0},
      {" fAlSe ", "-40", " 12.4 ", "", "-1", false, -40, 12, "", -1},
      {"1", "+7", "1e3", "", "b", false, 7, 1000, "", 0},
      {"True", "7", "inf", "", "1", true, 7, 64, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box + " " + c.width + " " + c.spin);
    box.SetChecked(false);
    width = 281;
    spin.SetValue(64);
    combo.SetItemIndex(0);
    Store("chBox_Checked", c.box);
    Store("PC_Width", c.width);
    Store("eLimit_Value", c.spin);
    Store("deDir_Text", c.text);
    Store("rgUse_ItemIndex", c.index);
    MakeStore()->RestoreFormState();
    EXPECT_EQ(box.Checked(), c.want_box);
    EXPECT_EQ(width, c.want_width);
    EXPECT_EQ(spin.Value(), c.want_spin);
    EXPECT_EQ(edit.Text(), c.want_text);
    EXPECT_EQ(combo.ItemIndex(), c.want_index);
  }
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StoreTest, RestoringACheckBoxRunsItsClickHandlerOnlyWhenItChanges) {
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  Store("chBox_Checked", "True");
  MakeStore()->RestoreFormState();
  MakeStore()->RestoreFormState();
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 1);
}

TEST_F(StoreTest, ANewerLayoutVersionIsNotApplied) {
  Store("FormVersion", "-1");
  Store("chBox_Checked", "True");
  Store("NormPos", "10,10,500,400");
  MakeStore()->RestoreFormState();
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(window.placements_set, 0);
}

TEST_F(StoreTest, PlacementForThisScreenSizeComesFirst) {
  Store("NormPos(1280x800)", "10,20,700,465");
  Store("NormPos", "1,2,3,4");
  Store("MinMaxPos", "-1,-1,-8,x");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.placements_set, 1);
  EXPECT_EQ(window.placement.left, 10);
  EXPECT_EQ(window.placement.bottom, 465);
  EXPECT_EQ(window.placement.max_x, -8);
  EXPECT_EQ(window.placement.max_y, 0);  // not a number

  // Another screen size, or an empty sized value: the plain value.
  Store("NormPos(1280x800)", "");
  Store("NormPos", "30,40,");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.placement.left, 30);
  EXPECT_EQ(window.placement.top, 40);
  EXPECT_EQ(window.placement.right, 700);  // missing parts keep the current rectangle
  EXPECT_EQ(window.placement.bottom, 465);
}

TEST_F(StoreTest, PlacementIsIgnoredFromAnotherDensityOrWhenInverted) {
  Store("PixelsPerInch", "120");
  Store("NormPos", "10,20,700,465");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.placements_set, 0);

  Store("PixelsPerInch", "96");
  Store("NormPos", "700,20,10,465");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.placements_set, 0);
  EXPECT_EQ(window.placement.left, 295);
}

TEST_F(StoreTest, AFixedBorderKeepsTheWindowsSize) {
  window.resizable = false;
  Store("NormPos", "10,20,30,40");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.placement.left, 10);
  EXPECT_EQ(window.placement.right, 10 + 690);
  EXPECT_EQ(window.placement.bottom, 20 + 445);
}

TEST_F(StoreTest, ShowCommandGivesTheWindowState) {
  const std::pair<const char*, WindowState> cases[] = {
      {"3", WindowState::kMaximized}, {"1", WindowState::kNormal}, {"9", WindowState::kNormal},
      {"0", WindowState::kNormal},    {"x", WindowState::kNormal}, {"4", WindowState::kNormal},
  };
  for (const auto& [cmd, want] : cases) {
    Store("ShowCmd", cmd);
    window.state = WindowState::kMinimized;
    MakeStore()->RestoreFormState();
    EXPECT_EQ(window.state, want) << cmd;
  }
  EXPECT_EQ(window.application_minimized, 0);

  // A minimized main window minimizes the whole application instead.
  Store("ShowCmd", "6");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.state, WindowState::kNormal);
  EXPECT_EQ(window.application_minimized, 1);
  window.main = false;
  Store("ShowCmd", "2");
  MakeStore()->RestoreFormState();
  EXPECT_EQ(window.state, WindowState::kMinimized);
}

TEST_F(StoreTest, HooksSaveAfterAnAllowedCloseAndOnDestroyOnlyWhenUnsaved) {
  auto store = MakeStore();
  int shows = 0;
  store->Show([&] {
    ++shows;
    EXPECT_TRUE(store->Restored());  // the restore comes first
  });
  EXPECT_EQ(shows, 1);
  box.SetChecked(true);
  EXPECT_FALSE(store->CloseQuery([] { return false; }));
  EXPECT_FALSE(HiveExists());

  EXPECT_TRUE(store->CloseQuery([] { return true; }));
  EXPECT_EQ(Stored("chBox_Checked"), "True");
  box.SetChecked(false);
  int destroyed = 0;
  store->Destroy([&] { ++destroyed; });
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Stored("chBox_Checked"), "True");  // saved at the close already
  EXPECT_EQ(Stored("Visible"), "0");

  // Shown again and destroyed without a close: saved, marked as a save while destroying.
  store->Show(nullptr);
  box.SetChecked(false);
  store->Destroy(nullptr);
  EXPECT_EQ(Stored("chBox_Checked"), "False");
  EXPECT_EQ(Stored("Visible"), "1");
}

TEST_F(StoreTest, RegistryErrorsAreShownAndDoNotStopTheClose) {
  auto store = MakeStore();
  store->Show(nullptr);
  faults.FailAlways(FsOp::kCreate, ErrorKind::kNoSpace);
  EXPECT_TRUE(store->CloseQuery([] { return true; }));
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError),
            std::vector<std::string>{"Failed to set data for 'FormVersion'"});
  EXPECT_FALSE(HiveExists());

  // A hive that cannot be read is never replaced: the key cannot be opened for writing.
  faults.ClearFaults();
  dir.WriteFile("config/user.ini", "[a]\nb=c\n");
  faults.FailAlways(FsOp::kOpenRead, ErrorKind::kAccessDenied, "user.ini");
  store->Destroy(nullptr);
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError).back(), "Failed to create key Form.");
  EXPECT_EQ(dir.ReadFile("config/user.ini"), "[a]\nb=c\n");
}

TEST(StoreText, RealsAndErrorTexts) {
  EXPECT_EQ(RealText(64), "64");
  EXPECT_EQ(RealText(-0.5), "-0.5");
  EXPECT_EQ(RealText(65536), "65536");
  EXPECT_EQ(RegistryErrorText(kInvalidDataType, "NormPos"), "Invalid data type for 'NormPos'");
  const StoredProperty tag{"grdProfs.Tag", PropertyType::kInteger, {}, {}};
  EXPECT_EQ(tag.ValueName(), "grdProfs_Tag");
}

}  // namespace
}  // namespace qm::test
