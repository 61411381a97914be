#include "stats/statistics.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

TDateTime At(int d, int h, int mi, int s = 0) {
  return *EncodeDateTime({2026, 3, d, h, mi, s, 0});
}

void Count(FileCounters& c, int n) {
  for (int i = 0; i < n; ++i) c.CountOperatedFile();
}

TEST(FileCountersTest, FirstUpdateResetsNothing) {
  FileCounters c;
  Count(c, 3);
  c.RollOver(At(3, 10, 5));
  EXPECT_EQ(c.FilesToday, 3);
  EXPECT_EQ(c.FilesThisHour, 3);
  EXPECT_EQ(c.FilesThisMinute, 3);
}

TEST(FileCountersTest, EachCounterFollowsItsOwnClockField) {
  FileCounters c;
  c.RollOver(At(3, 10, 5));
  Count(c, 2);
  c.RollOver(At(3, 10, 6, 1));  // new minute
  EXPECT_EQ(c.FilesThisMinute, 0);
  EXPECT_EQ(c.FilesThisHour, 2);
  Count(c, 1);
  c.RollOver(At(3, 11, 6));  // 11:06 after 10:06: only the hour field differs
  EXPECT_EQ(c.FilesThisMinute, 1);
  EXPECT_EQ(c.FilesThisHour, 0);
  EXPECT_EQ(c.FilesToday, 3);
  c.RollOver(At(4, 0, 0));  // midnight resets all three
  EXPECT_EQ(c.FilesToday, 0);
  EXPECT_EQ(c.FilesThisHour, 0);
  EXPECT_EQ(c.FilesThisMinute, 0);
}

TEST(FileCountersTest, UpdateEndsWithTheFlush) {
  test::TempDir dir;
  test::ScriptedDialogs dialogs;
  std::vector<std::string> buffer = {"line"};
  bool failed = false;
  LogOptions options;
  options.dir = dir.path();
  FileCounters c;
  c.CountOperatedFile();
  StatTimerTimer(c, At(3, 10, 5), options, {PosixFileSystem(), dialogs, buffer, failed});
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(dir.ReadFile("Quillmor.log"), "line\r\n");
  EXPECT_EQ(c.LastMinute, 5);
  EXPECT_EQ(c.FilesThisMinute, 1);
}

}  // namespace
}  // namespace qm
