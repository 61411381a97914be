// The engine never loses a kept copy, never writes onto the disk beneath an unmounted volume,
// never overwrites from an incomplete listing, cleans up after a cut-off run, and never lets
// two runs work on one folder at once. A preview decides as a real run does and writes
// nothing; an abandoned run leaves no temporary.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "engine/backup_pass.h"
#include "engine/copy_failure.h"
#include "engine/kept_copy_names.h"
#include "engine/run_abandoned.h"
#include "engine/run_lock.h"
#include "engine_loop_fixture.h"
#include "platform/mount_places.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

std::vector<std::string> TreeNames(const std::string& root) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    out.push_back(std::filesystem::relative(e.path(), root).string());
  std::sort(out.begin(), out.end());
  return out;
}

// Mount places of a fake machine: `media` stands for /mnt, with fake tables.
class FakeMountsFs : public FullVolumeFs {
 public:
  using FullVolumeFs::FullVolumeFs;
  MountTables tables;
  std::string NotReadyMountPlace(const std::string& path) override {
    return NotMountedPlace(path, tables, "user", [this](const std::string& p) {
      Result<std::vector<DirEntry>> list = ListDirectory(p);
      return PlaceState{Stat(p).ok(), list.ok() && list.value().empty()};
    });
  }
};

class DataSafetyTest : public EngineTest {
 protected:
  // An empty mount point of a volume that is not plugged in.
  std::string UnpluggedUsb(FakeMountsFs& mounts) {
    const std::string usb = tmp.MakeDir("media/usb");
    mounts.tables.fstab = "UUID=1 " + usb + " vfat noauto,user 0 0\n";
    mounts.tables.mountinfo = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
    return usb;
  }
};

TEST_F(DataSafetyTest, DatedCopyMadeInTheSameSecondGetsItsOwnName) {
  formats.short_date = "dd.mm.yyyy";
  formats.long_time = "h:nn";  // no seconds: every run within a minute has the same suffix
  Write("a.txt", "first", kNoon);
  RunBackupOnly(Profile("P", kKeepDateTime));
  Write("a.txt", "second", kNoon + 60);
  RunBackupOnly(Profile("P", kKeepDateTime));
  Write("a.txt", "third", kNoon + 120);
  RunBackupOnly(Profile("P", kKeepDateTime));
  EXPECT_THAT(TreeNames(dest), ElementsAre("a.txt.09-12-2025_12-00", "a.txt.09-12-2025_12-00_2",
                                           "a.txt.09-12-2025_12-00_3"));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.09-12-2025_12-00"), "first");
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.09-12-2025_12-00_3"), "third");
  // The suffixes still reduce to the source: the next run finds it up to date.
  host.events.clear();
  RunBackupOnly(Profile("P", kKeepDateTime));
  EXPECT_THAT(host.Transferred(), IsEmpty());
  EXPECT_THAT(host.Lines({"up to date"}), ElementsAre("up to date " + Src("a.txt")));
}

TEST_F(DataSafetyTest, DistinctSuffixNeverAddsADot) {
  std::set<std::string> taken{"x", "x_2"};
  EXPECT_EQ(DistinctSuffix("x", [&](std::string_view s) { return taken.count(std::string(s)); }),
            "x_3");
  EXPECT_EQ(DistinctSuffix("y", [&](std::string_view s) { return taken.count(std::string(s)); }),
            "y");
}

