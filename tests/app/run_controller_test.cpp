// The run controller driving the real engine on real files and a virtual clock: the control
// table in each state, how runs start and stop, and the tray's "Close".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/run_controller.h"
#include "app/run_controls_of.h"
#include "app/run_records.h"
#include "app/run_view.h"
#include "engine/process_run_list.h"
#include "engine/run_observers.h"
#include "engine/scan.h"
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
    PC.AddPage(tshCurProf);
    PC.AddPage(tshStat);
    PC.AddPage(tshPars);
    // As a real tab widget does: hiding the shown tab shows its neighbour.
    tshStat.Changed().Connect([this] {
      if (!tshStat.TabVisible() && PC.ActivePage() == &tshStat) PC.SetActivePage(&tshPars);
    });
    bStart.OnClick = [this] { run.bStartClick(); };
    bStartBackground.OnClick = [this] { run.bStartBackgroundClick(); };
    StopItem.OnClick = [this] { run.bStartBackgroundClick(); };
    StartinbackgroundItem.OnClick = [this] { run.bStartBackgroundClick(); };
    TProfileRecord p;
    p.SetName("Docs");
    p.SetSrcDir(src);
    p.SetDestDir(tmp / "dest");
    p.SetFileMask("*.*");
    p.SetInclDirs(true);
    profiles.push_back(p);
    // As the window is created.
    bStart.SetGlyph(0);
    bStartBackground.SetGlyph(2);
    bHide.SetEnabled(false);
    run.UpdateControls();
  }

  // RunControllerHost
  bool PostPendingEdit() override { return post_allowed; }
  size_t ProfileCount() const override { return profiles.size(); }
  bool MainWindowVisible() const override { return visible; }
  void HideMainWindow() override { visible = false; }
  void RunSelectedProfiles() override {
    EngineContext ctx = Ctx();
    qm::RunSelectedProfiles(ctx, profiles, [&](const TProfileRecord& p) { QueueProfile(ctx, p); });
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
    return EngineContext{PosixFileSystem(), loop, loop, formats, state, RunList, observers};
  }

  void ExpectIdle() {
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(bStart.Caption(), "Start selected");
    EXPECT_EQ(bStart.Glyph(), 0);
    EXPECT_TRUE(bStart.Enabled());
    EXPECT_EQ(bStartBackground.Caption(), "Start in background");
    EXPECT_EQ(bStartBackground.Glyph(), 2);
    EXPECT_TRUE(bStartBackground.Enabled());
    EXPECT_FALSE(bHide.Enabled());
    EXPECT_TRUE(tshCurProf.TabVisible());
    EXPECT_TRUE(tshPars.TabVisible());
    EXPECT_FALSE(tshStat.TabVisible());
    EXPECT_TRUE(StartinbackgroundItem.Enabled());
    EXPECT_FALSE(StopItem.Enabled());
  }
  // Only the statistics page is shown while work goes on.
  void ExpectStatisticsOnly() {
    EXPECT_FALSE(tshCurProf.TabVisible());
    EXPECT_FALSE(tshPars.TabVisible());
    EXPECT_TRUE(tshStat.TabVisible());
    EXPECT_EQ(PC.ActivePage(), &tshStat);
  }

  TempDir tmp;
  std::string src;
  std::vector<TProfileRecord> profiles;
  ui::VirtualMessageLoop loop;
  ScriptedDialogs dialogs;
  RegionalFormats formats;
  RunState state;
  TWList<TDataItem> RunList;
  std::vector<std::string> log;
  bool post_allowed = true, visible = true, tray_animated = false, background_timers = false;
  int timer_items_created = 0;
  std::string tray_hint;

  // Public, so that RunControlsOf finds them as it finds the main window's.
 public:
  ui::Button bStart{"bStart", "Start selected"};
  ui::Button bStartBackground{"bStartBackground", "Start in background"};
  ui::Button bHide{"bHide", "Hide"};
  ui::TabSheet tshCurProf{"tshCurProf"}, tshStat{"tshStat"}, tshPars{"tshPars"};
  ui::PageControl PC{"PC"};
  ui::CheckBox DBCheckBox5{"DBCheckBox5"};
  ui::Edit DBDateTimeEditEh2{"DBDateTimeEditEh2"}, DBDateTimeEditEh3{"DBDateTimeEditEh3"};
  ui::Label Label6{"Label6"}, Label7{"Label7"};
  ui::MenuItem ShowItem{"ShowItem"}, HideItem{"HideItem"},
      StartinbackgroundItem{"StartinbackgroundItem"}, StopItem{"StopItem"};
  ui::Label lStatus{"lStatus"}, lfopToday{"lfopToday"}, lfopHour{"lfopHour"},
      lfopMinute{"lfopMinute"}, lStartedAt{"lStartedAt"}, lFinishExpectedAt{"lFinishExpectedAt"},
      lProfilesToPperate{"lProfilesToPperate"}, lFilesToTotal{"lFilesToTotal"},
      lFilesLeft{"lFilesLeft"}, lpsTotal{"lpsTotal"}, lCurrentProfile{"lCurrentProfile"},
      lCurrStartedAt{"lCurrStartedAt"}, lCurrFinishExpectedAt{"lCurrFinishExpectedAt"},
      lFilesToOperate{"lFilesToOperate"}, lCurrFilesLeft{"lCurrFilesLeft"},
      lpsCurrentprofile{"lpsCurrentprofile"}, lCurrentFile{"lCurrentFile"},
      lpsCurrentFile{"lpsCurrentFile"};
  ui::ProgressBar psTotal{"psTotal"}, psProfile{"psProfile"}, psFile{"psFile"};
  RunRecords records{[this](TLogKind, const std::string& text) { log.push_back(text); }, [] {}};
  RunView view{{lStatus,
                lfopToday,
                lfopHour,
                lfopMinute,
                lStartedAt,
                lFinishExpectedAt,
                lProfilesToPperate,
                lFilesToTotal,
                lFilesLeft,
                psTotal,
                lpsTotal,
                lCurrentProfile,
                lCurrStartedAt,
                lCurrFinishExpectedAt,
                lFilesToOperate,
                lCurrFilesLeft,
                psProfile,
                lpsCurrentprofile,
                lCurrentFile,
                psFile,
                lpsCurrentFile},
               formats,
               state,
               RunList,
               {[this](bool on) { tray_animated = on; },
                [this](const std::string& hint) { tray_hint = hint; }}};
  RunController run{state, RunControlsOf(*this), *this, loop, dialogs};
  RunObservers observers;
};

