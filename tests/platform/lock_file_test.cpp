#include <gtest/gtest.h>

#include <cerrno>

#include "platform/lock_file.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

TEST(LockFile, OneHolderPerFileUntilReleasedAndFailuresSayWhichStep) {
  test::TempDir dir;
  const std::string path = dir / "a.lock";
  LockFile first, second;
  LockFile::Failure failure;
  ASSERT_TRUE(first.TryAcquire(path, failure));
  EXPECT_FALSE(second.TryAcquire(path, failure));  // even within one process
  EXPECT_TRUE(failure.Busy());
  EXPECT_FALSE(second.Held());

  LockFile moved = std::move(first);
  EXPECT_FALSE(first.Held());
  EXPECT_FALSE(second.TryAcquire(path, failure));
  moved.Release();
  EXPECT_TRUE(second.TryAcquire(path, failure));

  EXPECT_FALSE(first.TryAcquire(dir / "missing/a.lock", failure));
  EXPECT_EQ(failure.step, LockFile::Failure::kOpen);
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(failure.Busy());
}

// FNV-1a of the text: lock files keep their names from build to build.
TEST(LockFile, HashNamesAreStable) {
  EXPECT_EQ(LockFileHash(""), "cbf29ce484222325");
  EXPECT_EQ(LockFileHash("a"), "af63dc4c8601ec8c");
}

}  // namespace
}  // namespace qm
