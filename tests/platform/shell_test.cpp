#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/shell.h"
#include "support/fault_file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

class AutostartTest : public ::testing::Test {
 protected:
  AutostartTest() { env_.Set("XDG_CONFIG_HOME", dir_ / "xdg"); }
  test::TempDir dir_;
  test::ScopedEnv env_;
  FaultInjectingFileSystem fs_{PosixFileSystem()};
};

TEST_F(AutostartTest, EntryIsWrittenAndRemoved) {
  EXPECT_EQ(AutostartEntryPath(), dir_ / "xdg/autostart/quillmor.desktop");
  ASSERT_TRUE(WriteAutostartEntry(fs_, "/opt/quillmor/bin/quillmor").ok());
  const std::string text = dir_.ReadFile("xdg/autostart/quillmor.desktop");
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=/opt/quillmor/bin/quillmor /B\n"), std::string::npos);
  ASSERT_TRUE(RemoveAutostartEntry(fs_).ok());
  EXPECT_FALSE(dir_.Exists("xdg/autostart/quillmor.desktop"));
  EXPECT_TRUE(RemoveAutostartEntry(fs_).ok());
}

TEST_F(AutostartTest, ExecLineQuotesOddPaths) {
  EXPECT_EQ(AutostartExecLine("/home/ann/My Apps/quillmor"), "\"/home/ann/My Apps/quillmor\" /B");
  EXPECT_EQ(AutostartExecLine("/a/$x\"y"), "\"/a/\\\\$x\\\\\"y\" /B");
  EXPECT_EQ(AutostartExecLine("/a/100%"), "/a/100%% /B");
}

TEST_F(AutostartTest, FailedWriteKeepsTheOldEntry) {
  ASSERT_TRUE(WriteAutostartEntry(fs_, "/old/quillmor").ok());
  fs_.FailWritesAfter(8);
  EXPECT_FALSE(WriteAutostartEntry(fs_, "/new/quillmor").ok());
  EXPECT_NE(dir_.ReadFile("xdg/autostart/quillmor.desktop").find("/old/quillmor"),
            std::string::npos);
  EXPECT_EQ(PosixFileSystem().ListDirectory(dir_ / "xdg/autostart").value().size(), 1u);
}

TEST(AtomicFile, CreatesMissingParentsAndRefusesAFileInTheWay) {
  test::TempDir dir;
  FileSystem& fs = PosixFileSystem();
  ASSERT_TRUE(CreateDirectories(fs, dir / "a/b/c/").ok());
  EXPECT_TRUE(fs.Stat(dir / "a/b/c").value().is_directory());
  EXPECT_TRUE(CreateDirectories(fs, dir / "a/b").ok());
  dir.WriteFile("file", "x");
  EXPECT_EQ(CreateDirectories(fs, dir / "file/sub").error().kind, ErrorKind::kNotDirectory);
  ASSERT_TRUE(WriteFileAtomically(fs, dir / "a/b/c/out.txt", "content").ok());
  EXPECT_EQ(dir.ReadFile("a/b/c/out.txt"), "content");
}

TEST(Shell, OpeningStartsTheOpenerWithoutWaiting) {
  // A stand-in opener first on PATH keeps the test from starting a real viewer.
  test::TempDir dir;
  const char* old = std::getenv("PATH");
  const std::string saved = old ? old : "";
  test::ScopedEnv env;
  dir.WriteFile("bin/xdg-open", "#!/bin/sh\necho \"$1\" > \"" + dir.path() + "/opened\"\n");
  ::chmod((dir / "bin/xdg-open").c_str(), 0755);
  env.Set("PATH", dir.path() + "/bin:" + saved);
  const Status s = OpenDocument(dir / "Quillmor.chm");
  EXPECT_TRUE(s.ok());
}

}  // namespace
}  // namespace qm