TEST_F(DataSafetyTest, UnmountedDestinationIsDriveNotReadyAndNothingIsCreated) {
  FakeMountsFs mounts(PosixFileSystem());
  const std::string usb = UnpluggedUsb(mounts);
  Write("a.txt", "a", kNoon);
  Write("b.txt", "b", kNoon);
  ProfileRecord p = Profile("P");
  p.SetDestDir(usb + "/backup");
  // No to the first failure, yes to the second.
  host.answer_break = [this](const FileEvent&) { return host.breaks_asked.size() == 2; };
  EngineContext ctx = Ctx(mounts);
  EXPECT_THROW(RunBackupPass(ctx, QueueSelected(ctx, p)), RunBroken);
  EXPECT_THAT(host.Failures(),
              UnorderedElementsAre("failed copy " + Src("a.txt") + " -> " + usb +
                                       "/backup/a.txt: drive not ready on " + usb,
                                   "failed copy " + Src("b.txt") + " -> " + usb +
                                       "/backup/b.txt: drive not ready on " + usb));
  EXPECT_TRUE(TreeNames(usb).empty());
  EXPECT_EQ(host.breaks_asked.size(), 2u);
  EXPECT_EQ(host.Count("break accepted"), 1);
}

TEST_F(DataSafetyTest, APreviewOntoAnUnmountedVolumeReportsItsFailuresAndAsksNothing) {
  FakeMountsFs mounts(PosixFileSystem());
  const std::string usb = UnpluggedUsb(mounts);
  Write("a.txt", "a", kNoon);
  ProfileRecord p = Profile("P");
  p.SetDestDir(usb + "/backup");
  state.Preview = true;
  EngineContext ctx = Ctx(mounts);
  EXPECT_EQ(ProcessSnapshot(ctx, QueueSelected(ctx, p)), PassOutcome::kCompleted);
  EXPECT_THAT(host.breaks_asked, IsEmpty());
  EXPECT_THAT(host.Failures(), ElementsAre("failed copy " + Src("a.txt") + " -> " + usb +
                                           "/backup/a.txt: drive not ready on " + usb));
  EXPECT_EQ(host.Count("finished"), 1);
}

TEST_F(DataSafetyTest, SourceOnAnUnmountedVolumeIsNotCopiedBackInto) {
  FakeMountsFs mounts(PosixFileSystem());
  const std::string stick = tmp.MakeDir("media/stick");
  mounts.tables.fstab = "/dev/sdb1 " + stick + " ext4 noauto 0 0\n";
  WriteDest("a.txt", "only in the destination", kNoon);
  ProfileRecord p = Profile("Both");
  p.SetSyncMethod(kSyncBothWays);
  p.SetSrcDir(stick);
  EngineContext ctx = Ctx(mounts);
  ProcessSnapshot(ctx, QueueSelected(ctx, p));
  EXPECT_THAT(host.Failures(), ElementsAre("unreadable " + stick));
  EXPECT_TRUE(TreeNames(stick).empty());
}

// A listing that fails for one destination subfolder.
class UnlistableFs : public FullVolumeFs {
 public:
  using FullVolumeFs::FullVolumeFs;
  std::string unlistable;
  Result<std::vector<DirEntry>> ListDirectory(const std::string& d) override {
    if (d.find(unlistable) != std::string::npos)
      return Error{ErrorKind::kAccessDenied, "Permission denied"};
    return FullVolumeFs::ListDirectory(d);
  }
};

TEST_F(DataSafetyTest, UnlistedDestinationFolderIsNeverOverwrittenNorNumbered) {
  UnlistableFs unlistable(PosixFileSystem());
  unlistable.unlistable = "/dest/locked";
  Write("locked/a.txt", "source", kDayBefore);
  WriteDest("locked/a.txt", "newer work the scan never saw", kNoon);
  Write("locked/b.txt", "new", kNoon);
  Write("free.txt", "free", kNoon);
  EngineContext ctx = Ctx(unlistable);
  state.Running = true;
  QueueProfile(ctx, Profile("P"));
  ASSERT_TRUE(run_list.Object(0).DestScanFailed);
  RunBackupPass(ctx, run_list.Object(0));
  EXPECT_EQ(tmp.ReadFile("dest/locked/a.txt"), "newer work the scan never saw");
  EXPECT_EQ(tmp.ReadFile("dest/locked/b.txt"), "new");
  EXPECT_EQ(tmp.ReadFile("dest/free.txt"), "free");
  EXPECT_THAT(host.Failures(), ElementsAre("failed copy " + Src("locked/a.txt") + " -> " +
                                           Dest("locked/a.txt") + ": unlisted target"));
  EXPECT_FALSE(host.Event("failed").sync);

  // With numbered copies no number is taken from the incomplete listing.
  host.events.clear();
  run_list.Clear();
  QueueProfile(ctx, Profile("P", kKeepSequence));
  RunBackupPass(ctx, run_list.Object(0));
  EXPECT_THAT(host.Failures(),
              UnorderedElementsAre("failed copy " + Src("locked/a.txt") + " -> " +
                                       Dest("locked/a.txt.1") + ": no free kept-copy number",
                                   "failed copy " + Src("locked/b.txt") + " -> " +
                                       Dest("locked/b.txt.1") + ": no free kept-copy number",
                                   "failed copy " + Src("free.txt") + " -> " + Dest("free.txt.1") +
                                       ": no free kept-copy number"));
  EXPECT_THAT(host.Transferred(), IsEmpty());
}

