// The headless run in process: what it did is known from the engine's events alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/run_command.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/store_file.h"
#include "support/temp_dir.h"

namespace qm::cli {
namespace {

using test::TempDir;

// Counts what the run did by the type of each event.
struct ActionCounter : RunObserver {
  std::map<FileAction, int> done;
  std::vector<std::string> started;
  int progress_calls = 0;
  void ProfileStarted(const RunSnapshot& item) noexcept override {
    started.push_back(item.Profile.Name());
  }
  void FileDone(const FileEvent& event) noexcept override { ++done[event.action]; }
  void FileProgress(int64_t, int64_t) noexcept override { ++progress_calls; }
};

class HeadlessRunTest : public ::testing::Test {
 protected:
  HeadlessRunTest() {
    // The hidden window keeps its settings and log below the test's own folder.
    setenv("XDG_DATA_HOME", (dir_.path() + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1);
    dir_.WriteFile("src/a.txt", "alpha");
    dir_.WriteFile("src/docs/b.txt", "beta");
    dir_.WriteFile("zsrc/c.txt", "gamma");
  }

  ProfileRecord Profile(const std::string& name, const std::string& src, const std::string& dest,
                        bool zip) {
    ProfileRecord p = test::BackupProfile(name, dir_ / src, dir_ / dest);
    p.SetdoZIP(zip);
    return p;
  }
  void WriteStore(const std::vector<ProfileRecord>& profiles) {
    test::WriteStoreFile(dir_ / "store.dat", profiles);
  }
  int Run(std::vector<std::string> names, FileSystem* fs = nullptr) {
    RunRequest request;
    request.store_path = dir_ / "store.dat";
    request.lock_directory = dir_ / "locks";
    request.all = names.empty();
    request.names = std::move(names);
    request.fs = fs;
    return RunProfiles(request, out_, err_, &counter_);
  }

  TempDir dir_;
  std::ostringstream out_, err_;
  ActionCounter counter_;
};

TEST_F(HeadlessRunTest, CountsCopiesAndPacksFromEvents) {
  WriteStore({Profile("Docs", "src", "dest", false), Profile("Packs", "zsrc", "zdest", true)});
  EXPECT_EQ(Run({}), 0) << err_.str();
  EXPECT_EQ(counter_.started, (std::vector<std::string>{"Docs", "Packs"}));
  EXPECT_EQ(counter_.done,
            (std::map<FileAction, int>{{FileAction::kCopied, 2}, {FileAction::kPacked, 1}}));
  EXPECT_GT(counter_.progress_calls, 0);
  EXPECT_EQ(out_.str(),
            "copied 2, packed 1, deleted 0, failed 0\nlog: " + (dir_ / "Quillmor.log") + "\n");
}

TEST_F(HeadlessRunTest, SecondRunReportsNoFileActions) {
  WriteStore({Profile("Docs", "src", "dest", false)});
  ASSERT_EQ(Run({"Docs"}), 0) << err_.str();
  counter_.done.clear();
  EXPECT_EQ(Run({"Docs"}), 0) << err_.str();
  EXPECT_TRUE(counter_.done.empty());
}

TEST_F(HeadlessRunTest, ALogThatCannotBeWrittenFailsTheRun) {
  ProfileRecord p = Profile("Docs", "src", "dest", false);
  p.SetRemoveDeleted(true);
  WriteStore({p});
  dir_.WriteFile("dest/gone.txt", "deleted at the source");
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.FailAlways(FsOp::kOpenAppend, ErrorKind::kAccessDenied, "Quillmor.log");
  fs.FailAlways(FsOp::kCreate, ErrorKind::kAccessDenied, "Quillmor.log");
  EXPECT_EQ(Run({"Docs"}, &fs), 1);
  EXPECT_FALSE(dir_.Exists("dest/gone.txt"));
  EXPECT_EQ(err_.str(),
            "quillmor: Can not create the log file \"" + (dir_ / "Quillmor.log") + "\"\n");
  EXPECT_EQ(out_.str(), "copied 2, packed 0, deleted 1, failed 1\nlog: " + (dir_ / "Quillmor.log") +
                            " (could not be written)\n");
}

// A file system whose reads of one file end in an error that is not a file error: a fault of
// the program, which ends the engine loop.
class ThrowingFileSystem : public test::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& path) override {
    if (path.ends_with("b.txt")) throw std::logic_error("the program went wrong");
    return ForwardingFileSystem::OpenRead(path);
  }
};

TEST_F(HeadlessRunTest, AnErrorThatEndsTheEngineFailsTheRun) {
  WriteStore({Profile("Docs", "src", "dest", false)});
  ThrowingFileSystem fs(PosixFileSystem());
  EXPECT_EQ(Run({"Docs"}, &fs), 1);
  EXPECT_EQ(err_.str(), "quillmor: the program went wrong.\n");
  EXPECT_THAT(out_.str(), ::testing::StartsWith("copied "));
  EXPECT_THAT(out_.str(), ::testing::HasSubstr(", failed 1\n"));
}

}  // namespace
}  // namespace qm::cli
