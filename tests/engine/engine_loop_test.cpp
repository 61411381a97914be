// Scenarios of the engine loop on a virtual clock: how runs end, stop requests, the break
// question, the daily window and what the observer hears of each profile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/copy_failure.h"
#include "engine_loop_fixture.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class EngineLoopTest : public EngineTest {
 protected:
  void ExpectEnded() {
    // The rest state's status, then the engine is idle.
    ASSERT_GE(host.events.size(), 2u);
    EXPECT_EQ(host.events.end()[-2].Line(), "status Ready.");
    EXPECT_EQ(host.events.back().what, "engine stopped");
    EXPECT_FALSE(state.EngineBusy);
    EXPECT_FALSE(state.Running);
    EXPECT_TRUE(run_list.Empty());
  }
};

TEST_F(EngineLoopTest, EmptyStartSelectedRunFinishesTheBatchAtOnceAndStops) {
  StartSelected(std::vector<ProfileRecord>{});
  EXPECT_EQ(host.Count("batch finished"), 1);
  EXPECT_THAT(host.Recorded(), IsEmpty());
  EXPECT_FALSE(state.SelectedRun);
  ExpectEnded();
}

TEST_F(EngineLoopTest, TwoProfilesAreQueuedFirstAndTheBatchFinishesOnce) {
  Write("a.txt", "a", kNoon);
  ProfileRecord first = Profile("First");
  ProfileRecord second = Profile("Second");
  second.SetDestDir(tmp.MakeDir("dest2"));
  StartSelected({first, second});

  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(tmp.ReadFile("dest2/a.txt"), "a");
  EXPECT_THAT(
      host.Lines({"queued", "taken", "started", "pass", "finished", "left list", "batch finished"}),
      ElementsAre("queued First", "queued Second", "taken First", "started First",
                  "pass backup First", "finished First", "left list", "taken Second",
                  "started Second", "pass backup Second", "finished Second", "left list",
                  "batch finished"));
  EXPECT_EQ(host.Event("started").files, 1);
  EXPECT_EQ(host.Transferred().size(), 2u);
  ExpectEnded();
}

TEST_F(EngineLoopTest, StartAndFinishCountBothFileLists) {
  Write("a.txt", "a", kNoon);
  Write("b.txt", "b", kNoon);
  Write("c.txt", "c", kNoon);
  WriteDest("a.txt", "a", kNoon);
  WriteDest("old.txt", "o", kNoon);
  StartSelected(Profile("Docs"));
  EXPECT_EQ(host.Event("started").files, 5);
  EXPECT_EQ(host.Event("finished").files, 5);
  EXPECT_THAT(host.Transferred(), ElementsAre("copied " + Src("b.txt") + " -> " + Dest("b.txt"),
                                              "copied " + Src("c.txt") + " -> " + Dest("c.txt")));
}

TEST_F(EngineLoopTest, UnknownSyncMethodOnlyStartsAndFinishes) {
  Write("a.txt", "a", kNoon);
  ProfileRecord p = Profile("Odd");
  p.SetSyncMethod(2);
  StartSelected(p);
  EXPECT_THAT(host.Recorded(), ElementsAre("started Odd", "finished Odd"));
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
}

TEST_F(EngineLoopTest, RemovalSparesEveryKeptCopyOfAFileThatStillExists) {
  Write("a.txt", "a", kNoon);
  WriteDest("a.txt.1", "1", kNoon);
  WriteDest("a.txt.2", "2", kDayBefore);
  WriteDest("gone.txt.3", "g", kNoon);
  ProfileRecord p = Profile("Keep", 1);
  p.SetRemoveDeleted(true);
  StartSelected(p);
  EXPECT_TRUE(tmp.Exists("dest/a.txt.1"));
  EXPECT_TRUE(tmp.Exists("dest/a.txt.2"));
  EXPECT_FALSE(tmp.Exists("dest/gone.txt.3"));
  EXPECT_THAT(host.Lines({"deleted"}), ElementsAre("deleted " + Dest("gone.txt.3")));
}