TEST_F(DataSafetyTest, TemporariesOfACutOffRunAreRemovedByTheNext) {
  Write("a.txt", "a", kNoon);
  WriteDest(".gone.txt.qmtmp", "half a copy whose source is gone", kNoon);
  WriteDest("sub/.b.zip.qmtmp.Ab12Cd", "the archiver's own", kNoon);
  WriteDest(".not-ours.txt", "a user's hidden file", kNoon);
  {
    // The run that was killed held the lock and had marked it.
    auto killed = RunLock::Acquire({dest}, state.LockDirectory);
    ASSERT_TRUE(killed.ok());
    killed.value()->MarkRunning();
  }
  StartSelected(Profile("P"));
  EXPECT_THAT(TreeNames(dest), ElementsAre(".not-ours.txt", "a.txt", "sub"));
}

TEST_F(DataSafetyTest, TemporariesAreLeftAloneAfterACleanRun) {
  // Another program's file that merely looks like ours is not touched without a cut-off run.
  WriteDest(".x.qmtmp", "x", kNoon);
  StartSelected(Profile("P"));
  EXPECT_THAT(TreeNames(dest), ElementsAre(".x.qmtmp"));
}

TEST_F(DataSafetyTest, FolderInUseRefusesTheProfile) {
  Write("a.txt", "a", kNoon);
  auto other = RunLock::Acquire({dest + "/"}, state.LockDirectory);
  ASSERT_TRUE(other.ok());
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Lines({"locked", "started", "dropped", "finished"}),
              ElementsAre("locked P: " + dest, "dropped P"));
  EXPECT_EQ(host.Event("locked").refusal.kind, ErrorKind::kExists);
  EXPECT_TRUE(TreeNames(dest).empty());
  other.value().reset();
  host.events.clear();
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Failures(), IsEmpty());
  EXPECT_THAT(TreeNames(dest), ElementsAre("a.txt"));
}

TEST_F(DataSafetyTest, BothDirectionsLocksBothFoldersWhateverTheOrder) {
  auto a = RunLock::Acquire({src, dest}, state.LockDirectory);
  ASSERT_TRUE(a.ok());
  auto b = RunLock::Acquire({dest, src}, state.LockDirectory);
  ASSERT_FALSE(b.ok());
  EXPECT_EQ(b.error().kind, ErrorKind::kExists);
  a.value().reset();
  // A folder not yet created locks the same name as later.
  EXPECT_EQ(LockName(dest + "/new/../new"), LockName(dest) + "/new/../new");
  EXPECT_TRUE(RunLock::Acquire({dest, src}, state.LockDirectory).ok());
}