TEST_F(RunControllerTest, EmptyTableDisablesBothStartsAndTheTrayItem) {
  profiles.clear();
  run.UpdateControls();
  EXPECT_FALSE(bStart.Enabled());
  EXPECT_FALSE(bStartBackground.Enabled());
  EXPECT_FALSE(StartinbackgroundItem.Enabled());
  bStart.Click();
  bStartBackground.Click();
  EXPECT_FALSE(state.Running) << "keys of disabled buttons do nothing";
}

TEST_F(RunControllerTest, StartSelectedShowsItsStateThenEndsIdleAfterDone) {
  ExpectIdle();
  bool checked = false;
  lStatus.Changed().Connect([&] {
    if (lStatus.Caption() != "Backing up...") return;
    checked = true;
    EXPECT_TRUE(state.Running);
    EXPECT_TRUE(state.SelectedRun);
    EXPECT_EQ(bStart.Caption(), "Stop");
    EXPECT_EQ(bStart.Glyph(), 1);
    EXPECT_EQ(bStart.Hint(), "Stop running profile (profiles)\r[ F8 ]");
    EXPECT_FALSE(bStartBackground.Enabled());
    EXPECT_FALSE(bHide.Enabled());
    EXPECT_FALSE(StartinbackgroundItem.Enabled());
    EXPECT_FALSE(StopItem.Enabled());
    ExpectStatisticsOnly();
  });
  bStart.Click();
  EXPECT_TRUE(checked);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(bStart.Hint(), "Start selected profile (profiles)\r[ F8 ]");
  EXPECT_EQ(lStatus.Caption(), "Ready.");
  EXPECT_EQ(tray_hint, "Quillmor stoped.");
  EXPECT_FALSE(state.SelectedRun);
  EXPECT_FALSE(state.EngineBusy);
  EXPECT_EQ(PC.ActivePage(), &tshCurProf);
  ExpectIdle();
}

