// The log file under failing file operations: each failure gets its one message and mark, and
// no failure leaves the existing log emptied or cut short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/log_writer.h"
#include "support/fault_file_system.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::DialogKind;

class LogFaultTest : public ::testing::Test {
 protected:
  LogFaultTest() { options.dir = dir.path(); }

  void Flush(std::vector<std::string> lines) {
    buffer = std::move(lines);
    FlushLog(
        fs, [&](const std::string& t) { dialogs.ShowErrorBox(t); }, options, buffer, failed);
    EXPECT_TRUE(buffer.empty());
  }
  std::string Message(const char* what) const {
    return std::string(what) + "\"" + dir.path() + "/Quillmor.log\"";
  }
  std::vector<std::string> Errors() const { return dialogs.Texts(DialogKind::kError); }
  // A log past the 1 KB limit whose lines do not fit the budget, so the next flush trims it.
  std::string WriteFullLog() {
    options.limit_kb = 1;
    std::string content;
    for (int i = 0; i < 11; ++i) content += std::string(98, static_cast<char>('a' + i)) + "\r\n";
    dir.WriteFile("Quillmor.log", content);
    return content;
  }

  test::TempDir dir;
  test::ScriptedDialogs dialogs;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  LogOptions options;
  std::vector<std::string> buffer;
  bool failed = false;
};

TEST_F(LogFaultTest, DiskFullWhileAppendingKeepsWhatWasWritten) {
  dir.WriteFile("Quillmor.log", "old\r\n");
  fs.FailWritesAfter(5, ErrorKind::kNoSpace, "Quillmor.log");
  Flush({"new line", "second"});
  EXPECT_TRUE(failed);
  EXPECT_EQ(Errors(), std::vector<std::string>{Message("Can not save the log file ")});
  EXPECT_EQ(dir.ReadFile("Quillmor.log"), "old\r\nnew l");
  Flush({"later"});  // off until restart
  EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(LogFaultTest, FailedAppendNeverEmptiesTheLog) {
  dir.WriteFile("Quillmor.log", "old\r\n");
  fs.Fail(FsOp::kOpenAppend, ErrorKind::kAccessDenied, "Quillmor.log");
  Flush({"new"});
  EXPECT_TRUE(failed);
  EXPECT_EQ(Errors(), std::vector<std::string>{Message("Can not create the log file ")});
  EXPECT_EQ(dir.ReadFile("Quillmor.log"), "old\r\n");
  EXPECT_EQ(fs.CallCount(FsOp::kCreate), 0);
}

TEST_F(LogFaultTest, FailedTrimLeavesTheOldLogWhole) {
  struct Case {
    const char* name;
    std::function<void(FaultInjectingFileSystem&)> inject;
    const char* message;
  };
  const Case cases[] = {
      {"disk full", [](auto& f) { f.FailWritesAfter(100, ErrorKind::kNoSpace, ".qmtmp"); },
       "Can not save the log file "},
      {"sync", [](auto& f) { f.Fail(FsOp::kSync, ErrorKind::kIo); }, "Can not save the log file "},
      {"rename", [](auto& f) { f.Fail(FsOp::kRename, ErrorKind::kIo); },
       "Can not save the log file "},
      {"create", [](auto& f) { f.FailAlways(FsOp::kCreate, ErrorKind::kNoSpace); },
       "Can not create the log file "},
      {"open", [](auto& f) { f.Fail(FsOp::kOpenRead, ErrorKind::kAccessDenied); },
       "Can not load the log file "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = WriteFullLog();
    fs.ClearFaults();
    failed = false;
    const size_t shown = Errors().size();
    c.inject(fs);
    Flush({"new"});
    EXPECT_TRUE(failed);
    ASSERT_EQ(Errors().size(), shown + 1);
    EXPECT_EQ(Errors().back(), Message(c.message));
    EXPECT_EQ(dir.ReadFile("Quillmor.log"), before);
    EXPECT_FALSE(dir.Exists(".Quillmor.log.qmtmp"));
  }
}

TEST_F(LogFaultTest, UnreadableOldLinesDoNotDropNewRecords) {
  const std::string before = WriteFullLog();
  fs.FailReadsAfter(10, ErrorKind::kIo, "Quillmor.log");
  Flush({"deleted something"});
  EXPECT_FALSE(failed);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(dir.ReadFile("Quillmor.log"), before + "deleted something\r\n");
  fs.ClearFaults();
  Flush({"next"});  // the trim is tried again
  const std::string after = dir.ReadFile("Quillmor.log");
  EXPECT_LT(after.size(), before.size());
  EXPECT_EQ(after.substr(after.size() - 25), "deleted something\r\nnext\r\n");
}

}  // namespace
}  // namespace qm
