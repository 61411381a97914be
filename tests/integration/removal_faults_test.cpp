// Faults around the removal pass: files that refuse deletion, and sources that are missing,
// empty or unreadable, which must never be taken as "everything was deleted".
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/copier.h"
#include "fault_harness.h"
#include "profiles/log_kind.h"

namespace qm::test {
namespace {

class RemovalFaultTest : public FaultMatrixTest {
 protected:
  void SetUp() override {
    WriteSrc("keep.txt", "still here", kNoon);
    WriteSrc("sub/deep.txt", "below", kNoon);
    WriteDest("keep.txt", "still here", kNoon);
    WriteDest("sub/deep.txt", "below", kNoon);
    WriteDest("gone.txt", "deleted from the source", kDayBefore);
    WriteDest("sub/gone too.txt", "deleted as well", kDayBefore);
    Snapshot();
  }
  // The destination holds every file it held before, unchanged.
  void ExpectNothingDeleted() {
    EXPECT_EQ(ReadTree(dest), dest_before);
    EXPECT_TRUE(host.Texts(LogKind::kDelete).empty());
  }
};

TEST_F(RemovalFaultTest, ReadOnlyCopyIsRemovedLikeAnyOther) {
  // Read-only because its source was: the write bit is cleared for the removal.
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(Dest("gone.txt"), true).ok());
  Run(Profile(/*remove_deleted=*/true));
  ExpectSourceUntouched();
  EXPECT_FALSE(std::filesystem::exists(Dest("gone.txt")));
  EXPECT_FALSE(std::filesystem::exists(Dest("sub/gone too.txt")));
  EXPECT_EQ(host.Texts(LogKind::kError), std::vector<std::string>{});
  EXPECT_TRUE(std::filesystem::is_directory(dest + "/sub"));  // directories stay
}

TEST_F(RemovalFaultTest, FailedDeletionIsAnErrorRecordOnly) {
  fs.Fail(FsOp::kRemove, ErrorKind::kIo, "gone.txt");
  Run(Profile(true));
  EXPECT_TRUE(std::filesystem::exists(Dest("gone.txt")));
  ExpectErrorNaming(Dest("gone.txt"));
  EXPECT_EQ(ErrorCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(Dest("sub/gone too.txt")));
}

TEST_F(RemovalFaultTest, UnmountedSourceDeletesNothing) {
  std::filesystem::remove_all(src);
  Run(Profile(true));
  ExpectNothingDeleted();
  EXPECT_GE(ErrorCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(src));  // nothing was copied back or created either
}

TEST_F(RemovalFaultTest, EmptiedSourceDeletesNothing) {
  std::filesystem::remove_all(src);
  std::filesystem::create_directory(src);
  Run(Profile(true));
  ExpectNothingDeleted();
  EXPECT_GE(ErrorCount(), 1);
}

TEST_F(RemovalFaultTest, UnreadableSourceDeletesNothing) {
  for (const std::string& where : {src, src + "/sub"}) {
    SCOPED_TRACE(where);
    host.log.clear();
    fs.ClearFaults();
    // A directory below the source that cannot be listed would make its files look deleted.
    fs.FailAlways(FsOp::kListDirectory, ErrorKind::kAccessDenied, where);
    Run(Profile(true));
    ExpectNothingDeleted();
    EXPECT_GE(ErrorCount(), 1);
  }
  // Readable again: the removal goes ahead.
  Rerun(Profile(true));
  EXPECT_FALSE(std::filesystem::exists(Dest("gone.txt")));
  EXPECT_FALSE(std::filesystem::exists(Dest("sub/gone too.txt")));
  EXPECT_EQ(ReadWholeFile(Dest("keep.txt")), "still here");
}

TEST_F(RemovalFaultTest, SourceFileVanishedAfterTheScanKeepsItsBackup) {
  Run(Profile(true), [&] { std::filesystem::remove(Src("keep.txt")); });
  EXPECT_EQ(ReadTree(dest)["keep.txt"], dest_before["keep.txt"]);
  EXPECT_FALSE(std::filesystem::exists(Dest("gone.txt")));
}

}  // namespace
}  // namespace qm::test
