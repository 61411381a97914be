// Finished copies made durable in groups: nothing under a final name before the group's volumes
// are synced, one sync per volume, and a failed sync reported as failed copies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/backup_pass.h"
#include "engine/copier.h"
#include "engine/durability_batch.h"
#include "engine_loop_fixture.h"
#include "support/fault_file_system.h"

namespace qm::test {
namespace {

constexpr long long kTime = 1717243200;  // 2024-06-01 12:00:00 UTC

DosDateTime DosTimeOf(const std::string& path) {
  return PosixFileSystem().Stat(path).value().time;
}
bool Exists(const std::string& path) {
  return PosixFileSystem().Stat(path).ok();
}

class BatchCopyTest : public ::testing::Test {
 protected:
  void Copy(const std::string& from, const std::string& to, DurabilityBatch& batch,
            bool may_replace = true) {
    CopyFileWithProgress(fs, loop, from, to,
                         {&batch,
                          [this](const FinishedFile& f, const Status& s) {
                            outcomes.push_back(f.target + (s.ok() ? " placed" : " failed"));
                          },
                          nullptr, may_replace});
  }
  std::string Source(const std::string& name, const std::string& content) {
    std::string path = tmp.WriteFile("src/" + name, content);
    SetMTime(path, kTime);
    return path;
  }

