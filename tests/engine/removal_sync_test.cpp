// The removal pass and the two synchronisation passes on real temporary trees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/backup_pass.h"
#include "engine/copy_failure.h"
#include "engine/removal_pass.h"
#include "engine/sync_passes.h"
#include "engine_loop_fixture.h"
#include "support/fault_file_system.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// 2050-01-01 and 2040-01-01 (UTC): the later one has the top bit of its DOS date-time set.
constexpr long long k2050 = 2524608000;
constexpr long long k2040 = 2208988800;

class RemovalSyncTest : public EngineTest {
 protected:
  RemovalSyncTest() { state.Running = true; }

  RunSnapshot& Queue(const ProfileRecord& p, FileSystem* through = nullptr) {
    run_list.Clear();
    EngineContext ctx = Ctx(through ? *through : fs);
    QueueProfile(ctx, p);
    return run_list.Object(0);
  }
  ProfileRecord WithRemoval() {
    ProfileRecord p = Profile("P");
    p.SetRemoveDeleted(true);
    return p;
  }
  ProfileRecord Both() {
    ProfileRecord p = Profile("P");
    p.SetSyncMethod(kSyncBothWays);
    return p;
  }
  // The backup pass followed by the removal pass, as the engine runs them.
  RunSnapshot& BackupWithRemoval(RunSnapshot& item) {
    EngineContext ctx = Ctx();
    EXPECT_EQ(RunBackupPass(ctx, item), PassOutcome::kCompleted);
    RunRemovalPass(ctx, item);
    return item;
  }
  PassOutcome Sync(RunSnapshot& item, FileSystem* through = nullptr) {
    EngineContext ctx = Ctx(through ? *through : fs);
    return RunSyncPasses(ctx, item);
  }
};

TEST_F(RemovalSyncTest, BackupWithRemovalDeletesWhatLeftTheSource) {
  Write("keep.txt", "k", kNoon);
  WriteDest("keep.txt", "k", kNoon);
  WriteDest("gone.txt", "g", kNoon);
  WriteDest("sub/gone2.txt", "g", kNoon);

  RunSnapshot& item = BackupWithRemoval(Queue(WithRemoval()));
  EXPECT_TRUE(tmp.Exists("dest/keep.txt"));
  EXPECT_FALSE(tmp.Exists("dest/gone.txt"));
  EXPECT_FALSE(tmp.Exists("dest/sub/gone2.txt"));
  EXPECT_TRUE(tmp.Exists("dest/sub"));  // emptied directories stay
  EXPECT_THAT(host.Lines({"deleted", "failed"}),
              ::testing::UnorderedElementsAre("deleted " + Dest("gone.txt"),
                                              "deleted " + Dest("sub/gone2.txt")));
  // The removal pass adds nothing to the progress; the up-to-date pair counts 2.
  EXPECT_EQ(item.FilesDone, 2);
}

TEST_F(RemovalSyncTest, ReadOnlyCopyIsStillRemoved) {
  // A copy is read-only because its source was: it is still the backup's own to remove.
  Write("keep.txt", "k", kNoon);
  const std::string locked = WriteDest("locked.txt", "l", kNoon);
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(locked, true).ok());

  BackupWithRemoval(Queue(WithRemoval()));
  EXPECT_FALSE(tmp.Exists("dest/locked.txt"));
  EXPECT_THAT(host.Recorded(),
              ElementsAre("pass backup P", "copied " + Src("keep.txt") + " -> " + Dest("keep.txt"),
                          "deleted " + locked));
}

TEST_F(RemovalSyncTest, EmptySourceDoesNotEmptyTheBackup) {
  WriteDest("a.txt", "a", kNoon);
  WriteDest("sub/b.txt", "b", kNoon);

  BackupWithRemoval(Queue(WithRemoval()));
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
  EXPECT_TRUE(tmp.Exists("dest/sub/b.txt"));
  EXPECT_THAT(host.Recorded(), ElementsAre("pass backup P", "removal skipped P: source empty"));
}

// The guard looks at the folder, not at what the mask left of it.
TEST_F(RemovalSyncTest, MaskSelectingNothingInAFullSourceStillRemoves) {
  ProfileRecord p = Profile("P", 0, /*zip=*/true);
  p.SetRemoveDeleted(true);
  p.SetFileMask("*.txt");
  const std::string a = Write("sub/a.txt", "a", kNoon);
  BackupWithRemoval(Queue(p));
  const std::string archive = host.Event("packed").target;
  ASSERT_TRUE(std::filesystem::exists(archive));

  std::filesystem::remove(a);
  Write("b.doc", "b", kNoon);
  host.events.clear();
  BackupWithRemoval(Queue(p));
  EXPECT_FALSE(std::filesystem::exists(archive));
  EXPECT_THAT(host.Lines({"removal skipped", "deleted"}), ElementsAre("deleted " + archive));
}

