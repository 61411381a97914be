// Records that used to be lost: those of the copy that finishes after Stop, those still
// buffered at close, and the first session's on a fresh installation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "engine/copier.h"
#include "profiles/log_kind.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(FormTest, FreshInstallationCreatesTheDefaultLogDirectoryAndLogsTheFirstSession) {
  dialogs.ExpectConfirm(kNoProfileQuestion, false);
  Start();
  PassOneTimeStep();
  EXPECT_EQ(form->Log.log_folder_edit.Text(), dir / "data/");
  form->WriteLog(LogKind::kError, "first session");
  form->session().UpdateStatistics();
  EXPECT_TRUE(dialogs.Texts(DialogKind::kError).empty());
  EXPECT_THAT(dir.ReadFile("data/Quillmor.log"), HasSubstr("Error: first session\r\n"));
}

TEST_F(FormTest, ALogDirectoryTheUserChoseIsNeverCreated) {
  WriteStore({"a"});
  Start();
  form->Log.log_folder_edit.SetText(dir / "unplugged/logs/");
  PassOneTimeStep();
  form->WriteLog(LogKind::kError, "to an absent volume");
  form->session().UpdateStatistics();
  EXPECT_FALSE(dir.Exists("unplugged"));
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not create the log file \"" +
                                     (dir / "unplugged/logs/Quillmor.log") + "\""});
}

TEST_F(FormTest, CloseWritesTheRecordsStillBuffered) {
  Open({"a"});
  form->WriteLog(LogKind::kDelete, "File \"/d/old.txt\" deleted");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(form->Close());
  EXPECT_THAT(dir.ReadFile("data/Quillmor.log"), HasSubstr("Delete: File \"/d/old.txt\" deleted"));
}

TEST_F(FormTest, TheCopyFinishedAfterStopIsLoggedWhenTheRunEnds) {
  WriteStore({"a"});
  // Whichever comes first is under way at the stop; the other is never started.
  const std::string big(1200 * CopyBufferSize, 'b');
  dir.WriteFile("src-a/one.bin", big);
  dir.WriteFile("src-a/two.bin", big);
  Start();
  PassOneTimeStep();
  form->Log.log_successes_box.SetChecked(true);
  // At 4 ms of virtual time a block, Stop comes in the middle of the copy.
  loop.set_step_ms(4);
  loop.After(1000, [&] { form->start_button.Click(); });
  form->start_button.Click();  // returns when the engine has stopped
  ASSERT_FALSE(form->state.Running);
  // The copy under way was finished, and its record is in the file, not in the buffer.
  ASSERT_NE(dir.Exists("dest-a/one.bin"), dir.Exists("dest-a/two.bin"));
  const std::string done = dir.Exists("dest-a/one.bin") ? "one.bin" : "two.bin";
  EXPECT_EQ(dir.ReadFile("dest-a/" + done), big);
  EXPECT_THAT(dir.ReadFile("data/Quillmor.log"),
              HasSubstr("Success: File \"" + (dir / ("src-a/" + done)) + "\" copied to"));
  EXPECT_TRUE(form->session().log_buffer.empty());
  EXPECT_THAT(dialogs.Texts(DialogKind::kError), Not(Contains(HasSubstr("log"))));
}

}  // namespace
}  // namespace qm::test
