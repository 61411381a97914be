// The run controller driving the real engine on real files and a virtual clock: the control
// table in each state, how runs start and stop, and the tray's "Close".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/run_controller.h"
#include "app/run_controls_of.h"
#include "app/run_records.h"
#include "app/run_view.h"
#include "engine/engine_loop.h"
#include "engine/run_observers.h"
#include "engine/scan.h"
#include "profiles/log_kind.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RunControllerTest : public ::testing::Test, public RunControllerHost {
 protected:
  RunControllerTest() {
    observers.Add(records);
    observers.Add(view);
    observers.Add(run);
    src = tmp.MakeDir("src");
    tmp.WriteFile("src/a.txt", "a");
    // Runs lock their folders here rather than in the user's home.
    state.LockDirectory = tmp / "locks";
    state.SyncStateDirectory = tmp / "data";
    page_control.AddPage(current_profile_page);
    page_control.AddPage(statistics_page);
    page_control.AddPage(parameters_page);
    // As a real tab widget does: hiding the shown tab shows its neighbour.
    statistics_page.Changed().Connect([this] {
      if (!statistics_page.TabVisible() && page_control.ActivePage() == &statistics_page)
        page_control.SetActivePage(&parameters_page);
    });
    start_button.OnClick = [this] { run.ToggleSelectedRun(); };
    start_background_button.OnClick = [this] { run.ToggleBackgroundMode(); };
    stop_menu_item.OnClick = [this] { run.ToggleBackgroundMode(); };
    start_background_menu_item.OnClick = [this] { run.ToggleBackgroundMode(); };
    ProfileRecord p;
    p.SetName("Docs");
    p.SetSrcDir(src);
    p.SetDestDir(tmp / "dest");
    p.SetFileMask("*.*");
    p.SetInclDirs(true);
    profiles.push_back(p);
    // As the window is created.
    start_button.SetGlyph(0);
    start_background_button.SetGlyph(2);
    hide_button.SetEnabled(false);
    run.UpdateControls();
  }

  // RunControllerHost
  bool PostPendingEdit() override { return post_allowed; }
  size_t ProfileCount() const override { return profiles.size(); }
  bool MainWindowVisible() const override { return visible; }
  void HideMainWindow() override { visible = false; }
  void RunSelectedProfiles() override {
    EngineContext ctx = Ctx();
    qm::RunSelectedProfiles(ctx, profiles, [&](const ProfileRecord& p) { QueueProfile(ctx, p); });
  }
  bool StartBackgroundMode() override {
    state.Running = true;
    state.Mode = RunMode::kBackground;
    ++timer_items_created;
    background_timers = true;
    return true;
  }
  void StopBackgroundMode() override {
    state.Mode = RunMode::kIdle;
    StopRun();
    background_timers = false;
  }
  void ShowStatus(const std::string& text) override { view.ShowStatus(text); }
  void StopRun() override {
    state.Running = false;
    log.clear();
    view.ShowStopped();
  }

  EngineContext Ctx() {
    return EngineContext{PosixFileSystem(), loop, loop, formats, state, run_list, observers};
  }

  void ExpectIdle() {
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(start_button.Caption(), "Start selected");
    EXPECT_EQ(start_button.Glyph(), 0);
    EXPECT_TRUE(start_button.Enabled());
    EXPECT_EQ(start_background_button.Caption(), "Start in background");
    EXPECT_EQ(start_background_button.Glyph(), 2);
    EXPECT_TRUE(start_background_button.Enabled());
    EXPECT_FALSE(hide_button.Enabled());
    EXPECT_TRUE(current_profile_page.TabVisible());
    EXPECT_TRUE(parameters_page.TabVisible());
    EXPECT_FALSE(statistics_page.TabVisible());
    EXPECT_TRUE(start_background_menu_item.Enabled());
    EXPECT_FALSE(stop_menu_item.Enabled());
  }
  // Only the statistics page is shown while work goes on.
  void ExpectStatisticsOnly() {
    EXPECT_FALSE(current_profile_page.TabVisible());
    EXPECT_FALSE(parameters_page.TabVisible());
    EXPECT_TRUE(statistics_page.TabVisible());
    EXPECT_EQ(page_control.ActivePage(), &statistics_page);
  }

  TempDir tmp;
  std::string src;
  std::vector<ProfileRecord> profiles;
  ui::VirtualMessageLoop loop;
  ScriptedDialogs dialogs;
  RegionalFormats formats;
  RunState state;
  NamedList<RunSnapshot> run_list;
  std::vector<std::string> log;
  bool post_allowed = true, visible = true, tray_animated = false, background_timers = false;
  int timer_items_created = 0;
  std::string tray_hint;

  // Public, so that RunControlsOf finds them as it finds the main window's.
 public:
  ui::Button start_button{"start_button", "Start selected"};
  ui::Button start_background_button{"start_background_button", "Start in background"};
  ui::Button hide_button{"hide_button", "Hide"};
  ui::TabSheet current_profile_page{"current_profile_page"}, statistics_page{"statistics_page"},
      parameters_page{"parameters_page"};
  ui::PageControl page_control{"page_control"};
  ui::CheckBox time_limits_box{"time_limits_box"};
  ui::Edit start_time_edit{"start_time_edit"}, finish_time_edit{"finish_time_edit"};
  ui::Label start_time_label{"start_time_label"}, finish_time_label{"finish_time_label"};
  ui::MenuItem show_menu_item{"show_menu_item"}, hide_menu_item{"hide_menu_item"},
      start_background_menu_item{"start_background_menu_item"}, stop_menu_item{"stop_menu_item"};
  ui::Label status_label{"status_label"}, files_today_label{"files_today_label"},
      files_this_hour_label{"files_this_hour_label"},
      files_this_minute_label{"files_this_minute_label"}, started_at_label{"started_at_label"},
      finish_expected_label{"finish_expected_label"},
      profiles_to_operate_label{"profiles_to_operate_label"},
      files_total_label{"files_total_label"}, files_left_label{"files_left_label"},
      total_percent_label{"total_percent_label"}, current_profile_label{"current_profile_label"},
      profile_started_at_label{"profile_started_at_label"},
      profile_finish_expected_label{"profile_finish_expected_label"},
      profile_files_label{"profile_files_label"},
      profile_files_left_label{"profile_files_left_label"},
      profile_percent_label{"profile_percent_label"}, current_file_label{"current_file_label"},
      file_percent_label{"file_percent_label"};
  ui::ProgressBar total_progress{"total_progress"}, profile_progress{"profile_progress"},
      file_progress{"file_progress"};
  RunRecords records{[this](LogKind, const std::string& text) { log.push_back(text); }, [] {}};
  RunView view{StatisticsPageOf(*this),
               formats,
               state,
               run_list,
               {[this](bool on) { tray_animated = on; },
                [this](const std::string& hint) { tray_hint = hint; }},
               loop};
  RunController run{state, RunControlsOf(*this), *this, loop, dialogs};
  RunObservers observers;
};

