// New copies made durable in groups: the old placeholder time until the volume is synced, the
// source's time after, and a failed sync that leaves the files to be copied again.
#include <gtest/gtest.h>

#include "engine/backup_pass.h"
#include "engine/durability_batch.h"
#include "engine/qmFileUtil.h"
#include "engine_loop_fixture.h"
#include "support/fault_file_system.h"

namespace qm::test {
namespace {

constexpr long long kTime = 1717243200;  // 2024-06-01 12:00:00 UTC

DosDateTime DosTimeOf(const std::string& path) {
  return PosixFileSystem().Stat(path).value().time;
}

class BatchCopyTest : public ::testing::Test {
 protected:
  void Copy(const std::string& from, const std::string& to, DurabilityBatch& batch) {
    CopyFileWithProgress(fs, loop, from, to, bar, label, &batch);
  }
  std::string Source(const std::string& name, const std::string& content) {
    std::string path = tmp.WriteFile("src/" + name, content);
    SetMTime(path, kTime);
    return path;
  }

  TempDir tmp;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  ui::ProgressBar bar{"psFile"};
  ui::Label label{"lpsCurrentFile"};
};

TEST_F(BatchCopyTest, NewCopyCarriesPlaceholderTimeUntilTheVolumeIsSynced) {
  const std::string src = Source("a.txt", "alpha");
  const DosDateTime source_time = DosTimeOf(src);
  {
    DurabilityBatch batch(fs);
    Copy(src, tmp / "dst/deep/a.txt", batch);
    EXPECT_EQ(tmp.ReadFile("dst/deep/a.txt"), "alpha");
    EXPECT_EQ(DosTimeOf(tmp / "dst/deep/a.txt"), kUnsyncedCopyTime);
    EXPECT_EQ(fs.CallCount(FsOp::kSync), 0);
    EXPECT_EQ(batch.pending(), 1u);
    EXPECT_TRUE(batch.Flush());
    EXPECT_EQ(fs.CallCount(FsOp::kSyncVolume), 1);
    EXPECT_EQ(DosTimeOf(tmp / "dst/deep/a.txt"), source_time);
  }
  // Nothing left: destroying the batch syncs nothing more.
  EXPECT_EQ(fs.CallCount(FsOp::kSyncVolume), 1);
}

TEST_F(BatchCopyTest, ReplacedCopyIsSyncedAndGetsItsTimeAtOnce) {
  const std::string src = Source("a.txt", "new");
  tmp.WriteFile("dst/a.txt", "old");
  DurabilityBatch batch(fs);
  Copy(src, tmp / "dst/a.txt", batch);
  EXPECT_EQ(tmp.ReadFile("dst/a.txt"), "new");
  EXPECT_EQ(DosTimeOf(tmp / "dst/a.txt"), DosTimeOf(src));
  EXPECT_EQ(fs.CallCount(FsOp::kSync), 1);
  EXPECT_EQ(batch.pending(), 0u);
}

TEST_F(BatchCopyTest, FailedVolumeSyncLeavesPlaceholderTimes) {
  const std::string a = Source("a.txt", "alpha");
  const std::string b = Source("b.txt", "beta");
  DurabilityBatch batch(fs);
  Copy(a, tmp / "dst/a.txt", batch);
  Copy(b, tmp / "dst/b.txt", batch);
  fs.Fail(FsOp::kSyncVolume, ErrorKind::kIo);
  EXPECT_FALSE(batch.Flush());
  EXPECT_EQ(fs.CallCount(FsOp::kSetLastWriteTime), 0);
  // The data is there, but its time tells the next run to copy it again.
  EXPECT_EQ(tmp.ReadFile("dst/b.txt"), "beta");
  EXPECT_EQ(DosTimeOf(tmp / "dst/a.txt"), kUnsyncedCopyTime);
  EXPECT_EQ(DosTimeOf(tmp / "dst/b.txt"), kUnsyncedCopyTime);
  EXPECT_EQ(batch.pending(), 0u);
}

TEST_F(BatchCopyTest, PlaceholderThatCannotBeSetFailsTheCopy) {
  // Without it the copy would carry the current time and pass as up to date.
  const std::string src = Source("a.txt", "alpha");
  fs.Fail(FsOp::kFileSetLastWriteTime, ErrorKind::kIo);
  DurabilityBatch batch(fs);
  EXPECT_THROW(Copy(src, tmp / "dst/a.txt", batch), FileError);
  EXPECT_FALSE(PosixFileSystem().Stat(tmp / "dst/a.txt").ok());
  EXPECT_EQ(batch.pending(), 0u);
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

class BatchPassTest : public EngineTest {
 protected:
  PassOutcome RunBackup() {
    RunList.Clear();
    EngineContext ctx = Ctx();
    QueueProfile(ctx, Profile("p"));
    return RunBackupPass(ctx, RunList.Object(0));
  }
};

TEST_F(BatchPassTest, FailedSyncIsNotAFailedCopyAndTheRerunCopiesAgain) {
  Write("a.txt", "alpha", kTime);
  Write("sub/b.txt", "beta", kTime);
  fs.fail_volume_sync = true;
  state.Running = true;
  EXPECT_EQ(RunBackup(), PassOutcome::kCompleted);
  EXPECT_EQ(host.operated, 2);
  EXPECT_TRUE(host.Texts(lkError).empty());
  EXPECT_EQ(DosTimeOf(Dest("sub/b.txt")), kUnsyncedCopyTime);

  fs.fail_volume_sync = false;
  host.log.clear();
  state.Running = true;
  EXPECT_EQ(RunBackup(), PassOutcome::kCompleted);
  EXPECT_EQ(host.operated, 4);
  EXPECT_EQ(DosTimeOf(Dest("a.txt")), DosTimeOf(Src("a.txt")));
  EXPECT_EQ(DosTimeOf(Dest("sub/b.txt")), DosTimeOf(Src("sub/b.txt")));
}

TEST_F(BatchPassTest, StopRequestStillCommitsTheCopiesMade) {
  for (int i = 0; i < 40; ++i) Write("f" + std::to_string(i), std::string(100, 'x'), kTime);
  state.Running = true;
  loop.After(20, [this] { state.Running = false; });
  EXPECT_EQ(RunBackup(), PassOutcome::kStopped);
  int copied = 0;
  for (int i = 0; i < 40; ++i) {
    Result<DirEntry> e = PosixFileSystem().Stat(Dest("f" + std::to_string(i)));
    if (!e.ok()) continue;
    ++copied;
    EXPECT_EQ(e.value().time, DosTimeOf(Src("f" + std::to_string(i))));
  }
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, 40);
}

}  // namespace
}  // namespace qm::test
