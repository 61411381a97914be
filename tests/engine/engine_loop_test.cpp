// Scenarios of the engine loop on a virtual clock: how runs end, stop requests, the break
// question, the daily window and the start and finish records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/copy_failure.h"
#include "engine_loop_fixture.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class EngineLoopTest : public EngineTest {
 protected:
  void ExpectEnded() {
    EXPECT_EQ(lStatus.Caption(), "Ready.");
    EXPECT_EQ(lCurrentFile.Caption(), "");
    EXPECT_FALSE(state.EngineBusy);
    EXPECT_FALSE(state.Running);
    EXPECT_FALSE(StatTimer.Enabled());
    EXPECT_TRUE(RunList.Empty());
  }
  std::string StartRecord(const std::string& name, int files) const {
    return "Started profile \"" + name + "\", Source=\"" + src + "\", Destination=\"" + dest +
           "\", Files:" + std::to_string(files);
  }
};

TEST_F(EngineLoopTest, EmptyStartSelectedRunSaysDoneAtOnceAndStops) {
  StartSelected(std::vector<TProfileRecord>{});
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_EQ(bStart.Caption(), "Start selected");
  EXPECT_THAT(host.log, IsEmpty());
  EXPECT_FALSE(state.SelectedRun);
  ExpectEnded();
}

TEST_F(EngineLoopTest, TwoProfilesAreQueuedFirstAndDoneIsShownOnce) {
  Write("a.txt", "a", kNoon);
  TProfileRecord first = Profile("First");
  TProfileRecord second = Profile("Second");
  second.SetDestDir(tmp.MakeDir("dest2"));
  StartSelected({first, second});

  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(tmp.ReadFile("dest2/a.txt"), "a");
  std::vector<std::string> info = host.Texts(lkInfo);
  ASSERT_EQ(info.size(), 6u);
  EXPECT_EQ(info[0], StartRecord("First", 1));
  EXPECT_EQ(info[1], "Backup started");
  EXPECT_EQ(info[2].rfind("Finished profile \"First\"", 0), 0u);
  EXPECT_EQ(info[3].rfind("Started profile \"Second\"", 0), 0u);
  EXPECT_EQ(host.stat_updates, 2);
  EXPECT_EQ(host.operated, 2);
  ExpectEnded();
}

TEST_F(EngineLoopTest, StartAndFinishRecordsCountBothFileLists) {
  Write("a.txt", "a", kNoon);
  Write("b.txt", "b", kNoon);
  Write("c.txt", "c", kNoon);
  WriteDest("a.txt", "a", kNoon);
  WriteDest("old.txt", "o", kNoon);
  StartSelected(Profile("Docs"));
  EXPECT_EQ(host.log.front().text, StartRecord("Docs", 5));
  EXPECT_EQ(host.Texts(lkInfo).back(), "Finished profile \"Docs\", Source=\"" + src +
                                           "\", Destination=\"" + dest + "\", Files:5");
  EXPECT_EQ(host.operated, 2);
}

TEST_F(EngineLoopTest, UnknownSyncMethodWritesOnlyStartAndFinish) {
  Write("a.txt", "a", kNoon);
  TProfileRecord p = Profile("Odd");
  p.SetSyncMethod(2);
  StartSelected(p);
  ASSERT_EQ(host.log.size(), 2u);
  EXPECT_EQ(host.log[0].text, StartRecord("Odd", 1));
  EXPECT_EQ(host.log[1].text.rfind("Finished profile \"Odd\"", 0), 0u);
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
}

TEST_F(EngineLoopTest, RemovalSparesEveryKeptCopyOfAFileThatStillExists) {
  Write("a.txt", "a", kNoon);
  WriteDest("a.txt.1", "1", kNoon);
  WriteDest("a.txt.2", "2", kDayBefore);
  WriteDest("gone.txt.3", "g", kNoon);
  TProfileRecord p = Profile("Keep", 1);
  p.SetRemoveDeleted(true);
  StartSelected(p);
  EXPECT_TRUE(tmp.Exists("dest/a.txt.1"));
  EXPECT_TRUE(tmp.Exists("dest/a.txt.2"));
  EXPECT_FALSE(tmp.Exists("dest/gone.txt.3"));
  EXPECT_THAT(host.Texts(lkDelete), ElementsAre("Deleted file \"" + Dest("gone.txt.3") + "\""));
}

