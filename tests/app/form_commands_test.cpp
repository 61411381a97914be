// The window commands: hiding and showing with the tray entries following, and the hot keys
// acting as their buttons do.
#include <gmock/gmock.h>

#include "support/controller_factory.h"

namespace qm::test {
namespace {

TEST_F(FormTest, HideCommandHidesAndTheTrayEntriesSwap) {
  Open({"a"});
  EXPECT_FALSE(form->show_menu_item.Enabled());
  EXPECT_TRUE(form->hide_menu_item.Enabled());

  EXPECT_TRUE(form->FormKeyUp(MainWindowController::HotKey::kF10));
  EXPECT_FALSE(window.visible);
  EXPECT_TRUE(form->show_menu_item.Enabled());
  EXPECT_FALSE(form->hide_menu_item.Enabled());
  EXPECT_FALSE(form->state.Running);

  form->show_menu_item.Click();
  EXPECT_TRUE(window.visible);
  EXPECT_FALSE(form->show_menu_item.Enabled());
  EXPECT_TRUE(form->hide_menu_item.Enabled());
  EXPECT_EQ(form->profile_table.RecNo(), 1u);
}

TEST_F(FormTest, HotKeysOfDisabledButtonsLeaveTheBackgroundModeAsItIs) {
  Open({"a"}, {"/B"});
  ASSERT_EQ(form->state.Mode, RunMode::kBackground);

  // "Start selected" is disabled in the background mode: F8 starts nothing beside it.
  form->FormKeyUp(MainWindowController::HotKey::kF8);
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_EQ(form->start_button.Caption(), "Start selected");

  form->FormKeyUp(MainWindowController::HotKey::kF9);
  EXPECT_NE(form->state.Mode, RunMode::kBackground);
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(form->start_background_button.Caption(), "Start in background");
  EXPECT_FALSE(window.visible);
}

TEST_F(FormTest, TrayCloseInTheBackgroundModeAsksOnceAndNoKeepsItRunning) {
  Open({"a"}, {"/B"});

  dialogs.ExpectConfirm("Stop and close Quillmor?", false);
  form->close_menu_item.Click();
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(form->state.Mode, RunMode::kBackground);
  EXPECT_TRUE(form->session().background_queue_timer.Enabled());

  dialogs.ExpectConfirm("Stop and close Quillmor?", true);
  form->close_menu_item.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 2u);
}

TEST_F(FormTest, TrayCloseWhileIdleAsksOnlyTheCloseQuestion) {
  Open({"a"});
  dialogs.ExpectConfirm(kCloseQuestion, true);
  form->close_menu_item.Click();
  EXPECT_TRUE(form->Closed());
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

TEST_F(FormTest, StartSelectedRunsTheSelectedProfilesThenUnselectsThem) {
  WriteStore({"a", "b", "c"});
  for (const char* name : {"a", "b", "c"})
    dir.WriteFile(std::string("src-") + name + "/f.txt", name);
  Start();
  PassOneTimeStep();
  int cleared = 0;
  form->profile_grid.SelectionCleared.Connect([&] { ++cleared; });
  form->profile_grid.SelectedRows = {0, 2};
  form->start_button.Click();
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ::testing::ElementsAre("Done."));
  EXPECT_EQ(dir.ReadFile("dest-a/f.txt"), "a");
  EXPECT_FALSE(dir.Exists("dest-b/f.txt")) << "b was not selected";
  EXPECT_EQ(dir.ReadFile("dest-c/f.txt"), "c");
  EXPECT_TRUE(form->profile_grid.SelectedRows.empty());
  EXPECT_EQ(cleared, 1);
}

}  // namespace
}  // namespace qm::test
