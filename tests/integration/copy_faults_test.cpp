// Faults while files are copied: failed writes at every block position, a failed rename, a full
// disk, a refused directory, and a source that vanishes or changes behind the scan's back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/copier.h"
#include "fault_harness.h"
#include "profiles/log_kind.h"

namespace qm::test {
namespace {

// Three and a bit copier blocks, so a failure can hit the first, a middle or the last one.
constexpr size_t kBigSize = 3 * CopyBufferSize + 5000;

class CopyFaultTest : public FaultMatrixTest {
 protected:
  void SetUp() override {
    WriteSrc("a.txt", "alpha", kNoon);
    WriteSrc("sub/big.bin", Bytes(kBigSize, 'n'), kNoon);
    WriteSrc("sub/fresh.txt", "only in the source", kNoon);
    // The good older backup of big.bin that no failure may damage.
    WriteDest("sub/big.bin", Bytes(kBigSize - 100, 'o'), kDayBefore);
    WriteDest("kept.txt", "a destination file without a source", kDayBefore);
    Snapshot();
  }
  // After any fault, the next healthy run finishes the job.
  void ExpectRerunCompletes() {
    Rerun(Profile());
    EXPECT_EQ(ReadTree(dest)["sub/big.bin"], ReadTree(src)["sub/big.bin"]);
    EXPECT_EQ(ReadWholeFile(Dest("sub/fresh.txt")), "only in the source");
    ExpectNoTemporaries();
  }
};

class WriteFailureAt : public CopyFaultTest, public ::testing::WithParamInterface<int64_t> {};

TEST_P(WriteFailureAt, KeepsTheOldCopyAndNamesTheFile) {
  fs.FailWritesAfter(GetParam(), ErrorKind::kIo, "big.bin");
  Run(Profile());
  ExpectSourceUntouched();
  ExpectDestinationSound();
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], dest_before["sub/big.bin"]);
  EXPECT_EQ(ReadWholeFile(Dest("a.txt")), "alpha");  // the other files still go through
  ExpectErrorNaming(Src("sub/big.bin"));
  EXPECT_EQ(ErrorCount(), 1);
  ExpectRerunCompletes();
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLastBlock, WriteFailureAt,
                         ::testing::Values(int64_t{0}, int64_t{CopyBufferSize + 100},
                                           int64_t{kBigSize - 1}));

TEST_F(CopyFaultTest, FailedReadRenameSyncOrCloseLeavesNoPartialFile) {
  for (FsOp op : {FsOp::kRename, FsOp::kSyncVolume, FsOp::kClose, FsOp::kRead}) {
    SCOPED_TRACE(static_cast<int>(op));
    host.log.clear();
    fs.ClearFaults();
    // A bad sector keeps failing, also when the copy goes on by hand. The volume sync is
    // asked of a folder, and fails the whole group with big.bin.
    if (op == FsOp::kRead) {
      fs.Fail(op, ErrorKind::kIo, "big.bin", 1, false);
    } else {
      fs.Fail(op, ErrorKind::kIo, op == FsOp::kSyncVolume ? "" : "big.bin");
    }
    Run(Profile());
    ExpectSourceUntouched();
    ExpectDestinationSound();
    EXPECT_EQ(ReadTree(dest)["sub/big.bin"], dest_before["sub/big.bin"]);
    ExpectErrorNaming(Src("sub/big.bin"));
  }
  ExpectRerunCompletes();
}

// The copy runs in the kernel first. When that fails midway the rest goes by hand and the copy
// is exact; when the hand copy fails too, the old copy stays.
TEST_F(CopyFaultTest, FailedInKernelCopyIsFinishedByHandOrKeepsTheOldCopy) {
  fs.SetCopyStep(CopyBufferSize);
  fs.Fail(FsOp::kCopyData, ErrorKind::kIo, "big.bin", 2);
  Run(Profile());
  EXPECT_GE(fs.CallCount(FsOp::kCopyData, "big.bin"), 2);
  EXPECT_EQ(ErrorCount(), 0);
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], ReadTree(src)["sub/big.bin"]);
  ExpectNoTemporaries();

  WriteSrc("sub/big.bin", Bytes(kBigSize, 'm'), kNoon + 60);
  Snapshot();
  host.log.clear();
  fs.ClearFaults();
  fs.Fail(FsOp::kCopyData, ErrorKind::kIo, "big.bin", 2, false);
  fs.FailAlways(FsOp::kWrite, ErrorKind::kIo, "big.bin");
  Run(Profile());
  ExpectSourceUntouched();
  ExpectDestinationSound();
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], dest_before["sub/big.bin"]);
  ExpectErrorNaming(Src("sub/big.bin"));
  EXPECT_EQ(ErrorCount(), 1);
  ExpectRerunCompletes();
}