TEST_F(RunControllerTest, EmptyTableDisablesBothStartsAndTheTrayItem) {
  profiles.clear();
  run.UpdateControls();
  EXPECT_FALSE(start_button.Enabled());
  EXPECT_FALSE(start_background_button.Enabled());
  EXPECT_FALSE(start_background_menu_item.Enabled());
  start_button.Click();
  start_background_button.Click();
  EXPECT_FALSE(state.Running) << "keys of disabled buttons do nothing";
}

TEST_F(RunControllerTest, StartSelectedShowsItsStateThenEndsIdleAfterDone) {
  ExpectIdle();
  bool checked = false;
  status_label.Changed().Connect([&] {
    if (status_label.Caption() != "Backing up...") return;
    checked = true;
    EXPECT_TRUE(state.Running);
    EXPECT_TRUE(state.SelectedRun);
    EXPECT_EQ(start_button.Caption(), "Stop");
    EXPECT_EQ(start_button.Glyph(), 1);
    EXPECT_EQ(start_button.Hint(), "Stop running profile (profiles)\r[ F8 ]");
    EXPECT_FALSE(start_background_button.Enabled());
    EXPECT_FALSE(hide_button.Enabled());
    EXPECT_FALSE(start_background_menu_item.Enabled());
    EXPECT_FALSE(stop_menu_item.Enabled());
    ExpectStatisticsOnly();
  });
  start_button.Click();
  EXPECT_TRUE(checked);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(start_button.Hint(), "Start selected profile (profiles)\r[ F8 ]");
  EXPECT_EQ(status_label.Caption(), "Ready.");
  EXPECT_EQ(tray_hint, "Quillmor stoped.");
  EXPECT_FALSE(state.SelectedRun);
  EXPECT_FALSE(state.EngineBusy);
  EXPECT_EQ(page_control.ActivePage(), &current_profile_page);
  ExpectIdle();
}