TEST_F(EngineLoopTest, BothDirectionsRunsTheSyncPassesInsteadOfTheBackupPass) {
  Write("a.txt", "a", kNoon);
  WriteDest("b.txt", "b", kNoon);
  ProfileRecord p = Profile("Both");
  p.SetSyncMethod(kSyncBothWays);
  StartSelected(p);
  EXPECT_EQ(tmp.ReadFile("dest/a.txt"), "a");
  EXPECT_EQ(tmp.ReadFile("src/b.txt"), "b");
  EXPECT_THAT(host.Lines({"pass", "finished"}),
              ElementsAre("pass forward Both", "pass back Both", "finished Both"));
}

TEST_F(EngineLoopTest, MissingSourceDirectoryIsAnErrorAndNoPassRuns) {
  WriteDest("keep.txt", "k", kNoon);
  ProfileRecord p = Profile("Gone");
  p.SetSrcDir(tmp / "nowhere");
  p.SetRemoveDeleted(true);
  StartSelected(p);
  EXPECT_THAT(host.Failures(), ElementsAre("unreadable " + (tmp / "nowhere")));
  EXPECT_THAT(host.Lines({"pass"}), IsEmpty());
  EXPECT_TRUE(tmp.Exists("dest/keep.txt"));
}

TEST_F(EngineLoopTest, StopDuringALongCopyFinishesTheFileAndDropsTheRest) {
  // Files of subdirectories are listed before the directory's own files.
  Write("a/big.bin", std::string(2 << 20, 'x'), kNoon);
  Write("z.txt", "z", kNoon);
  ProfileRecord second = Profile("Second");
  second.SetDestDir(tmp.MakeDir("dest2"));
  loop.At(20, [this] {
    ASSERT_TRUE(host.progress.first > 0 && host.copies_ended == 0)
        << "the stop must arrive inside the copy";
    Stop();
  });
  StartSelected({Profile("First"), second});

  EXPECT_EQ(tmp.ReadFile("dest/a/big.bin").size(), size_t{2} << 20);
  EXPECT_FALSE(tmp.Exists("dest/z.txt"));
  EXPECT_THAT(host.Lines({"started", "finished", "dropped", "batch finished"}),
              ElementsAre("started First", "dropped First"));
  ExpectEnded();
}

// An error that no file caused (here a front end's handler between profiles) ends the loop and
// is reported once, after the engine has ended.
TEST_F(EngineLoopTest, AnErrorThatEscapesTheLoopIsReportedAfterItsEnd) {
  struct Failing : FakeHost {
    void ProfileLeftList() override { throw std::runtime_error("handler failed"); }
  } failing;
  Write("a.txt", "a", kNoon);
  state.Running = true;
  state.Mode = RunMode::kSelected;
  EngineContext ctx = Ctx(failing);
  RunSelectedProfiles(ctx, std::vector{Profile("P"), Profile("Q")},
                      [&](const ProfileRecord& p) { QueueProfile(ctx, p); });
  EXPECT_THAT(failing.Lines({"finished", "engine stopped", "run failed", "batch finished"}),
              ElementsAre("finished P", "engine stopped", "run failed handler failed"));
  EXPECT_FALSE(state.EngineBusy);
  EXPECT_TRUE(run_list.Empty());
}

class FullDriveTest : public EngineLoopTest {
 protected:
  FullDriveTest() {
    Write("a/one.txt", "1", kNoon);
    Write("two.txt", "2", kNoon);
    fs.full_prefix = dest;
  }
  std::string Failure(const std::string& rel) const {
    return "failed copy " + Src(rel) + " -> " + Dest(rel) + ": drive not ready on /mnt/full";
  }
};

