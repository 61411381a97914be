#include <gtest/gtest.h>

#include "platform/path_style.h"

namespace qm {
namespace {

const PathStyle& kWin = WindowsStyle();

TEST(DirSeparators, WindowsStyleAsWritten) {
  EXPECT_EQ(AddDirSeparator("", kWin), "");
  EXPECT_EQ(AddDirSeparator("C:", kWin), "C:");
  EXPECT_EQ(AddDirSeparator("d", kWin), "d:\\");
  EXPECT_EQ(AddDirSeparator("C:\\data", kWin), "C:\\data\\");
  EXPECT_EQ(AddDirSeparator("C:\\data\\", kWin), "C:\\data\\");
  EXPECT_EQ(RemoveDirSeparator("\\", kWin), "\\");
  EXPECT_EQ(RemoveDirSeparator("C:\\", kWin), "C:\\");
  EXPECT_EQ(RemoveDirSeparator("C:\\data\\", kWin), "C:\\data");
  EXPECT_EQ(RemoveDirSeparator("C:\\data", kWin), "C:\\data");
}

TEST(DirSeparators, PosixStyle) {
  EXPECT_EQ(AddDirSeparator("d"), "d/");
  EXPECT_EQ(AddDirSeparator("/"), "/");
  EXPECT_EQ(AddDirSeparator("/home/x"), "/home/x/");
  EXPECT_EQ(RemoveDirSeparator("/"), "/");
  EXPECT_EQ(RemoveDirSeparator("/home/x/"), "/home/x");
}

TEST(DirectoryOf, BareNamesRootAndTrailingSeparators) {
  EXPECT_EQ(DirectoryOf("a.txt"), ".");
  EXPECT_EQ(DirectoryOf("/a.txt"), "/");
  EXPECT_EQ(DirectoryOf("/home/u/a.txt"), "/home/u");
  EXPECT_EQ(WithoutTrailingSeparators("/home/u//"), "/home/u");
  EXPECT_EQ(WithoutTrailingSeparators("///"), "/");
  EXPECT_EQ(WithoutTrailingSeparators(""), "");
}

TEST(RelativePrefix, BelowATopDirectoryOrADriveRoot) {
  EXPECT_EQ(RelativePrefix("C:\\data\\docs\\", "C:\\data", kWin), "docs\\");
  EXPECT_EQ(RelativePrefix("C:\\docs\\", "C:\\", kWin), "docs\\");
  EXPECT_EQ(RelativePrefix("C:\\data\\", "C:\\data\\", kWin), "");
  EXPECT_EQ(RelativePrefix("/docs/sub", "/"), "docs/sub/");
  EXPECT_EQ(RelativePrefix("/data/docs/", ""), "");
}

TEST(TargetPath, SubdirectoryAndRootCasesInBothStyles) {
  EXPECT_EQ(TargetPath("C:\\data\\docs\\a.txt", "C:\\data", "D:\\backup", "a.txt", kWin),
            "D:\\backup\\docs\\a.txt");
  EXPECT_EQ(TargetPath("C:\\data\\docs\\a.txt", "C:\\data\\", "D:\\", "a.txt", kWin),
            "D:\\docs\\a.txt");
  EXPECT_EQ(TargetPath("C:\\data\\a.txt", "C:\\data", "D:\\backup", "a.txt.1", kWin),
            "D:\\backup\\a.txt.1");
  EXPECT_EQ(TargetPath("C:\\Docs\\Sub\\A.txt", "C:\\", "D:\\b\\", "A.txt", kWin),
            "D:\\b\\Docs\\Sub\\A.txt");
  EXPECT_EQ(TargetPath("/home/u/docs/A.txt", "/home/u", "/mnt/b", "A.txt.1"),
            "/mnt/b/docs/A.txt.1");
  EXPECT_EQ(TargetPath("/docs/a.txt", "/", "/mnt/b/", "a.txt"), "/mnt/b/docs/a.txt");
  EXPECT_EQ(TargetPath("/home/u/a.txt", "/home/u/", "/", "a.txt"), "/a.txt");
}

}  // namespace
}  // namespace qm