  TempDir tmp;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  std::vector<std::string> outcomes;
};

TEST_F(BatchCopyTest, CopyWaitsUnderItsTemporaryUntilTheGroupIsSynced) {
  const std::string src = Source("a.txt", "alpha");
  tmp.WriteFile("dst/old.txt", "old");
  const std::string b = Source("old.txt", "new");
  {
    DurabilityBatch batch(fs);
    Copy(src, tmp / "dst/deep/a.txt", batch);
    Copy(b, tmp / "dst/old.txt", batch);
    // Complete, with its final time, but not yet under its name; the old copy still stands.
    EXPECT_FALSE(Exists(tmp / "dst/deep/a.txt"));
    EXPECT_EQ(tmp.ReadFile("dst/deep/.a.txt.qmtmp"), "alpha");
    EXPECT_EQ(DosTimeOf(tmp / "dst/deep/.a.txt.qmtmp"), DosTimeOf(src));
    EXPECT_EQ(tmp.ReadFile("dst/old.txt"), "old");
    EXPECT_TRUE(outcomes.empty());
    EXPECT_TRUE(batch.Commit());
  }
  // One volume sync for the group, no sync per file, no second time-setting call.
  EXPECT_EQ(fs.CallCount(FsOp::kSyncVolume), 1);
  EXPECT_EQ(fs.CallCount(FsOp::kSync), 0);
  EXPECT_EQ(fs.CallCount(FsOp::kSetLastWriteTime), 0);
  EXPECT_EQ(tmp.ReadFile("dst/deep/a.txt"), "alpha");
  EXPECT_EQ(tmp.ReadFile("dst/old.txt"), "new");
  EXPECT_EQ(DosTimeOf(tmp / "dst/deep/a.txt"), DosTimeOf(src));
  EXPECT_FALSE(Exists(tmp / "dst/deep/.a.txt.qmtmp"));
  EXPECT_THAT(outcomes,
              testing::ElementsAre(tmp / "dst/deep/a.txt placed", tmp / "dst/old.txt placed"));
}

TEST_F(BatchCopyTest, FailedVolumeSyncFailsEveryFileAndRemovesTheTemporaries) {
  tmp.WriteFile("dst/b.txt", "the good old copy");
  DurabilityBatch batch(fs);
  Copy(Source("a.txt", "alpha"), tmp / "dst/a.txt", batch);
  Copy(Source("b.txt", "beta"), tmp / "dst/b.txt", batch);
  fs.Fail(FsOp::kSyncVolume, ErrorKind::kIo);
  EXPECT_FALSE(batch.Commit());
  EXPECT_THAT(outcomes, testing::ElementsAre(tmp / "dst/a.txt failed", tmp / "dst/b.txt failed"));
  EXPECT_FALSE(Exists(tmp / "dst/a.txt"));
  EXPECT_EQ(tmp.ReadFile("dst/b.txt"), "the good old copy");
  EXPECT_FALSE(Exists(tmp / "dst/.a.txt.qmtmp"));
  EXPECT_FALSE(Exists(tmp / "dst/.b.txt.qmtmp"));
}

TEST_F(BatchCopyTest, KeptCopyNeverReplacesAFileThatAppearedMeanwhile) {
  DurabilityBatch batch(fs);
  Copy(Source("a.txt", "new"), tmp / "dst/a.txt.1", batch, /*may_replace=*/false);
  tmp.WriteFile("dst/a.txt.1", "a kept copy");
  EXPECT_FALSE(batch.Commit());
  EXPECT_EQ(tmp.ReadFile("dst/a.txt.1"), "a kept copy");
  EXPECT_THAT(outcomes, testing::ElementsAre(tmp / "dst/a.txt.1 failed"));
  // And one that exists already is refused before anything is written.
  EXPECT_THROW(Copy(Source("a.txt", "new"), tmp / "dst/a.txt.1", batch, false), FileError);
  EXPECT_FALSE(Exists(tmp / "dst/.a.txt.1.qmtmp"));
}

TEST_F(BatchCopyTest, FullGroupCommitsOnItsOwn) {
  DurabilityBatch batch(fs);
  const std::string src = Source("a.txt", "x");
  for (size_t i = 0; i < DurabilityBatch::kMaxFiles; ++i)
    Copy(src, tmp / ("dst/f" + std::to_string(i)), batch);
  EXPECT_EQ(fs.CallCount(FsOp::kSyncVolume), 1);
  EXPECT_EQ(batch.pending(), 0u);
  EXPECT_EQ(DosTimeOf(tmp / "dst/f0"), DosTimeOf(src));
}

// Paths below `second` lie on a second volume.
class TwoVolumeFs : public FullVolumeFs {
 public:
  using FullVolumeFs::FullVolumeFs;
  std::string second;
  std::vector<std::string> synced;
  Result<uint64_t> VolumeId(const std::string& p) override {
    return uint64_t{p.rfind(second, 0) == 0 ? 2u : 1u};
  }
  Status SyncVolume(const std::string& p) override {
    synced.push_back(p);
    return FullVolumeFs::SyncVolume(p);
  }
};

TEST_F(BatchCopyTest, EveryVolumeThatReceivedAFileIsSynced) {
  TwoVolumeFs two(PosixFileSystem());
  two.second = tmp / "dst/usb";
  DurabilityBatch batch(two);
  const std::string src = Source("a.txt", "x");
  for (const char* to : {"dst/a", "dst/sub/b", "dst/usb/c", "dst/usb/deeper/d"})
    CopyFileWithProgress(two, loop, src, tmp / to, {&batch, nullptr, nullptr, true});
  EXPECT_TRUE(batch.Commit());
  EXPECT_THAT(two.synced, testing::ElementsAre(tmp / "dst/", tmp / "dst/usb/"));
}

// The process dies (a power cut) when the group is about to be synced.
struct PowerCut {};
class PowerCutFs : public FullVolumeFs {
 public:
  using FullVolumeFs::FullVolumeFs;
  bool cut = true;
  Status SyncVolume(const std::string& p) override {
    if (cut) throw PowerCut{};
    return FullVolumeFs::SyncVolume(p);
  }
};

class BatchPassTest : public EngineTest {
 protected:
  PassOutcome RunBackup(FileSystem& with) {
    run_list.Clear();
    EngineContext on = Ctx(with);
    QueueProfile(on, Profile("p"));
    state.Running = true;
    return RunBackupPass(on, run_list.Object(0));
  }
};

TEST_F(BatchPassTest, PowerCutBeforeTheCommitLeavesNothingTheRerunTakesAsUpToDate) {
  // 1970 clamps to the oldest DOS time, 1980-01-01 00:00: no time can mark a copy as unsynced.
  Write("old.txt", "from 1970", 3600);
  Write("sub/new.txt", "new", kTime);
  WriteDest("sub/new.txt", "the good old copy", kTime - 86400);
  PowerCutFs cutting(PosixFileSystem());
  EXPECT_THROW(RunBackup(cutting), PowerCut);
  EXPECT_FALSE(Exists(Dest("old.txt")));
  EXPECT_EQ(tmp.ReadFile("dest/sub/new.txt"), "the good old copy");
  EXPECT_THAT(host.Lines({"copied", "failed"}), testing::IsEmpty());

  host.events.clear();
  cutting.cut = false;
  EXPECT_EQ(RunBackup(cutting), PassOutcome::kCompleted);
  EXPECT_EQ(host.Transferred().size(), 2u);
  EXPECT_EQ(tmp.ReadFile("dest/old.txt"), "from 1970");
  EXPECT_EQ(tmp.ReadFile("dest/sub/new.txt"), "new");
}

TEST_F(BatchPassTest, FailedGroupSyncIsReportedAsFailedCopies) {
  Write("a.txt", "alpha", kTime);
  Write("sub/b.txt", "beta", kTime);
  fs.fail_volume_sync = true;
  EXPECT_EQ(RunBackup(fs), PassOutcome::kCompleted);
  EXPECT_THAT(host.Transferred(), testing::IsEmpty());
  // Failed as plain copies: the volume has room, and nobody is asked after the copy is over.
  EXPECT_THAT(host.Failures(), testing::UnorderedElementsAre(
                                   "failed copy " + Src("a.txt") + " -> " + Dest("a.txt"),
                                   "failed copy " + Src("sub/b.txt") + " -> " + Dest("sub/b.txt")));
  EXPECT_THAT(host.breaks_asked, testing::IsEmpty());
  EXPECT_FALSE(Exists(Dest("a.txt")));
  EXPECT_FALSE(Exists(Dest("sub/.b.txt.qmtmp")));

  host.events.clear();
  fs.fail_volume_sync = false;
  EXPECT_EQ(RunBackup(fs), PassOutcome::kCompleted);
  EXPECT_EQ(host.Transferred().size(), 2u);
  EXPECT_EQ(DosTimeOf(Dest("sub/b.txt")), DosTimeOf(Src("sub/b.txt")));
}

TEST_F(BatchPassTest, StopRequestStillCommitsTheCopiesMade) {
  for (int i = 0; i < 40; ++i) Write("f" + std::to_string(i), std::string(100, 'x'), kTime);
  loop.After(20, [this] { state.Running = false; });
  EXPECT_EQ(RunBackup(fs), PassOutcome::kStopped);
  int copied = 0;
  for (int i = 0; i < 40; ++i) {
    Result<DirEntry> e = PosixFileSystem().Stat(Dest("f" + std::to_string(i)));
    if (!e.ok()) continue;
    ++copied;
    EXPECT_EQ(e.value().time, DosTimeOf(Src("f" + std::to_string(i))));
  }
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, 40);
  EXPECT_EQ(host.Count("copied"), copied);
}

}  // namespace
}  // namespace qm::test
