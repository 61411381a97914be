// The real program killed with SIGKILL in the middle of copying a large file: nothing partial
// ever stands under the final name, and the next run finishes the job and leaves no temporary.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "engine/run_lock.h"
#include "fault_harness.h"
#include "support/child_process.h"
#include "support/store_file.h"
#include "support/user_lock_files.h"

namespace qm::test {
namespace {

namespace stdfs = std::filesystem;

class CrashTest : public ::testing::Test {
 protected:
  CrashTest() {
    src = tmp.MakeDir("src");
    dest = tmp.MakeDir("dest");
    store = tmp / "Quillmor.dat";
    test::WriteStoreFile(store, {test::BackupProfile("Crash", src, dest)});
  }

  // The program locks its folders in the user's lock directory.
  ~CrashTest() override { RemoveUserLockFiles({src, dest}); }

  // `quillmor --run Crash` with its options in the test's directory.
  ChildProcess Spawn() {
    return StartQuillmor(tmp.path(), {.args = {"--run", "Crash", "--store", store}});
  }
  int RunToEnd() { return Spawn().Wait(); }

  // Writes a 64 MiB source, large enough that a kill lands while it is copied.
  void WriteBigSource() {
    const std::string chunk = Bytes(1 << 20, 'k');
    std::ofstream big(src + "/big.bin", std::ios::binary);
    for (int i = 0; i < 64; ++i)
      big.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  // Starts a run and kills it once its copy of big.bin is under way; false when that was
  // never seen.
  bool KillMidCopy() {
    ChildProcess run = Spawn();
    const bool hit = PollUntil([&] {
      std::error_code ec;
      const auto size = stdfs::file_size(dest + "/.big.bin.qmtmp", ec);
      return !ec && size >= (2u << 20);
    });
    run.Signal(SIGKILL);
    run.Wait();
    return hit;
  }

  TempDir tmp;
  std::string src, dest, store;
};

TEST_F(CrashTest, KilledMidCopyLeavesOldOrNothingAndTheRerunFinishes) {
  WriteBigSource();
  SetMTime(src + "/big.bin", kNoon);
  tmp.WriteFile("src/small.txt", "small");
  tmp.WriteFile("dest/big.bin", "the good old copy");
  SetMTime(dest + "/big.bin", kDayBefore);
  ASSERT_TRUE(KillMidCopy()) << "the copy was never seen in progress";

  // The final name still holds the old copy; the partial one lies only under the temporary.
  EXPECT_EQ(ReadWholeFile(dest + "/big.bin"), "the good old copy");

  EXPECT_EQ(RunToEnd(), 0);
  const TreeState copied = ReadTree(dest);
  ASSERT_TRUE(copied.count("big.bin"));
  EXPECT_EQ(copied.at("big.bin"), ReadTree(src).at("big.bin"));
  EXPECT_EQ(copied.at("small.txt").content, "small");
  EXPECT_FALSE(stdfs::exists(dest + "/.big.bin.qmtmp"))
      << "stale temporary left after the rerun copied the file";
  // A third run finds everything up to date and changes nothing.
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(ReadTree(dest), copied);
}

TEST_F(CrashTest, StaleTemporaryIsRemovedEvenWhenItsSourceIsGone) {
  WriteBigSource();
  KillMidCopy();
  ASSERT_TRUE(stdfs::exists(dest + "/.big.bin.qmtmp")) << "the copy was never seen in progress";

  stdfs::remove(src + "/big.bin");
  tmp.WriteFile("src/other.txt", "other");
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_FALSE(stdfs::exists(dest + "/.big.bin.qmtmp"));
  EXPECT_EQ(ReadWholeFile(dest + "/other.txt"), "other");
}

TEST_F(CrashTest, RunOnAFolderInUseIsRefused) {
  // This process plays the window in the middle of its own run on the destination.
  Result<std::unique_ptr<RunLock>> window = RunLock::Acquire({dest}, DefaultLockDirectory());
  ASSERT_TRUE(window.ok());
  ASSERT_TRUE(stdfs::exists(UserLockFileOf(dest)));  // else the clean-up misses it
  tmp.WriteFile("src/a.txt", "a");
  EXPECT_EQ(RunToEnd(), 1);
  EXPECT_FALSE(stdfs::exists(dest + "/a.txt"));
  // Released when its holder ends, however it ends.
  window.value().reset();
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(ReadWholeFile(dest + "/a.txt"), "a");
}

}  // namespace
}  // namespace qm::test