TEST_F(EngineLoopTest, BothDirectionsRunsTheSyncPassesInsteadOfTheBackupPass) {
  Write("a.txt", "a", kNoon);
  WriteDest("b.txt", "b", kNoon);
  TProfileRecord p = Profile("Both");
  p.SetSyncMethod(kSyncBothWays);
  StartSelected(p);
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(tmp.ReadFile("src/b.txt"), "b");
  EXPECT_FALSE(host.Logged("Backup started"));
  EXPECT_TRUE(host.Logged("Finished profile \"Both\""));
}

TEST_F(EngineLoopTest, MissingSourceDirectoryIsAnErrorAndNoPassRuns) {
  WriteDest("keep.txt", "k", kNoon);
  TProfileRecord p = Profile("Gone");
  p.SetSrcDir(tmp / "nowhere");
  p.SetRemoveDeleted(true);
  StartSelected(p);
  EXPECT_THAT(host.Texts(lkError),
              ElementsAre("Can not read source directory \"" + (tmp / "nowhere") + "\""));
  EXPECT_FALSE(host.Logged("Backup started"));
  EXPECT_TRUE(tmp.Exists("dest/keep.txt"));
}

TEST_F(EngineLoopTest, StopDuringALongCopyFinishesTheFileAndDropsTheRest) {
  // Files of subdirectories are listed before the directory's own files.
  Write("a/big.bin", std::string(2 << 20, 'x'), kNoon);
  Write("z.txt", "z", kNoon);
  TProfileRecord second = Profile("Second");
  second.SetDestDir(tmp.MakeDir("dest2"));
  loop.At(20, [this] {
    ASSERT_GT(psFile.Position(), 0) << "the stop must arrive inside the copy";
    host.start_click();
  });
  StartSelected({Profile("First"), second});

  EXPECT_EQ(tmp.ReadFile("dest/a/big.bin").size(), size_t{2} << 20);
  EXPECT_FALSE(tmp.Exists("dest/z.txt"));
  EXPECT_FALSE(host.Logged("Finished profile"));
  EXPECT_FALSE(host.Logged("Started profile \"Second\""));
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  ExpectEnded();
}

class FullDriveTest : public EngineLoopTest {
 protected:
  FullDriveTest() {
    Write("a/one.txt", "1", kNoon);
    Write("two.txt", "2", kNoon);
    fs.full_prefix = dest;
  }
  std::string Failure(const std::string& rel) const {
    return "Drive not ready or out of free disk space on drive /mnt/full: ! Can not copy file \"" +
           Src(rel) + "\" to \"" + Dest(rel) + "\"";
  }
  const std::string question =
      "Drive not ready or out of free disk space on drive /mnt/full:\r"
      "Break operation?";
};

TEST_F(FullDriveTest, AnswerNoGoesOnWithTheNextFile) {
  dialogs.ExpectErrorYesNo(question, false);
  dialogs.ExpectErrorYesNo(question, false);
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Texts(lkError), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_TRUE(host.Logged("Finished profile"));
  EXPECT_EQ(host.operated, 0);
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), ElementsAre("Done."));
  EXPECT_FALSE(tmp.Exists("dest/a/.one.txt.qmtmp"));
}

TEST_F(FullDriveTest, AnswerYesStopsTheRunAndEndsTheEngine) {
  dialogs.ExpectErrorYesNo(question, true);
  StartSelected({Profile("P"), Profile("Q")});
  EXPECT_THAT(host.Texts(lkError), ElementsAre(Failure("a/one.txt")));
  EXPECT_FALSE(host.Logged("Finished profile"));
  EXPECT_EQ(bStart.Caption(), "Start selected");
  EXPECT_THAT(dialogs.Texts(DialogKind::kInformation), IsEmpty());
  EXPECT_THAT(dialogs.Texts(DialogKind::kApplicationError), IsEmpty());
  ExpectEnded();
}