TEST_F(RunControllerTest, StopClickDuringALongCopyEndsTheRunAfterThatFile) {
  tmp.WriteFile("src/big/big.bin", std::string(4 << 20, 'b'));
  loop.At(30, [&] {
    ASSERT_GT(psFile.Position(), 0);
    bStart.Click();  // the user's "Stop"
    EXPECT_EQ(lStatus.Caption(), "Stoped.");
  });
  bStart.Click();
  EXPECT_EQ(tmp.ReadFile("dest/big/big.bin").size(), size_t{4} << 20);
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_EQ(lStatus.Caption(), "Ready.");
  ExpectIdle();
}

TEST_F(RunControllerTest, RefusedPostCancelsTheClick) {
  post_allowed = false;
  state.Mode = RunMode::kBackground;
  bStart.Click();
  EXPECT_FALSE(state.Running);
  EXPECT_NE(state.Mode, RunMode::kBackground) << "cleared before the post is tried";
  EXPECT_EQ(bStart.Caption(), "Start selected");
}

TEST_F(RunControllerTest, RefusedPostAtTheEndOfARunStillEndsIt) {
  lStatus.Changed().Connect([&] {
    if (lStatus.Caption() == "Backing up...") post_allowed = false;  // an edit left unfinished
  });
  bStart.Click();
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_FALSE(state.Running);
  EXPECT_EQ(lStatus.Caption(), "Ready.");
}

TEST_F(RunControllerTest, BackgroundModeHidesTheWindowAndTheTrayStopsIt) {
  bStartBackground.Click();
  EXPECT_TRUE(state.Running);
  EXPECT_EQ(state.Mode, RunMode::kBackground);
  EXPECT_FALSE(visible);
  EXPECT_EQ(lStatus.Caption(), "Background mode started.");
  EXPECT_EQ(bStartBackground.Caption(), "Stop");
  EXPECT_EQ(bStartBackground.Glyph(), 3);
  EXPECT_EQ(bStartBackground.Hint(), "Stop the background mode\r[ F9 ]");
  EXPECT_FALSE(bStart.Enabled());
  EXPECT_TRUE(bHide.Enabled());
  EXPECT_TRUE(background_timers);
  EXPECT_EQ(timer_items_created, 1);
  ExpectStatisticsOnly();
  EXPECT_FALSE(StartinbackgroundItem.Enabled());
  EXPECT_TRUE(StopItem.Enabled());
  EXPECT_TRUE(ShowItem.Enabled());
  EXPECT_FALSE(HideItem.Enabled());

  StopItem.Click();
  EXPECT_FALSE(visible) << "stopping from the tray leaves the window hidden";
  EXPECT_FALSE(background_timers);
  EXPECT_EQ(lStatus.Caption(), "Stoped.");
  ExpectIdle();
}

TEST_F(RunControllerTest, EngineInTheBackgroundWaitsForWorkUntilStopped) {
  bStartBackground.Click();
  // The background timer's job, reduced to its core: queue and enter the engine.
  loop.At(50, [&] {
    EngineContext ctx = Ctx();
    QueueProfile(ctx, profiles[0]);
  });
  loop.At(5000, [&] { StopItem.Click(); });
  EngineContext ctx = Ctx();
  ProcessRunList(ctx);
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_GE(loop.TickCount(), 5000u) << "the loop waited for work until the stop";
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_EQ(lStatus.Caption(), "Ready.");
  ExpectIdle();
}

TEST_F(RunControllerTest, CloseInTheBackgroundAsksFirst) {
  int closes = 0;
  run.bStartBackgroundClick();
  dialogs.ExpectConfirm("Stop and close Quillmor?", false);
  run.CloseItemClick([&] { ++closes; });
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(state.Running);
  dialogs.ExpectConfirm("Stop and close Quillmor?", true);
  run.CloseItemClick([&] { ++closes; });
  EXPECT_EQ(closes, 1);

  run.bStartBackgroundClick();
  run.CloseItemClick([&] { ++closes; });
  EXPECT_EQ(closes, 2) << "idle: no question of the controller's own";
}

}  // namespace
}  // namespace qm::test
