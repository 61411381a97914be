#include <gtest/gtest.h>

#include "support/fault_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

std::span<const std::byte> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

class FaultFsTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  FaultInjectingFileSystem fs_{PosixFileSystem()};
};

TEST_F(FaultFsTest, FailsTheNthMatchingCallOnceOrFromThenOn) {
  const std::string a = dir_.WriteFile("a.txt", "");
  const std::string b = dir_.WriteFile("b.txt", "");
  fs_.Fail(FsOp::kStat, ErrorKind::kNotFound, "b.txt", 2);
  EXPECT_TRUE(fs_.Stat(b).ok());
  EXPECT_TRUE(fs_.Stat(a).ok());  // other paths do not count
  EXPECT_EQ(fs_.Stat(b).error().kind, ErrorKind::kNotFound);
  EXPECT_TRUE(fs_.Stat(b).ok());

  fs_.FailAlways(FsOp::kRemove, ErrorKind::kAccessDenied);
  EXPECT_EQ(fs_.Remove(a).error().kind, ErrorKind::kAccessDenied);
  EXPECT_EQ(fs_.Remove(b).error().kind, ErrorKind::kAccessDenied);
  EXPECT_TRUE(dir_.Exists("a.txt"));
  EXPECT_EQ(fs_.CallCount(FsOp::kStat), 4);
  EXPECT_EQ(fs_.CallCount(FsOp::kStat, "b.txt"), 3);
  fs_.ClearFaults();
  EXPECT_TRUE(fs_.Remove(a).ok());
}

TEST_F(FaultFsTest, WritesStopAtTheLimitAfterStoringWhatFits) {
  fs_.FailWritesAfter(5, ErrorKind::kNoSpace, "full");
  auto f = fs_.Create(dir_ / "full.bin");
  ASSERT_TRUE(f.ok());
  EXPECT_TRUE(f.value()->Write(Bytes("abc")).ok());
  EXPECT_EQ(f.value()->Write(Bytes("defg")).error().kind, ErrorKind::kNoSpace);
  EXPECT_FALSE(f.value()->Write(Bytes("h")).ok());
  EXPECT_TRUE(f.value()->Close().ok());
  EXPECT_EQ(dir_.ReadFile("full.bin"), "abcde");

  auto other = fs_.Create(dir_ / "fine.bin");
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(other.value()->Write(Bytes("0123456789")).ok());

  // A temporary is a file like any other: the limit and create faults reach it too.
  auto tmp = fs_.CreateTemporary(dir_ / ".full.qmtmp");
  ASSERT_TRUE(tmp.ok());
  EXPECT_EQ(tmp.value()->Write(Bytes("0123456")).error().kind, ErrorKind::kNoSpace);
  fs_.Fail(FsOp::kCreate, ErrorKind::kAccessDenied, ".other.qmtmp");
  EXPECT_EQ(fs_.CreateTemporary(dir_ / ".other.qmtmp").error().kind, ErrorKind::kAccessDenied);
  EXPECT_FALSE(dir_.Exists(".other.qmtmp"));
}

TEST_F(FaultFsTest, ReadsStopAtTheLimit) {
  dir_.WriteFile("src.bin", "0123456789");
  fs_.FailReadsAfter(4);
  auto f = fs_.OpenRead(dir_ / "src.bin");
  ASSERT_TRUE(f.ok());
  std::byte buf[8];
  EXPECT_EQ(f.value()->Read(buf).value(), 4u);
  EXPECT_EQ(f.value()->Read(buf).error().kind, ErrorKind::kIo);
}

TEST_F(FaultFsTest, ReportsTheChosenFreeSpace) {
  fs_.SetFreeSpace(1000, "/dest");
  EXPECT_EQ(fs_.FreeSpace(dir_ / "dest/x").value(), 1000);
  EXPECT_GT(fs_.FreeSpace(dir_ / "src").value(), 0);
  fs_.Fail(FsOp::kFreeSpace, ErrorKind::kIo);
  EXPECT_FALSE(fs_.FreeSpace(dir_ / "dest").ok());
}

TEST_F(FaultFsTest, MatchesEitherNameOfARename) {
  const std::string from = dir_.WriteFile("from.tmp", "x");
  fs_.Fail(FsOp::kRename, ErrorKind::kExists, "final");
  EXPECT_FALSE(fs_.Rename(from, dir_ / "final.txt").ok());
  EXPECT_TRUE(dir_.Exists("from.tmp"));
  EXPECT_TRUE(fs_.Rename(from, dir_ / "final.txt").ok());

  const std::string again = dir_.WriteFile("again.tmp", "y");
  fs_.Fail(FsOp::kRename, ErrorKind::kIo, "kept");
  EXPECT_EQ(fs_.RenameNoReplace(again, dir_ / "kept.txt").error().kind, ErrorKind::kIo);
  EXPECT_TRUE(fs_.RenameNoReplace(again, dir_ / "kept.txt").ok());
  EXPECT_EQ(dir_.ReadFile("kept.txt"), "y");
}

}  // namespace
}  // namespace qm
