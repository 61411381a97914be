// SIGINT and SIGTERM during a headless run, in a real child process: the copy under way is
// abandoned without a temporary left behind, the old copy stays whole, the records made so far
// reach the log, and the exit status names the signal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/restore_command.h"
#include "cli/run_command.h"
#include "cli/verify_command.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
#include "support/child_process.h"
#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/store_file.h"
#include "support/temp_dir.h"

namespace qm::cli {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

constexpr int64_t kBigSize = 8 << 20;

// Tells the parent when the big copy is under way, then waits until it has been signalled.
class SignalPoint : public RunObserver {
 public:
  SignalPoint(int to_parent, int from_parent) : to_parent_(to_parent), from_parent_(from_parent) {}
  void FileProgress(int64_t done, int64_t total) noexcept override {
    if (reached_ || total != kBigSize || done < (1 << 20)) return;
    reached_ = true;
    char c = 'c';
    if (write(to_parent_, &c, 1) != 1) _exit(90);
    while (read(from_parent_, &c, 1) < 0 && errno == EINTR) {
    }
  }

 private:
  const int to_parent_;
  const int from_parent_;
  bool reached_ = false;
};

class InterruptTest : public ::testing::TestWithParam<int> {
 protected:
  InterruptTest() {
    // Subfolders are copied before the files beside them: the failure comes first.
    dir_.WriteFile("src/sub/unreadable.txt", "never read");
    dir_.WriteFile("src/big.bin", std::string(kBigSize, 'n'));
    dir_.WriteFile("dest/big.bin", "the old copy");
    test::SetMTime(dir_ / "dest/big.bin", 1600000000);

    test::WriteStoreFile(dir_ / "store.dat",
                         {test::BackupProfile("Big", dir_ / "src", dir_ / "dest")});
  }

  // Runs the profile in a child process that gets `signals` once the big copy is under way.
  test::Outcome RunAndSignal(const std::vector<int>& signals) {
    int up[2], down[2];
    EXPECT_EQ(pipe(up), 0);
    EXPECT_EQ(pipe(down), 0);
    const auto run = [&] {
      close(up[0]);
      close(down[1]);
      FaultInjectingFileSystem fs(PosixFileSystem());
      fs.FailAlways(FsOp::kOpenRead, ErrorKind::kAccessDenied, "unreadable");
      RunRequest request;
      request.store_path = dir_ / "store.dat";
      request.lock_directory = dir_ / "locks";
      request.names = {"Big"};
      request.fs = &fs;
      SignalPoint point(up[1], down[0]);
      return RunProfiles(request, std::cout, std::cerr, &point);
    };
    test::ChildProcess child(
        run,
        {.env = test::IsolatedEnvironment(dir_.path()), .out = test::kPipe, .err = test::kPipe});
    close(up[1]);
    close(down[0]);
    char c = 0;
    const bool reached = read(up[0], &c, 1) == 1;
    EXPECT_TRUE(reached) << "the big copy never started";
    for (int signal : signals) child.Signal(signal);
    // The child goes on only after the signals are pending: they are taken on its way back.
    EXPECT_EQ(write(down[1], "g", 1), 1);
    test::Outcome outcome = child.Finish();
    close(up[0]);
    close(down[1]);
    EXPECT_EQ(child.TermSignal(), 0) << "killed by a signal";
    return outcome;
  }

  std::vector<std::string> Temporaries() {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_.path()))
      if (e.path().filename().string().ends_with(".qmtmp")) found.push_back(e.path());
    return found;
  }

  TempDir dir_;
};

TEST_P(InterruptTest, StopsCleanlyWithTheSignalsExitStatus) {
  const int signal = GetParam();
  // A second Ctrl-C while the first is being handled changes nothing.
  const test::Outcome o =
      RunAndSignal(signal == SIGINT ? std::vector<int>{SIGINT, SIGINT} : std::vector<int>{SIGTERM});
  EXPECT_EQ(o.status, signal == SIGINT ? 130 : 143);
  EXPECT_EQ(Temporaries(), std::vector<std::string>{});
  EXPECT_EQ(dir_.ReadFile("dest/big.bin"), "the old copy");
  // The error record made before the signal was still in the buffer: it is written.
  EXPECT_THAT(dir_.ReadFile("Quillmor.log"),
              HasSubstr("Error: Can not copy file \"" + (dir_ / "src/sub/unreadable.txt") + "\""));
  EXPECT_THAT(o.out, HasSubstr("copied 0, packed 0, deleted 0, failed 1\n"));
  EXPECT_EQ(o.err, "");
}