TEST_F(FullDriveTest, AnswerNoGoesOnWithTheNextFile) {
  StartSelected(Profile("P"));
  EXPECT_THAT(host.breaks_asked, ElementsAre(Src("a/one.txt"), Src("two.txt")));
  EXPECT_THAT(host.Failures(), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_THAT(host.Transferred(), IsEmpty());
  EXPECT_THAT(host.Lines({"finished", "batch finished"}),
              ElementsAre("finished P", "batch finished"));
  EXPECT_FALSE(tmp.Exists("dest/a/.one.txt.qmtmp"));
}

// The observer is asked after each such failure; its yes breaks the run there.
TEST_F(FullDriveTest, AnswerYesStopsTheRunAndEndsTheEngine) {
  std::vector<std::string> drives;
  host.answer_break = [&](const FileEvent& failed) {
    drives.emplace_back(failed.drive);
    EXPECT_EQ(failed.action, FileAction::kFailed);
    return failed.source == Src("two.txt");
  };
  StartSelected({Profile("P"), Profile("Q")});
  EXPECT_THAT(host.breaks_asked, ElementsAre(Src("a/one.txt"), Src("two.txt")));
  EXPECT_THAT(drives, ElementsAre("/mnt/full", "/mnt/full"));
  EXPECT_THAT(host.Failures(), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_THAT(host.Lines({"started", "finished", "dropped", "break accepted", "batch finished",
                          "run failed"}),
              ElementsAre("started P", "break accepted"));
  ExpectEnded();
}

TEST_F(FullDriveTest, BackgroundModeAsksNothingAndGoesOn) {
  host.answer_break = [](const FileEvent&) { return true; };
  RunInBackground({Profile("P")}, 500);
  EXPECT_THAT(host.breaks_asked, IsEmpty());
  EXPECT_THAT(host.Failures(), ElementsAre(Failure("a/one.txt"), Failure("two.txt")));
  EXPECT_EQ(host.Count("finished"), 1);
  ExpectEnded();
}

TEST_F(FullDriveTest, AVolumeWithRoomGivesThePlainFailure) {
  fs.full_prefix.clear();
  EngineContext ctx = Ctx();
  ClassifyCopyFailure(ctx, {Src("two.txt"), Dest("two.txt")});
  ClassifyCopyFailure(ctx, {"/a b", "/c", /*sync=*/true});
  EXPECT_THAT(host.Lines(), ElementsAre("failed copy " + Src("two.txt") + " -> " + Dest("two.txt"),
                                        "failed copy /a b -> /c"));
  EXPECT_FALSE(host.events[0].sync);
  EXPECT_TRUE(host.events[1].sync);
  EXPECT_THAT(host.breaks_asked, IsEmpty());
  EXPECT_GT(TargetFreeSpace(fs, Dest("no/such/dir/x")), 32768);
}

class DailyWindowTest : public EngineLoopTest {
 protected:
  ProfileRecord Windowed() {
    Write("a.txt", "a", kNoon);
    ProfileRecord p = Profile("Office");
    p.SetUseStartTimeEndTime(true);
    p.SetStartTime(EncodeTime(8, 0, 0));
    p.SetFinishTime(EncodeTime(18, 0, 0));
    return p;
  }
};

TEST_F(DailyWindowTest, BackgroundSnapshotReachedAfterTheWindowIsDroppedSilently) {
  loop.Advance(static_cast<uint64_t>(6 * 3'600'000 + 5 * 60'000));  // 12:00 -> 18:05
  RunInBackground({Windowed()}, 200);
  EXPECT_THAT(host.Recorded(), IsEmpty());
  EXPECT_THAT(host.Lines({"dropped"}), ElementsAre("dropped Office"));
  EXPECT_FALSE(tmp.Exists("dest/a.txt"));
  ExpectEnded();
}

TEST_F(DailyWindowTest, StartSelectedIgnoresTheWindow) {
  loop.Advance(static_cast<uint64_t>(7 * 3'600'000));  // 19:00
  StartSelected(Windowed());
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
  EXPECT_EQ(host.Count("finished"), 1);
}

TEST(DailyWindow, BoundsAreInsideTheWindow) {
  ProfileRecord p;
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
