#include "stats/log_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/log_controls.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::DialogKind;

TDateTime At(int y, int mo, int d, int h, int mi, int s) {
  return *EncodeDateTime({y, mo, d, h, mi, s, 0});
}

RegionalFormats German() {
  RegionalFormats f;
  f.short_date = "dd.mm.yyyy";
  f.long_time = "hh:nn:ss";
  f.date_separator = '.';
  f.time_separator = ':';
  return f;
}

// Numbered lines of a fixed length, so that the lines kept by a trim can be checked for being
// the newest ones, in order.
std::string NumberedLine(int i, size_t length) {
  std::string s = "line " + std::to_string(i) + " ";
  s.resize(length, 'x');
  return s;
}

std::vector<std::string> SplitCrLf(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "a line without CR LF";
    if (end == std::string::npos) break;
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class LogFlushTest : public ::testing::Test {
 protected:
  LogFlushTest() { options.dir = dir.path(); }

  std::string LogPath() const { return dir / "Quillmor.log"; }
  std::string LogContent() const { return dir.ReadFile("Quillmor.log"); }
  void Flush() {
    FlushLog(
        fs, [&](const std::string& t) { dialogs.ShowErrorBox(t); }, options, buffer, failed);
  }

  // A log file of exactly `bytes` bytes: numbered 98-character lines, the first one padded.
  std::vector<std::string> WriteLogOfSize(size_t bytes) {
    std::vector<std::string> lines;
    const size_t full = (bytes - 2) / 100;
    lines.push_back(NumberedLine(0, bytes - full * 100 - 2));
    for (size_t i = 1; i <= full; ++i) lines.push_back(NumberedLine(static_cast<int>(i), 98));
    std::string content;
    for (const auto& l : lines) content += l + "\r\n";
    EXPECT_EQ(content.size(), bytes);
    dir.WriteFile("Quillmor.log", content);
    return lines;
  }

  test::TempDir dir;
  test::ScriptedDialogs dialogs;
  FileSystem& fs = PosixFileSystem();
  LogOptions options;
  std::vector<std::string> buffer;
  bool failed = false;
};

TEST(LogLine, DateTimePrefixAndText) {
  EXPECT_EQ(FormatLogLine(LogKind::kError, "Can not delete file \"/b/x\"",
                          At(2004, 12, 10, 14, 36, 5), German()),
            "10.12.2004 14:36:05 Error: Can not delete file \"/b/x\"");
  EXPECT_EQ(FormatLogLine(LogKind::kInfo, "a", At(2004, 12, 10, 0, 0, 1), German()),
            "10.12.2004 00:00:01 Info: a");
  // Exactly midnight: the date alone.
  EXPECT_EQ(FormatLogLine(LogKind::kDelete, "Deleted file x", At(2004, 12, 10, 0, 0, 0), German()),
            "10.12.2004 Delete: Deleted file x");
  EXPECT_EQ(FormatLogLine(LogKind::kSuccess, "s", At(2004, 12, 10, 23, 59, 59), German()),
            "10.12.2004 23:59:59 Success: s");
}

TEST(LogLine, LineBreakInTextStaysOneRecord) {
  EXPECT_EQ(
      FormatLogLine(LogKind::kError, "File \"a\r\nb\nc\"", At(2004, 12, 10, 1, 2, 3), German()),
      "10.12.2004 01:02:03 Error: File \"a  b c\"");
}

TEST(LogLine, OptionsGateEachKind) {
  struct Case {
    LogOptions options;
    std::vector<LogKind> through;
  };
  LogOptions defaults;
  LogOptions all;
  all.info = all.success = true;
  LogOptions off = all;
  off.create = false;
  LogOptions errors_only = defaults;
  errors_only.deletes = false;
  const Case cases[] = {
      {defaults, {LogKind::kError, LogKind::kDelete}},
      {all, {LogKind::kInfo, LogKind::kError, LogKind::kDelete, LogKind::kSuccess}},
      {off, {}},
      {errors_only, {LogKind::kError}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> buffer;
    for (LogKind k : {LogKind::kInfo, LogKind::kError, LogKind::kDelete, LogKind::kSuccess})
      WriteLog(c.options, k, "t", At(2020, 1, 2, 3, 4, 5), German(), buffer);
    ASSERT_EQ(buffer.size(), c.through.size());
    for (size_t i = 0; i < buffer.size(); ++i)
      EXPECT_EQ(buffer[i], FormatLogLine(c.through[i], "t", At(2020, 1, 2, 3, 4, 5), German()));
  }
}

TEST(LogLine, ControlsDefaultsAndLiveValues) {
  LogControls c;
  EXPECT_EQ(c.limit_log_size_box.Caption(), "Limit log file site to");
  EXPECT_EQ(c.log_limit_edit.Max(), 65536);
  LogOptions o = c.Options();
  EXPECT_TRUE(o.create && o.errors && o.deletes && o.limit_size);
  EXPECT_FALSE(o.info || o.success);
  EXPECT_EQ(o.limit_kb, 64);
  EXPECT_EQ(o.dir, "");
  c.create_log_box.Click();
  c.log_limit_edit.SetValueByUser(70000);
  c.log_folder_edit.SetTextByUser("/var/log/q");
  o = c.Options();
  EXPECT_FALSE(o.create);
  EXPECT_EQ(o.limit_kb, 65536);
  EXPECT_EQ(o.dir, "/var/log/q");
}

TEST(LogPath, SeparatorAddedOnce) {
  EXPECT_EQ(LogFilePath(""), "Quillmor.log");
  EXPECT_EQ(LogFilePath("/var/log"), "/var/log/Quillmor.log");
  EXPECT_EQ(LogFilePath("/var/log/"), "/var/log/Quillmor.log");
  EXPECT_EQ(LogFilePath("/"), "/Quillmor.log");
  // No drive-letter rule here: a one-letter name is a relative directory.
  EXPECT_EQ(LogFilePath("c"), "c/Quillmor.log");
}

TEST(LogTrim, BudgetAndWalkFromNewest) {
  EXPECT_EQ(LogBudget(64), 58944);
  EXPECT_EQ(LogBudget(1), 921);
  EXPECT_EQ(LogBudget(0), 0);
  std::vector<std::string> lines = {"aaaa", "bbb", "cc", "d"};
  TrimToBudget(lines, 3);  // d=1, cc=3, bbb=6 > 3: bbb is the oldest kept
  EXPECT_EQ(lines, (std::vector<std::string>{"bbb", "cc", "d"}));
  lines = {"aaaa", "bbb"};
  TrimToBudget(lines, 7);  // exactly the budget is not over it
  EXPECT_EQ(lines.size(), 2u);
}

TEST_F(LogFlushTest, CreatesAndAppendsWithCrLf) {
  buffer = {"one", "two"};
  Flush();
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(LogContent(), "one\r\ntwo\r\n");
  buffer = {"three"};
  Flush();
  EXPECT_EQ(LogContent(), "one\r\ntwo\r\nthree\r\n");
  EXPECT_TRUE(dialogs.shown().empty());
  options.dir = dir.path() + "/";
  buffer = {"four"};
  Flush();
  EXPECT_EQ(LogContent(), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST_F(LogFlushTest, NothingToWriteTouchesNoFile) {
  Flush();
  EXPECT_FALSE(dir.Exists("Quillmor.log"));
  options.create = false;
  buffer = {"dropped"};
  Flush();
  EXPECT_TRUE(buffer.empty());
  EXPECT_FALSE(dir.Exists("Quillmor.log"));
}

TEST_F(LogFlushTest, JustBelowLimitAppends) {
  const auto old = WriteLogOfSize(65535);
  const std::string before = LogContent();
  buffer = {"new"};
  Flush();
  EXPECT_EQ(LogContent(), before + "new\r\n");
}

TEST_F(LogFlushTest, AtLimitKeepsNewestLinesJustOverBudget) {
  const auto old = WriteLogOfSize(65536);
  buffer = {"new 1", "new 2"};
  Flush();
  const auto kept = SplitCrLf(LogContent());
  ASSERT_GE(kept.size(), 3u);
  EXPECT_EQ(kept[kept.size() - 2], "new 1");
  EXPECT_EQ(kept.back(), "new 2");
  size_t total = 0;
  for (const auto& l : kept) total += l.size();
  EXPECT_GT(total, 58944u);
  EXPECT_LE(total - kept.front().size(), 58944u);
  // The kept old lines are the newest ones, in file order.
  const size_t first = old.size() - (kept.size() - 2);
  for (size_t i = 0; i + 2 < kept.size(); ++i) EXPECT_EQ(kept[i], old[first + i]);
  EXPECT_FALSE(dir.Exists(".Quillmor.log.qmtmp"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(LogFlushTest, ShortLinesThatFitAreRewrittenOnce) {
  std::string content;
  for (int i = 0; i < 21846; ++i) content += "x\r\n";  // 65538 bytes, 21846 characters
  dir.WriteFile("Quillmor.log", content);
  buffer = {"new"};
  Flush();
  EXPECT_EQ(LogContent(), content + "new\r\n");
}

TEST_F(LogFlushTest, NoLimitLetsTheFileGrow) {
  WriteLogOfSize(70000);
  const std::string before = LogContent();
  options.limit_kb = 0;
  buffer = {"a"};
  Flush();
  EXPECT_EQ(LogContent(), before + "a\r\n");
  options.limit_kb = 64;
  options.limit_size = false;
  buffer = {"b"};
  Flush();
  EXPECT_EQ(LogContent(), before + "a\r\nb\r\n");
}

TEST_F(LogFlushTest, MissingDirectoryReportedOnceUntilRestart) {
  options.dir = dir / "nowhere";
  buffer = {"a"};
  Flush();
  EXPECT_TRUE(failed);
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not create the log file \"" + dir.path() +
                                     "/nowhere/Quillmor.log\""});
  dir.MakeDir("nowhere");  // created meanwhile: the log stays off all the same
  buffer = {"b"};
  Flush();
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(dialogs.shown().size(), 1u);
  EXPECT_FALSE(dir.Exists("nowhere/Quillmor.log"));
}

TEST_F(LogFlushTest, DirectoryNamedLikeTheLogCountsAsNoFile) {
  dir.MakeDir("Quillmor.log");
  buffer = {"a"};
  Flush();
  EXPECT_TRUE(failed);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not create the log file \"" + LogPath() + "\""});
}

// A flush nested in the error box (the statistics timer keeps firing while it is open) finds
// the mark set and only empties the buffer.
class NestingDialogs : public test::ScriptedDialogs {
 public:
  std::function<void()> on_error;
  void ShowErrorBox(const std::string& text) override {
    ScriptedDialogs::ShowErrorBox(text);
    if (on_error) std::exchange(on_error, nullptr)();
  }
};

TEST_F(LogFlushTest, FlushInsideErrorBoxSkipsTheFile) {
  NestingDialogs nesting;
  options.dir = dir / "nowhere";
  buffer = {"a"};
  nesting.on_error = [&] {
    buffer.push_back("made while the box is open");
    FlushLog(
        fs, [&](const std::string& t) { nesting.ShowErrorBox(t); }, options, buffer, failed);
    EXPECT_TRUE(buffer.empty());
  };
  FlushLog(
      fs, [&](const std::string& t) { nesting.ShowErrorBox(t); }, options, buffer, failed);
  EXPECT_EQ(nesting.shown().size(), 1u);
  EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace qm