// Holds the job at `path` (restore looks at its target, verify reads its source) until the
// parent has signalled it.
class PauseAt : public test::ForwardingFileSystem {
 public:
  PauseAt(std::string path, int to_parent, int from_parent)
      : ForwardingFileSystem(PosixFileSystem()),
        path_(std::move(path)),
        to_parent_(to_parent),
        from_parent_(from_parent) {}
  Result<DirEntry> StatLink(const std::string& path) override {
    Pause(path);
    return ForwardingFileSystem::StatLink(path);
  }
  std::string NativePath(const std::string& path) override {
    Pause(path);
    return ForwardingFileSystem::NativePath(path);
  }

 private:
  void Pause(const std::string& path) {
    if (reached_ || path != path_) return;
    reached_ = true;
    char c = 'c';
    if (write(to_parent_, &c, 1) != 1) _exit(90);
    while (read(from_parent_, &c, 1) < 0 && errno == EINTR) {
    }
  }
  const std::string path_;
  const int to_parent_, from_parent_;
  bool reached_ = false;
};

TEST(RestoreVerifyInterruptTest, SigtermStopsBothBetweenFilesWith143) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    for (const char* side : {"src/", "dest/"}) {
      dir.WriteFile(std::string(side) + name, name);
      test::SetMTime(dir / (std::string(side) + name), 1600000000);
    }
  }
  test::WriteStoreFile(dir / "store.dat", {test::BackupProfile("P", dir / "src", dir / "dest")});
  const auto signalled = [&](const std::string& pause_at,
                             const std::function<int(FileSystem&)>& job) {
    int up[2], down[2];
    EXPECT_EQ(pipe(up), 0);
    EXPECT_EQ(pipe(down), 0);
    test::ChildProcess child(
        [&] {
          PauseAt fs(pause_at, up[1], down[0]);
          return job(fs);
        },
        {.env = test::IsolatedEnvironment(dir.path()), .out = test::kPipe, .err = test::kPipe});
    char c = 0;
    EXPECT_EQ(read(up[0], &c, 1), 1) << "the job never reached " << pause_at;
    child.Signal(SIGTERM);
    EXPECT_EQ(write(down[1], "g", 1), 1);
    test::Outcome outcome = child.Finish();
    for (int fd : {up[0], up[1], down[0], down[1]}) close(fd);
    return outcome;
  };

  const test::Outcome restored = signalled(dir / "out/b.txt", [&](FileSystem& fs) {
    RestoreRequest request;
    request.store_path = dir / "store.dat";
    request.name = "P";
    request.to = dir / "out";
    request.fs = &fs;
    request.lock_directory = dir / "locks";
    return RestoreFiles(request, std::cout, std::cerr);
  });
  EXPECT_EQ(restored.status, 143);
  EXPECT_THAT(restored.out, HasSubstr("restored "));
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
    EXPECT_FALSE(e.path().filename().string().ends_with(".qmtmp")) << e.path();

  const test::Outcome verified = signalled(dir / "src/b.txt", [&](FileSystem& fs) {
    VerifyRequest request;
    request.store_path = dir / "store.dat";
    request.names = {"P"};
    request.fs = &fs;
    request.lock_directory = dir / "locks";
    return VerifyBackups(request, std::cout, std::cerr);
  });
  EXPECT_EQ(verified.status, 143);
  // Stopped before every file was compared, and the summary still told.
  EXPECT_THAT(verified.out, HasSubstr("verified "));
  EXPECT_THAT(verified.out, ::testing::Not(HasSubstr("verified 3")));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                           return std::string(info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

}  // namespace
}  // namespace qm::cli