TEST_F(FullDriveTest, BackgroundModeAsksNothingAndGoesOn) {
  RunInBackground({Profile("P")}, 500);
  EXPECT_THAT(host.Texts(lkError), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_TRUE(host.Logged("Finished profile"));
  ExpectEnded();
}

TEST_F(FullDriveTest, AVolumeWithRoomGivesThePlainRecord) {
  fs.full_prefix.clear();
  EngineContext ctx = Ctx();
  ClassifyCopyFailure(ctx, {Src("two.txt"), Dest("two.txt")});
  ClassifyCopyFailure(ctx, {"/a b", "/c", /*sync=*/true});
  EXPECT_THAT(host.Texts(lkError), ElementsAre("Can not copy file \"" + Src("two.txt") +
                                                   "\" to \"" + Dest("two.txt") + "\"",
                                               "Can not copy file /a b to /c"));
  EXPECT_GT(TargetFreeSpace(fs, Dest("no/such/dir/x")), 32768);
}

// The question goes to the run's observer, which may answer it without any dialog.
TEST_F(FullDriveTest, TheObserverAnswersTheBreakQuestionOutsideTheBackgroundMode) {
  std::vector<std::string> drives;
  host.SetBreakDialogs(nullptr);
  host.answer_break = [&](const FileEvent& failed) {
    drives.emplace_back(failed.drive);
    EXPECT_EQ(failed.action, FileAction::kFailed);
    return failed.source == Src("two.txt");
  };
  StartSelected({Profile("P"), Profile("Q")});
  EXPECT_THAT(host.breaks_asked, ElementsAre(Src("a/one.txt"), Src("two.txt")));
  EXPECT_THAT(drives, ElementsAre("/mnt/full", "/mnt/full"));
  EXPECT_THAT(host.Texts(lkError), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_FALSE(host.Logged("Finished profile"));
  EXPECT_FALSE(host.Logged("Started profile \"Q\""));
  ExpectEnded();

  // The background mode reports the same failures and asks nothing.
  host.breaks_asked.clear();
  host.log.clear();
  RunInBackground({Profile("P")}, 500);
  EXPECT_THAT(host.breaks_asked, IsEmpty());
  EXPECT_THAT(host.Texts(lkError), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
}

class DailyWindowTest : public EngineLoopTest {
 protected:
  TProfileRecord Windowed() {
    Write("a.txt", "a", kNoon);
    TProfileRecord p = Profile("Office");
    p.SetUseStartTimeEndTime(true);
    p.SetStartTime(EncodeTime(8, 0, 0));
    p.SetFinishTime(EncodeTime(18, 0, 0));
    return p;
  }
};

TEST_F(DailyWindowTest, BackgroundSnapshotReachedAfterTheWindowIsDroppedSilently) {
  loop.Advance(static_cast<uint64_t>(6 * 3'600'000 + 5 * 60'000));  // 12:00 -> 18:05
  RunInBackground({Windowed()}, 200);
  EXPECT_THAT(host.log, IsEmpty());
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
  ExpectEnded();
}

TEST_F(DailyWindowTest, StartSelectedIgnoresTheWindow) {
  loop.Advance(static_cast<uint64_t>(7 * 3'600'000));  // 19:00
  StartSelected(Windowed());
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
  EXPECT_TRUE(host.Logged("Finished profile \"Office\""));
}

TEST(DailyWindow, BoundsAreInsideTheWindow) {
  TProfileRecord p;
  p.SetStartTime(EncodeTime(8, 0, 0));
  p.SetFinishTime(EncodeTime(18, 0, 0));
  const TDateTime day = 46000;
  EXPECT_FALSE(OutsideDailyWindow(p, day + EncodeTime(8, 0, 0)));
  EXPECT_FALSE(OutsideDailyWindow(p, day + EncodeTime(18, 0, 0)));
  EXPECT_TRUE(OutsideDailyWindow(p, day + EncodeTime(7, 59, 59)));
  EXPECT_TRUE(OutsideDailyWindow(p, day + EncodeTime(18, 0, 1)));
}

TEST_F(EngineLoopTest, SecondEngineLoopReturnsAtOnce) {
  Write("a.txt", "a", kNoon);
  int nested_returns = 0;
  loop.At(3, [&] {
    EngineContext ctx = Ctx();
    ProcessRunList(ctx);  // a nested entry, as a timer would make
    ++nested_returns;
    EXPECT_TRUE(state.EngineBusy);
  });
  StartSelected(Profile("P"));
  EXPECT_EQ(nested_returns, 1);
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
  ExpectEnded();
}

}  // namespace
}  // namespace qm::test