TEST_F(RunControllerTest, StopClickDuringALongCopyEndsTheRunAfterThatFile) {
  tmp.WriteFile("src/big/big.bin", std::string(4 << 20, 'b'));
  loop.At(100, [&] {
    ASSERT_GT(file_progress.Position(), 0);
    start_button.Click();  // the user's "Stop"
    EXPECT_EQ(status_label.Caption(), "Stoped.");
  });
  start_button.Click();
  EXPECT_EQ(tmp.ReadFile("dest/big/big.bin").size(), size_t{4} << 20);
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_EQ(status_label.Caption(), "Ready.");
  ExpectIdle();
}

TEST_F(RunControllerTest, RefusedPostCancelsTheClick) {
  post_allowed = false;
  state.Mode = RunMode::kBackground;
  start_button.Click();
  EXPECT_FALSE(state.Running);
  EXPECT_NE(state.Mode, RunMode::kBackground) << "cleared before the post is tried";
  EXPECT_EQ(start_button.Caption(), "Start selected");
}

TEST_F(RunControllerTest, RefusedPostAtTheEndOfARunStillEndsIt) {
  status_label.Changed().Connect([&] {
    if (status_label.Caption() == "Backing up...") post_allowed = false;  // an edit left unfinished
  });
  start_button.Click();
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_FALSE(state.Running);
  EXPECT_EQ(status_label.Caption(), "Ready.");
}

TEST_F(RunControllerTest, BackgroundModeHidesTheWindowAndTheTrayStopsIt) {
  start_background_button.Click();
  EXPECT_TRUE(state.Running);
  EXPECT_EQ(state.Mode, RunMode::kBackground);
  EXPECT_FALSE(visible);
  EXPECT_EQ(status_label.Caption(), "Background mode started.");
  EXPECT_EQ(start_background_button.Caption(), "Stop");
  EXPECT_EQ(start_background_button.Glyph(), 3);
  EXPECT_EQ(start_background_button.Hint(), "Stop the background mode\r[ F9 ]");
  EXPECT_FALSE(start_button.Enabled());
  EXPECT_TRUE(hide_button.Enabled());
  EXPECT_TRUE(background_timers);
  EXPECT_EQ(timer_items_created, 1);
  ExpectStatisticsOnly();
  EXPECT_FALSE(start_background_menu_item.Enabled());
  EXPECT_TRUE(stop_menu_item.Enabled());
  EXPECT_TRUE(show_menu_item.Enabled());
  EXPECT_FALSE(hide_menu_item.Enabled());

  stop_menu_item.Click();
  EXPECT_FALSE(visible) << "stopping from the tray leaves the window hidden";
  EXPECT_FALSE(background_timers);
  EXPECT_EQ(status_label.Caption(), "Stoped.");
  ExpectIdle();
}

TEST_F(RunControllerTest, EngineInTheBackgroundWaitsForWorkUntilStopped) {
  start_background_button.Click();
  // The background timer's job, reduced to its core: queue and enter the engine.
  loop.At(50, [&] {
    EngineContext ctx = Ctx();
    QueueProfile(ctx, profiles[0]);
  });
  loop.At(5000, [&] { stop_menu_item.Click(); });
  EngineContext ctx = Ctx();
  ProcessRunList(ctx);
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_GE(loop.TickCount(), 5000u) << "the loop waited for work until the stop";
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_EQ(status_label.Caption(), "Ready.");
  ExpectIdle();
}

TEST_F(RunControllerTest, CloseInTheBackgroundAsksFirst) {
  int closes = 0;
  run.ToggleBackgroundMode();
  dialogs.ExpectConfirm("Stop and close Quillmor?", false);
  run.CloseFromTray([&] { ++closes; });
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(state.Running);
  dialogs.ExpectConfirm("Stop and close Quillmor?", true);
  run.CloseFromTray([&] { ++closes; });
  EXPECT_EQ(closes, 1);

  run.ToggleBackgroundMode();
  run.CloseFromTray([&] { ++closes; });
  EXPECT_EQ(closes, 2) << "idle: no question of the controller's own";
}

}  // namespace
}  // namespace qm::test