TEST_F(RemovalSyncTest, UnreadableSourceDeletesNothing) {
  Write("a.txt", "a", kNoon);
  Write("sub/b.txt", "b", kNoon);
  WriteDest("a.txt", "a", kNoon);
  WriteDest("sub/b.txt", "b", kNoon);
  WriteDest("gone.txt", "g", kNoon);
  const std::string expected = "removal skipped P: source incomplete";

  // A subdirectory of the source that cannot be listed: its files would look deleted.
  FaultInjectingFileSystem faulty(PosixFileSystem());
  faulty.FailAlways(FsOp::kListDirectory, ErrorKind::kAccessDenied, "/src/sub");
  RunSnapshot& partial = Queue(WithRemoval(), &faulty);
  ASSERT_TRUE(partial.SrcScanFailed);
  BackupWithRemoval(partial);
  EXPECT_TRUE(tmp.Exists("dest/sub/b.txt"));
  EXPECT_TRUE(tmp.Exists("dest/gone.txt"));
  EXPECT_THAT(host.Lines({"removal skipped", "deleted", "failed"}), ElementsAre(expected));

  // The source top directory gone (an unmounted volume).
  host.events.clear();
  std::filesystem::remove_all(src);
  RunSnapshot& missing = Queue(WithRemoval());
  EngineContext ctx = Ctx();
  RunRemovalPass(ctx, missing);
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
  EXPECT_TRUE(tmp.Exists("dest/gone.txt"));
  EXPECT_THAT(host.Recorded(), ElementsAre(expected));
}

TEST_F(RemovalSyncTest, LaterTimeWinsInBothDirections) {
  Write("src_newer.txt", "src", kNoon);
  WriteDest("src_newer.txt", "dest", kDayBefore);
  Write("dest_newer.txt", "src", kDayBefore);
  WriteDest("dest_newer.txt", "dest", kNoon);
  Write("equal.txt", "src", kNoon);
  WriteDest("equal.txt", "dest", kNoon);
  Write("after2043.txt", "src", k2050);
  WriteDest("after2043.txt", "dest", k2040);
  WriteDest("deleted_in_src.txt", "dest", kNoon);

  RunSnapshot& item = Queue(Both());
  EXPECT_EQ(Sync(item), PassOutcome::kCompleted);
  EXPECT_EQ(tmp.ReadFile("dest/src_newer.txt"), "src");
  EXPECT_EQ(tmp.ReadFile("src/dest_newer.txt"), "dest");
  EXPECT_EQ(tmp.ReadFile("src/equal.txt"), "src");
  EXPECT_EQ(tmp.ReadFile("dest/equal.txt"), "dest");
  EXPECT_EQ(tmp.ReadFile("dest/after2043.txt"), "src");
  // Nothing tells a file deleted from the source from a new one in the destination.
  EXPECT_EQ(tmp.ReadFile("src/deleted_in_src.txt"), "dest");
  EXPECT_THAT(host.Lines({"pass", "status"}),
              ElementsAre("status Synchronizing ->...", "pass forward P",
                          "status Synchronizing <-...", "pass back P"));
  EXPECT_THAT(host.Lines({"copied"}),
              ::testing::UnorderedElementsAre(
                  "copied " + Src("src_newer.txt") + " -> " + Dest("src_newer.txt"),
                  "copied " + Src("after2043.txt") + " -> " + Dest("after2043.txt")));
  EXPECT_THAT(
      host.Lines({"copied back"}),
      ::testing::UnorderedElementsAre(
          "copied back " + Dest("dest_newer.txt") + " -> " + Src("dest_newer.txt"),
          "copied back " + Dest("deleted_in_src.txt") + " -> " + Src("deleted_in_src.txt")));
  // A synchronisation pass names its paths bare in the records.
  for (const SeenEvent& e : host.events) {
    if (e.what == "copied" || e.what == "copied back") {
      EXPECT_TRUE(e.sync) << e.Line();
    }
  }
  EXPECT_EQ(item.FilesDone, 9);  // every entry of both lists

  // The copies carry their source's time: a second run finds both sides equal.
  host.events.clear();
  EXPECT_EQ(Sync(Queue(Both())), PassOutcome::kCompleted);
  EXPECT_THAT(host.Transferred(), IsEmpty());
}

TEST_F(RemovalSyncTest, DestinationOnlyFileRecreatesItsSourceSubdirectory) {
  Write("a.txt", "a", kNoon);
  WriteDest("a.txt", "a", kNoon);
  WriteDest("New Dir/deep/x.txt", "x", kNoon);

  Sync(Queue(Both()));
  EXPECT_EQ(tmp.ReadFile("src/New Dir/deep/x.txt"), "x");
  EXPECT_THAT(host.Transferred(), ElementsAre("copied back " + Dest("New Dir/deep/x.txt") + " -> " +
                                              Src("New Dir/deep/x.txt")));
}

