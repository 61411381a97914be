// Files replaced or deleted while their blocks are freed on worker threads: every name holds
// what it should at once, and no descriptor stays open once the closes are done.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/background_close.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

TEST(BackgroundCloseTest, ReplacedAndDeletedFilesLeaveNoDescriptorBehind) {
  TempDir tmp;
  FileSystem& fs = PosixFileSystem();
  const std::string data(64 * 1024, 'x');
  WaitForBackgroundCloses();
  const size_t before = OpenDescriptors();
  // More than are ever queued at once, so some are closed by the caller itself.
  constexpr int kFiles = 150;
  for (int i = 0; i < kFiles; ++i) {
    const std::string n = std::to_string(i);
    tmp.WriteFile("old" + n, data);
    tmp.WriteFile("gone" + n, data);
    tmp.WriteFile("new" + n, "new " + n);
    ASSERT_TRUE(fs.Rename(tmp / ("new" + n), tmp / ("old" + n)).ok());
    ASSERT_TRUE(fs.Remove(tmp / ("gone" + n)).ok());
    EXPECT_EQ(tmp.ReadFile("old" + n), "new " + n);
    EXPECT_FALSE(fs.Stat(tmp / ("gone" + n)).ok());
  }
  WaitForBackgroundCloses();
  EXPECT_EQ(OpenDescriptors(), before);
  // A failed rename still lets go of the file it would have replaced.
  EXPECT_FALSE(fs.Rename(tmp / "absent", tmp / "old0").ok());
  EXPECT_EQ(tmp.ReadFile("old0"), "new 0");
  WaitForBackgroundCloses();
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace qm::test
