// `quillmor --background` as a real child process: it backs a profile up every interval, backs
// a changed file up again, refuses a second scheduler on the same store, and on SIGTERM in the
// middle of a long copy abandons that copy without leaving its temporary and exits 0.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/date_time.h"
#include "profiles/profile_record.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/user_lock_files.h"

namespace qm::test {
namespace {

namespace stdfs = std::filesystem;

class BackgroundProcessTest : public ::testing::Test {
 protected:
  BackgroundProcessTest() {
    src = tmp.MakeDir("src");
    dest = tmp / "dest";
    store = tmp / "Quillmor.dat";
    ProfileRecord p = test::BackupProfile("Every3s", src, dest);
    p.SetInterval(EncodeTime(0, 0, 3));
    test::WriteStoreFile(store, {p});
  }
  // The program locks its folders in the user's lock directory.
  ~BackgroundProcessTest() override { RemoveUserLockFiles({src, dest}); }

  // `quillmor --background` on the test's store, options and data directory.
  ChildProcess Spawn(const std::string& err_file, bool verbose = false) {
    std::vector<std::string> args{"--background", "--store", store};
    if (verbose) args.push_back("-v");
    return StartQuillmor(tmp.path(), {.args = args, .err = err_file});
  }
  bool DestHolds(const std::string& name, const std::string& content) {
    return stdfs::exists(dest + "/" + name) && tmp.ReadFile("dest/" + name) == content;
  }

  TempDir tmp;
  std::string src, dest, store;
};

TEST_F(BackgroundProcessTest, BacksUpEachIntervalAndStopsCleanlyOnSigterm) {
  tmp.WriteFile("src/a.txt", "one");
  ChildProcess first = Spawn(tmp / "first.err");
  ASSERT_TRUE(PollUntil([&] { return DestHolds("a.txt", "one"); }));

  // The same store's scheduler is taken.
  EXPECT_EQ(Spawn(tmp / "second.err").Wait(), 1);
  EXPECT_NE(tmp.ReadFile("second.err").find("already runs for the profile store"),
            std::string::npos);

  tmp.WriteFile("src/a.txt", "two");
  SetMTime(src + "/a.txt", 2'000'000'000);
  ASSERT_TRUE(PollUntil([&] { return DestHolds("a.txt", "two"); }));

  // A file large enough that the copy is under way when the signal comes; made beside the
  // source and moved in whole, so no scan sees it half-written.
  constexpr int kMiB = 512;
  {
    const std::string chunk(1 << 20, 'b');
    std::ofstream big(tmp / "big.bin", std::ios::binary);
    for (int i = 0; i < kMiB; ++i)
      big.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  stdfs::rename(tmp / "big.bin", src + "/big.bin");
  const std::string temp = dest + "/.big.bin.qmtmp";
  ASSERT_TRUE(PollUntil([&] { return stdfs::exists(temp); }));
  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_FALSE(stdfs::exists(temp));
  // Abandoned; or, when the last block was already written, complete: never partial.
  if (stdfs::exists(dest + "/big.bin")) {
    EXPECT_EQ(stdfs::file_size(dest + "/big.bin"), uintmax_t{kMiB} << 20);
  }
  EXPECT_TRUE(DestHolds("a.txt", "two"));
}

// -v echoes every record of a round as the log gets it, the profile's start and finish too.
TEST_F(BackgroundProcessTest, VerboseEchoesTheRecordsOfARound) {
  tmp.WriteFile("src/a.txt", "one");
  ChildProcess run = Spawn(tmp / "verbose.err", /*verbose=*/true);
  const auto echoed = [&](const std::string& text) {
    // The child may not have opened its stderr yet.
    return stdfs::exists(tmp / "verbose.err") &&
           tmp.ReadFile("verbose.err").find(text) != std::string::npos;
  };
  ASSERT_TRUE(PollUntil([&] { return echoed("Finished profile \"Every3s\""); }));
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_TRUE(echoed("Info: Started profile \"Every3s\""));
  EXPECT_TRUE(echoed("Success: File \"" + src + "/a.txt\" copied to \"" + dest + "/a.txt\""));
}

TEST_F(BackgroundProcessTest, AProfileThatRecordedErrorsIsAnnouncedOnTheDesktop) {
  // Stands in for the desktop's notify-send: one argument a line.
  const std::string shown = tmp / "shown";
  const std::string fake =
      tmp.WriteFile("bin/notify-send", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + shown +
                                           ".new\"\nmv \"" + shown + ".new\" \"" + shown + "\"\n");
  ASSERT_EQ(chmod(fake.c_str(), 0755), 0);
  ScopedEnv env;
  env.Set("PATH", tmp / "bin" + ":" + std::getenv("PATH"));
  stdfs::remove_all(src);  // the source cannot be read: an error of the profile

  ChildProcess run = Spawn(tmp / "err");
  ASSERT_TRUE(PollUntil([&] { return stdfs::exists(shown); }));
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_EQ(tmp.ReadFile("shown"),
            "--app-name=Quillmor\n--\nQuillmor: errors in \"Every3s\"\nThe background run of "
            "\"Every3s\" recorded 1 error. See the log file " +
                tmp.path() + "/Quillmor.log.\n");
}

}  // namespace
}  // namespace qm::test