TEST_F(RemovalSyncTest, StopInTheForwardPassFinishesTheFileAndSkipsTheReversePass) {
  Write("1.txt", "1", kNoon);
  Write("2.txt", "2", kNoon);
  WriteDest("only_dest.txt", "d", kNoon);
  RunSnapshot& item = Queue(Both());
  // The first message round is before 1.txt, the second inside its copy.
  loop.At(loop.TickCount() + 2, [this] { state.Running = false; });

  EXPECT_EQ(Sync(item), PassOutcome::kStopped);
  EXPECT_TRUE(tmp.Exists("dest/1.txt"));
  EXPECT_FALSE(tmp.Exists("dest/2.txt"));
  EXPECT_FALSE(tmp.Exists("src/only_dest.txt"));
  EXPECT_THAT(host.Lines({"pass"}), ElementsAre("pass forward P"));
  EXPECT_EQ(item.FilesDone, 1);
}

class FullSourceVolumeTest : public RemovalSyncTest {
 protected:
  FullSourceVolumeTest() {
    Write("a.txt", "a", kNoon);
    WriteDest("a.txt", "a", kNoon);
    WriteDest("back1.txt", "1", kNoon);
    WriteDest("back2.txt", "2", kNoon);
    // The source's volume is full: no file can be created there and little space is left.
    full.SetFreeSpace(1000, src);
    full.FailAlways(FsOp::kCreate, ErrorKind::kNoSpace, src);
    drive = TargetDrive(full, Src("back1.txt"));
  }
  std::string Failure(const std::string& name) const {
    return "failed copy back " + Dest(name) + " -> " + Src(name) + ": drive not ready on " + drive;
  }

  FaultInjectingFileSystem full{PosixFileSystem()};
  std::string drive;
};

TEST_F(FullSourceVolumeTest, ReverseCopyFailureNamesTheVolumeAndNoGoesOn) {
  ASSERT_FALSE(drive.empty());
  RunSnapshot& item = Queue(Both(), &full);

  EXPECT_EQ(Sync(item, &full), PassOutcome::kCompleted);
  EXPECT_THAT(host.breaks_asked, ElementsAre(Dest("back1.txt"), Dest("back2.txt")));
  EXPECT_THAT(host.Recorded(), ElementsAre("pass forward P", "pass back P", Failure("back1.txt"),
                                           Failure("back2.txt")));
  EXPECT_FALSE(tmp.Exists("src/back1.txt"));
  EXPECT_EQ(item.FilesDone, 4);
}

TEST_F(FullSourceVolumeTest, YesBreaksTheRun) {
  host.answer_break = [](const FileEvent&) { return true; };
  RunSnapshot& item = Queue(Both(), &full);
  EXPECT_THROW(Sync(item, &full), RunBroken);
  // The controller heard of the break before the pass unwound.
  EXPECT_THAT(host.Lines({"failed", "break accepted"}),
              ElementsAre(Failure("back1.txt"), "break accepted"));
}

TEST_F(FullSourceVolumeTest, BackgroundModeAsksNothing) {
  state.Mode = RunMode::kBackground;
  host.answer_break = [](const FileEvent&) { return true; };
  Sync(Queue(Both(), &full), &full);
  EXPECT_THAT(host.breaks_asked, IsEmpty());
  EXPECT_THAT(host.Failures(), ElementsAre(Failure("back1.txt"), Failure("back2.txt")));
}

TEST_F(RemovalSyncTest, PlainFailureOfASyncCopyIsMarkedAsSuch) {
  WriteDest("back.txt", "b", kNoon);
  FaultInjectingFileSystem faulty(PosixFileSystem());
  faulty.FailAlways(FsOp::kRename, ErrorKind::kIo, src);
  faulty.SetFreeSpace(int64_t{1} << 30, src);
  Sync(Queue(Both(), &faulty), &faulty);
  EXPECT_THAT(host.Failures(),
              ElementsAre("failed copy back " + Dest("back.txt") + " -> " + Src("back.txt")));
  EXPECT_TRUE(host.Event("failed").sync);
  EXPECT_FALSE(tmp.Exists("src/back.txt"));
}

TEST_F(RemovalSyncTest, UnlistedTargetIsNotOverwritten) {
  // dest/sub cannot be listed, so dest/sub/x.txt is absent from the list although it exists
  // (and is newer): the forward pass must not replace it.
  Write("sub/x.txt", "old", kDayBefore);
  WriteDest("sub/x.txt", "newer work", kNoon);
  Write("y.txt", "y", kNoon);
  FaultInjectingFileSystem faulty(PosixFileSystem());
  faulty.FailAlways(FsOp::kListDirectory, ErrorKind::kAccessDenied, "/dest/sub");
  RunSnapshot& item = Queue(Both(), &faulty);
  ASSERT_TRUE(item.DestScanFailed);

  Sync(item);
  EXPECT_EQ(tmp.ReadFile("dest/sub/x.txt"), "newer work");
  EXPECT_EQ(tmp.ReadFile("dest/y.txt"), "y");
  EXPECT_THAT(host.Failures(), ElementsAre("failed copy " + Src("sub/x.txt") + " -> " +
                                           Dest("sub/x.txt") + ": unlisted target"));
  EXPECT_TRUE(host.Event("failed").sync);
}

}  // namespace
}  // namespace qm::test
