// The progress line: what it shows, how it is cut, and that it leaves no trace when it is not
// wanted or once it is cleared.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/progress_line.h"
#include "support/virtual_message_loop.h"

namespace qm::cli {
namespace {

TEST(ProgressText, ShowsProfileSourceFilesBytesAndFileCutToTheWidth) {
  ProgressState s{"Docs", 3, 40, 5 * 1024 * 1024 + 512 * 1024, "report.pdf"};
  EXPECT_EQ(ProgressText(s, 200), "Docs: 3 of 40 files, 5.5 MiB, report.pdf");
  EXPECT_EQ(ProgressText(s, 29), "Docs: 3 of 40 files, 5.5 MiB,");
  // A name is never cut inside a character, and is cut by columns, not bytes: all of
  // "été.txt" takes seven columns though it has nine bytes.
  s.current_file = "\xc3\xa9t\xc3\xa9.txt";
  EXPECT_EQ(ProgressText(s, 30), "Docs: 3 of 40 files, 5.5 MiB, ");
  EXPECT_EQ(ProgressText(s, 31), "Docs: 3 of 40 files, 5.5 MiB, \xc3\xa9");
  EXPECT_EQ(ProgressText(s, 37), "Docs: 3 of 40 files, 5.5 MiB, \xc3\xa9t\xc3\xa9.txt");
  // More handled than listed (a file added meanwhile) never shows as more than all.
  s.files_done = 41;
  s.current_file.clear();
  EXPECT_EQ(ProgressText(s, 200), "Docs: 40 of 40 files, 5.5 MiB");
}

TEST(FitToColumns, CountsTerminalColumnsNotBytes) {
  // "日本語.txt": three characters of three bytes and two columns each.
  const std::string cjk = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt";
  EXPECT_EQ(FitToColumns(cjk, 10), cjk);
  EXPECT_EQ(FitToColumns(cjk, 5), "\xe6\x97\xa5\xe6\x9c\xac");  // never half a wide one
  EXPECT_EQ(FitToColumns(cjk, 1), "");
  // An emoji of four bytes is two columns; "e" with a combining accent is one.
  EXPECT_EQ(FitToColumns("\xf0\x9f\x98\x80"
                         "ab",
                         3),
            "\xf0\x9f\x98\x80"
            "a");
  EXPECT_EQ(FitToColumns("e\xcc\x81tude", 3), "e\xcc\x81tu");
  // A mark belongs to the character before it: dropped with it.
  EXPECT_EQ(FitToColumns("ab\xcc\x81", 1), "a");
  EXPECT_EQ(FitToColumns("", 5), "");
}

TEST(FitToColumns, ShowsControlCharactersAndBrokenBytesAsQuestionMarks) {
  // A name holding an escape sequence must not reach the terminal as one.
  EXPECT_EQ(FitToColumns("a\x1b[2Jb\nc\x7f", 20), "a?[2Jb?c?");
  // A C1 control (U+009B, the one-byte CSI) is no printable character either.
  EXPECT_EQ(FitToColumns("x\xc2\x9by", 20), "x?y");
  // Bytes that are no UTF-8: a lone continuation, a truncated sequence, an overlong form.
  EXPECT_EQ(FitToColumns("\x80"
                         "a\xe6\x97",
                         20),
            "?a??");
  EXPECT_EQ(FitToColumns("\xc0\xafz", 20), "??z");
  EXPECT_EQ(FitToColumns("\xed\xa0\x80z", 20), "???z");  // a UTF-16 surrogate
  EXPECT_EQ(FitToColumns("\xff\xfe", 1), "?");
}

TEST(BytesText, PicksTheUnitThatKeepsTheNumberSmall) {
  EXPECT_EQ(BytesText(0), "0 B");
  EXPECT_EQ(BytesText(1023), "1023 B");
  EXPECT_EQ(BytesText(1536), "1.5 KiB");
  EXPECT_EQ(BytesText(int64_t{3} << 30), "3.0 GiB");
  EXPECT_EQ(BytesText(int64_t{5} << 40), "5.0 TiB");
}

TEST(ProgressLine, DrawsOnlyWhenEnabledThrottlesAndClearsWhatItDrew) {
  ui::VirtualMessageLoop loop;
  std::ostringstream off_stream;
  {
    ProgressLine off(loop, off_stream, false);
    off.Draw({"Docs", 0, 1, 0, ""}, false);
    off.Clear();
  }
  EXPECT_EQ(off_stream.str(), "");

  std::ostringstream err;
  ProgressLine line(loop, err, true);
  line.Clear();  // nothing drawn, nothing to clear
  EXPECT_EQ(err.str(), "");
  line.Draw({"Docs", 0, 2, 0, ""}, false);
  line.Draw({"Docs", 1, 2, 0, ""}, true);  // too soon after the last one
  const std::string first = "\rDocs: 0 of 2 files, 0 B\x1b[K";
  EXPECT_EQ(err.str(), first);
  loop.Advance(1000);
  line.Draw({"Docs", 1, 2, 0, ""}, true);
  line.Clear();
  line.Clear();
  EXPECT_EQ(err.str(), first + "\rDocs: 1 of 2 files, 0 B\x1b[K" + "\r\x1b[K");
}

}  // namespace
}  // namespace qm::cli
