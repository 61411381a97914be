#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fault_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

TEST(AtomicReplaceTest, TheTemporaryIsAHiddenNameBesideTheTarget) {
  EXPECT_EQ(TemporaryPathOf("/data/dir/Quillmor.dat"), "/data/dir/.Quillmor.dat.qmtmp");
  EXPECT_EQ(TemporaryPathOf("/x"), "/.x.qmtmp");
  EXPECT_EQ(TemporaryPathOf("log.txt"), ".log.txt.qmtmp");
}

struct Step {
  const char* name;
  FsOp op;
  std::string path_part;
};

class FailedReplace : public ::testing::TestWithParam<Step> {
 protected:
  test::TempDir dir_;
  FaultInjectingFileSystem fs_{PosixFileSystem()};
};

// The original is never touched before the new content is whole and on disk.
TEST_P(FailedReplace, LeavesTheOriginalByteForByteAndNoTemporary) {
  const std::string original("old\0content\xff", 12);
  const std::string target = dir_.WriteFile("target.dat", original);
  for (const bool keep_old : {false, true}) {
    SCOPED_TRACE(keep_old ? "keeping the old file" : "plain");
    fs_.ClearFaults();
    fs_.Fail(GetParam().op, ErrorKind::kNoSpace, GetParam().path_part);
    Status s = [&]() -> Status {
      auto replace = AtomicReplace::Begin(fs_, target);
      if (!replace.ok()) return replace.error();
      const std::string text = "new content";
      const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
      if (Status w = replace.value()->file().Write({bytes, text.size()}); !w.ok()) return w;
      return replace.value()->Commit(keep_old ? dir_ / "target.dat.bak" : "");
    }();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().kind, ErrorKind::kNoSpace);
    EXPECT_TRUE(dir_.ReadFile("target.dat") == original);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"target.dat"});
  }
}

INSTANTIATE_TEST_SUITE_P(EachStep, FailedReplace,
                         ::testing::Values(Step{"Create", FsOp::kCreate, ""},
                                           Step{"Write", FsOp::kWrite, ""},
                                           Step{"Sync", FsOp::kSync, ""},
                                           Step{"Close", FsOp::kClose, ""},
                                           Step{"Rename", FsOp::kRename, ".qmtmp"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicReplaceTest, AFailedBackupRenameKeepsTheOriginal) {
  test::TempDir dir;
  const std::string target = dir.WriteFile("s.dat", "old");
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.Fail(FsOp::kRename, ErrorKind::kIo, ".bak");
  auto replace = AtomicReplace::Begin(fs, target);
  ASSERT_TRUE(replace.ok());
  EXPECT_FALSE(replace.value()->Commit(dir / "s.dat.bak").ok());
  replace.value().reset();
  EXPECT_EQ(dir.ReadFile("s.dat"), "old");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.dat"});
}

TEST(AtomicReplaceTest, AnAbandonedReplacementRemovesItsTemporary) {
  test::TempDir dir;
  const std::string target = dir.WriteFile("s.dat", "old");
  {
    auto replace = AtomicReplace::Begin(PosixFileSystem(), target);
    ASSERT_TRUE(replace.ok());
    EXPECT_TRUE(dir.Exists(".s.dat.qmtmp"));
  }
  EXPECT_EQ(dir.ReadFile("s.dat"), "old");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.dat"});
}

TEST(AtomicReplaceTest, AStaleTemporaryIsReplacedEvenWhenReadOnly) {
  test::TempDir dir;
  FileSystem& fs = PosixFileSystem();
  for (const bool read_only : {false, true}) {
    SCOPED_TRACE(read_only ? "read-only" : "writable");
    dir.WriteFile(".s.dat.qmtmp", "a stale and much longer temporary of a killed save");
    if (read_only) {
      ASSERT_TRUE(fs.SetReadOnly(dir / ".s.dat.qmtmp", true).ok());
    }
    ASSERT_TRUE(WriteFileAtomically(fs, dir / "s.dat", "fresh").ok());
    EXPECT_EQ(dir.ReadFile("s.dat"), "fresh");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.dat"});
  }
}

TEST(AtomicReplaceTest, TheFolderIsFlushedAfterTheRename) {
  test::TempDir dir;
  const std::string target = dir.WriteFile("sub/s.dat", "old");
  FaultInjectingFileSystem fs(PosixFileSystem());
  ASSERT_TRUE(WriteFileAtomically(fs, target, "new").ok());
  const auto& calls = fs.calls();
  const auto rename = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
    return c.op == FsOp::kRename && c.path2 == target;
  });
  ASSERT_NE(rename, calls.end());
  EXPECT_EQ(rename->path, dir / "sub/.s.dat.qmtmp");
  const auto synced =
      std::find_if(rename, calls.end(), [](const auto& c) { return c.op == FsOp::kSyncDirectory; });
  ASSERT_NE(synced, calls.end());
  EXPECT_EQ(synced->path, dir / "sub");
  EXPECT_EQ(fs.CallCount(FsOp::kSyncDirectory), 1);
}

// The new content is in place, but it may not survive a power loss: that is no success.
TEST(AtomicReplaceTest, AFailedFolderFlushIsReported) {
  test::TempDir dir;
  const std::string target = dir.WriteFile("s.dat", "old");
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.Fail(FsOp::kSyncDirectory, ErrorKind::kIo);
  EXPECT_EQ(WriteFileAtomically(fs, target, "new").error().kind, ErrorKind::kIo);
  EXPECT_EQ(dir.ReadFile("s.dat"), "new");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.dat"});
}

TEST(CreateDirectoriesTest, ReportsADirectoryThatCannotBeMade) {
  test::TempDir dir;
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.Fail(FsOp::kCreateDirectory, ErrorKind::kAccessDenied, "/b");
  EXPECT_EQ(CreateDirectories(fs, dir / "a/b/c").error().kind, ErrorKind::kAccessDenied);
  EXPECT_TRUE(dir.Exists("a"));
  EXPECT_FALSE(dir.Exists("a/b"));
  EXPECT_TRUE(CreateDirectories(fs, dir / "a/b/c").ok());
  EXPECT_TRUE(PosixFileSystem().Stat(dir / "a/b/c").value().is_directory());
}

TEST(SyncDirectoryTest, FlushesADirectoryAndReportsAMissingOne) {
  test::TempDir dir;
  EXPECT_TRUE(PosixFileSystem().SyncDirectory(dir.path()).ok());
  EXPECT_EQ(PosixFileSystem().SyncDirectory(dir / "missing").error().kind, ErrorKind::kNotFound);
}

}  // namespace
}  // namespace qm