TEST_F(CopyFaultTest, FailedRenameOverAReadOnlyCopyKeepsItReadOnly) {
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(Dest("sub/big.bin"), true).ok());
  fs.Fail(FsOp::kRename, ErrorKind::kIo, "big.bin");
  Run(Profile());
  ExpectDestinationSound();
  EXPECT_TRUE(HasAttributes(PosixFileSystem(), Dest("sub/big.bin"), faReadOnly));
  ExpectRerunCompletes();
  EXPECT_FALSE(HasAttributes(PosixFileSystem(), Dest("sub/big.bin"), faReadOnly));
}

TEST_F(CopyFaultTest, FullDiskAsksOnceAFileAndLosesNothing) {
  fs.FailWritesAfter(CopyBufferSize, ErrorKind::kNoSpace);
  fs.SetFreeSpace(0, dest);
  Run(Profile());
  ExpectSourceUntouched();
  ExpectDestinationSound();
  // a.txt and fresh.txt fit below the limit; big.bin does not.
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], dest_before["sub/big.bin"]);
  ASSERT_EQ(ErrorCount(), 1);
  const std::string record = host.Texts(LogKind::kError)[0];
  EXPECT_EQ(record.rfind("Drive not ready or out of free disk space on drive ", 0), 0u) << record;
  ExpectErrorNaming(Src("sub/big.bin"));
  EXPECT_EQ(dialogs.questions.size(), 1u);
  ExpectRerunCompletes();
}

TEST_F(CopyFaultTest, RefusedTargetDirectoryFailsItsFilesOnly) {
  fs.FailAlways(FsOp::kCreate, ErrorKind::kAccessDenied, dest + "/sub/");
  Run(Profile());
  ExpectSourceUntouched();
  ExpectDestinationSound();
  EXPECT_EQ(ReadWholeFile(Dest("a.txt")), "alpha");
  ExpectErrorNaming(Src("sub/big.bin"));
  ExpectErrorNaming(Src("sub/fresh.txt"));
  EXPECT_EQ(ErrorCount(), 2);
  ExpectRerunCompletes();
}

TEST_F(CopyFaultTest, DirectoryThatCannotBeMadeFailsTheFilesBelowIt) {
  WriteSrc("new/deep/x.txt", "x", kNoon);
  Snapshot();
  fs.FailAlways(FsOp::kCreateDirectory, ErrorKind::kAccessDenied, dest + "/new");
  Run(Profile());
  ExpectDestinationSound();
  EXPECT_FALSE(std::filesystem::exists(Dest("new/deep/x.txt")));
  ExpectErrorNaming(Src("new/deep/x.txt"));
  ExpectRerunCompletes();
  EXPECT_EQ(ReadWholeFile(Dest("new/deep/x.txt")), "x");
}

TEST_F(CopyFaultTest, SourceVanishedAfterTheScanIsAnErrorAndKeepsTheOldCopy) {
  Run(Profile(), [&] {
    std::filesystem::remove(Src("sub/big.bin"));
    std::filesystem::remove(Src("sub/fresh.txt"));
  });
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], dest_before["sub/big.bin"]);
  EXPECT_FALSE(std::filesystem::exists(Dest("sub/fresh.txt")));
  EXPECT_EQ(ReadWholeFile(Dest("a.txt")), "alpha");
  ExpectErrorNaming(Src("sub/big.bin"));
  ExpectErrorNaming(Src("sub/fresh.txt"));
  ExpectNoTemporaries();
}