TEST_F(DataSafetyTest, PreviewTakesTheRealDecisionsAndWritesNothing) {
  Write("new.txt", "new", kNoon);
  Write("sub/changed.txt", "changed", kNoon);
  WriteDest("sub/changed.txt.1", "old", kDayBefore);
  Write("same.txt", "same", kNoon);
  WriteDest("same.txt.4", "same", kNoon);
  WriteDest("gone.txt.2", "gone", kNoon);
  WriteDest(".stale.qmtmp", "debris", kNoon);
  ProfileRecord keep = Profile("Keep", kKeepSequence);
  keep.SetRemoveDeleted(true);
  const std::string zsrc = tmp.MakeDir("zsrc");
  const std::string zdest = tmp.MakeDir("zdest");
  tmp.WriteFile("zsrc/p.txt", "pack me");
  tmp.WriteFile("zdest/old.txt", "not an archive");
  ProfileRecord zip = Profile("Zip", kKeepNone, true);
  zip.SetSrcDir(zsrc);
  zip.SetDestDir(zdest);
  zip.SetRemoveDeleted(true);
  {
    auto killed = RunLock::Acquire({dest}, state.LockDirectory);
    killed.value()->MarkRunning();
  }
  const std::vector<std::string> before = TreeNames(tmp.path());

  state.Preview = true;
  StartSelected({keep, zip});
  const std::vector<std::string> previewed = host.Recorded();
  const std::vector<std::string> previewed_up_to_date = host.Lines({"up to date"});
  EXPECT_EQ(TreeNames(tmp.path()), before) << "the preview wrote something";

  host.events.clear();
  state.Preview = false;
  StartSelected({keep, zip});
  EXPECT_EQ(host.Recorded(), previewed);
  EXPECT_EQ(host.Lines({"up to date"}), previewed_up_to_date);
  EXPECT_THAT(previewed, testing::Contains("copied " + Src("sub/changed.txt") + " -> " +
                                           Dest("sub/changed.txt.5")));
  EXPECT_THAT(previewed, testing::Contains("packed " + zsrc + "/p.txt -> " + zdest + "/p.txt.zip"));
  EXPECT_THAT(previewed, testing::Contains("deleted " + zdest + "/old.txt"));
}

TEST_F(DataSafetyTest, AbandonMidCopyLeavesTheOldTargetAndNoTemporary) {
  Write("first/a.txt", "small and complete", kNoon);  // subfolders are listed first
  Write("b.bin", std::string(1 << 20, 'b'), kNoon);
  WriteDest("b.bin", "the good old copy", kDayBefore);
  // A front end that abandons the run once the copy under way has passed 100,000 bytes.
  host.on_update = [this] {
    if (host.progress.first > 100000) throw RunAbandoned();
  };
  EngineContext ctx = Ctx();
  state.Running = true;
  state.Mode = RunMode::kSelected;
  state.SelectedRun = true;
  QueueProfile(ctx, Profile("P"));
  ProcessRunList(ctx);  // ends quietly: no failure reported
  EXPECT_EQ(tmp.ReadFile("dest/b.bin"), "the good old copy");
  EXPECT_EQ(tmp.ReadFile("dest/first/a.txt"), "small and complete")
      << "a complete copy is committed";
  EXPECT_THAT(TreeNames(dest), ElementsAre("b.bin", "first", "first/a.txt"));
  EXPECT_THAT(host.Transferred(),
              ElementsAre("copied " + Src("first/a.txt") + " -> " + Dest("first/a.txt")));
  EXPECT_EQ(host.Count("run failed"), 0);
  EXPECT_EQ(host.copies_ended, 2) << "the abandoned copy has ended too";
  EXPECT_TRUE(run_list.Empty());
}

TEST_F(DataSafetyTest, AbandonMidPackLeavesNoArchiveNorTemporary) {
  Write("b.bin", std::string(1 << 20, 'b'), kNoon);
  // Abandons at every update after the first (which comes before the first file).
  int calls = 0;
  host.on_update = [&calls] {
    if (++calls > 1) throw RunAbandoned();
  };
  EngineContext ctx = Ctx();
  state.Running = true;
  QueueProfile(ctx, Profile("P", kKeepNone, true));
  EXPECT_THROW(RunBackupPass(ctx, run_list.Object(0)), RunAbandoned);
  EXPECT_GT(calls, 1);
  EXPECT_TRUE(TreeNames(dest).empty());
}

}  // namespace
}  // namespace qm::test
