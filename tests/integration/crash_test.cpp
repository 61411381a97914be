// The real program killed with SIGKILL in the middle of copying a large file: nothing partial
// ever stands under the final name, and the next run finishes the job and leaves no temporary.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/run_lock.h"
#include "fault_harness.h"
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

  // Starts `quillmor --run Crash` with its options in the test's directory.
  pid_t Spawn() {
    const std::string config = tmp / "config";
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("QUILLMOR_CONFIG_DIR", config.c_str(), 1);
      setenv("XDG_CONFIG_HOME", config.c_str(), 1);
      setenv("XDG_DATA_HOME", config.c_str(), 1);
      std::freopen("/dev/null", "w", stdout);
      execl(QUILLMOR_EXE, QUILLMOR_EXE, "--run", "Crash", "--store", store.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  int RunToEnd() {
    const pid_t pid = Spawn();
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Writes a 64 MiB source, large enough that a kill lands while it is copied.
  void WriteBigSource() {
    const std::string chunk = Bytes(1 << 20, 'k');
    std::ofstream big(src + "/big.bin", std::ios::binary);
    for (int i = 0; i < 64; ++i)
      big.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  // Starts a run and returns once its copy of big.bin is under way.
  pid_t SpawnMidCopy() {
    const pid_t pid = Spawn();
    const std::string temp = dest + "/.big.bin.qmtmp";
    for (int i = 0; i < 20000; ++i) {
      std::error_code ec;
      const auto size = stdfs::file_size(temp, ec);
      if (!ec && size >= (2u << 20)) return pid;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return pid;
  }

  TempDir tmp;
  std::string src, dest, store;
};

TEST_F(CrashTest, KilledMidCopyLeavesOldOrNothingAndTheRerunFinishes) {
  // 64 MiB takes long enough to copy (and sync) that the kill lands while it is written.
  const std::string chunk = Bytes(1 << 20, 'k');
  {
    std::ofstream big(src + "/big.bin", std::ios::binary);
    for (int i = 0; i < 64; ++i)
      big.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  SetMTime(src + "/big.bin", kNoon);
  tmp.WriteFile("src/small.txt", "small");
  tmp.WriteFile("dest/big.bin", "the good old copy");
  SetMTime(dest + "/big.bin", kDayBefore);

  const pid_t pid = Spawn();
  ASSERT_GT(pid, 0);
  const std::string temp = dest + "/.big.bin.qmtmp";
  bool hit = false;
  for (int i = 0; i < 20000 && !hit; ++i) {
    std::error_code ec;
    const auto size = stdfs::file_size(temp, ec);
    if (!ec && size >= (2u << 20))
      hit = true;
    else
      std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(hit) << "the copy was never seen in progress";

  // The final name still holds the old copy; the partial one lies only under the temporary.
  EXPECT_EQ(ReadWholeFile(dest + "/big.bin"), "the good old copy");

  EXPECT_EQ(RunToEnd(), 0);
  const TreeState copied = ReadTree(dest);
  ASSERT_TRUE(copied.count("big.bin"));
  EXPECT_EQ(copied.at("big.bin"), ReadTree(src).at("big.bin"));
  EXPECT_EQ(copied.at("small.txt").content, "small");
  EXPECT_FALSE(stdfs::exists(temp)) << "stale temporary left after the rerun copied the file";
  // A third run finds everything up to date and changes nothing.
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(ReadTree(dest), copied);
}

TEST_F(CrashTest, StaleTemporaryIsRemovedEvenWhenItsSourceIsGone) {
  WriteBigSource();
  const pid_t pid = SpawnMidCopy();
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
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