// A program writing the source while it is being copied: the backup may keep the old copy or
// take the new content, but it must never keep a mixture under the source's current time, or
// the next run would think it up to date and the mixture would stand for good.
class ChangingSourceTest : public CopyFaultTest {
 protected:
  void ChangeDuringCopy(std::function<void()> change) {
    mid_copy = std::make_unique<MidCopyFs>(fs, "big.bin", CopyBufferSize, std::move(change));
    Run(Profile());
    const FileState now = ReadTree(dest)["sub/big.bin"];
    const FileState source = ReadTree(src)["sub/big.bin"];
    const bool old = now == dest_before["sub/big.bin"];
    const bool exact = now == source;
    const bool marked_stale = now.time < source.time;
    EXPECT_TRUE(old || exact || marked_stale)
        << "a copy of a changing source stands as up to date with other content";
    ExpectNoTemporaries();
    ExpectRerunCompletes();
  }
};

TEST_F(ChangingSourceTest, Shrinking) {
  ChangeDuringCopy([&] { Overwrite(Src("sub/big.bin"), Bytes(1000, 's'), kNoon + 60); });
}

TEST_F(ChangingSourceTest, RewrittenInPlace) {
  ChangeDuringCopy([&] { Overwrite(Src("sub/big.bin"), Bytes(kBigSize, 'r'), kNoon + 60); });
}

TEST_F(ChangingSourceTest, Growing) {
  ChangeDuringCopy([&] {
    {
      std::ofstream f(Src("sub/big.bin"), std::ios::binary | std::ios::app);
      f << Bytes(5 * CopyBufferSize, 'g');
    }
    SetMTime(Src("sub/big.bin"), kNoon + 60);
  });
}

TEST_F(CopyFaultTest, StaleTemporaryOfACrashedCopyIsReplaced) {
  WriteDest("sub/.big.bin.qmtmp", "half a copy from a crash", kDayBefore);
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(Dest("sub/.big.bin.qmtmp"), true).ok());
  Run(Profile());
  EXPECT_EQ(ErrorCount(), 0);
  EXPECT_EQ(ReadTree(dest)["sub/big.bin"], ReadTree(src)["sub/big.bin"]);
  ExpectNoTemporaries();
}

// Packing instead of copying: a pack that fails part-way leaves the old archive and no other.
TEST_F(CopyFaultTest, FailedPackKeepsTheOldArchive) {
  WriteDest("sub/big.bin.zip", "an older archive", kDayBefore);
  Snapshot();
  ProfileRecord zip = Profile();
  zip.SetdoZIP(true);
  fs.FailReadsAfter(CopyBufferSize + 7, ErrorKind::kIo, "big.bin");
  Run(zip);
  ExpectSourceUntouched();
  EXPECT_EQ(ReadTree(dest)["sub/big.bin.zip"], dest_before["sub/big.bin.zip"]);
  EXPECT_TRUE(std::filesystem::exists(Dest("a.txt.zip")));
  ExpectErrorNaming(Src("sub/big.bin"));
  const TreeState after = ReadTree(dest);
  for (const auto& [rel, state] : after)
    EXPECT_TRUE(dest_before.count(rel) || rel.ends_with(".zip")) << "stray file " << rel;
  ExpectNoTemporaries();

  Rerun(zip);
  EXPECT_NE(ReadTree(dest)["sub/big.bin.zip"], dest_before["sub/big.bin.zip"]);
  ExpectNoTemporaries();
}

// Both directions: a failed copy back into the source keeps the source's own version whole.
TEST_F(CopyFaultTest, FailedCopyBackKeepsTheSourceFile) {
  WriteDest("a.txt", Bytes(2 * CopyBufferSize, 'd'), kNoon + 86400);  // newer in the backup
  Snapshot();
  ProfileRecord both = Profile();
  both.SetSyncMethod(1);
  fs.FailWritesAfter(CopyBufferSize, ErrorKind::kIo, src + "/");
  Run(both);
  const TreeState now = ReadTree(src);
  for (const auto& [rel, state] : src_before) EXPECT_EQ(now.at(rel), state) << rel;
  EXPECT_EQ(now.at("kept.txt").content, "a destination file without a source");
  ExpectErrorNaming(Dest("a.txt"));
  for (const auto& e : std::filesystem::recursive_directory_iterator(src))
    EXPECT_NE(e.path().filename().string().front(), '.') << "temporary left: " << e.path();

  Rerun(both);
  EXPECT_EQ(ReadTree(src)["a.txt"], ReadTree(dest)["a.txt"]);
}

}  // namespace
}  // namespace qm::test
