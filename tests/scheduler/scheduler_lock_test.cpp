#include "scheduler/scheduler_lock.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qm {
namespace {

TEST(SchedulerLockTest, SecondSchedulerOfAStoreIsRefusedUntilTheFirstEnds) {
  test::TempDir dir;
  const std::string locks = dir / "data";
  const std::string store = dir / "Quillmor.dat";
  SchedulerLock first, second, other;
  std::string error;
  ASSERT_TRUE(first.Acquire(locks, store, error)) << error;
  EXPECT_FALSE(second.Acquire(locks, dir.path() + "/./Quillmor.dat", error));
  EXPECT_EQ(error, SchedulerBusyMessage(dir.path() + "/./Quillmor.dat"));
  EXPECT_TRUE(other.Acquire(locks, dir / "Other.dat", error)) << error;
  first.Release();
  EXPECT_TRUE(second.Acquire(locks, store, error)) << error;
}

}  // namespace
}  // namespace qm
