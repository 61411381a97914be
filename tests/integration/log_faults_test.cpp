// The log directory vanishing in the middle of a run: the run goes on to its end, the user is
// told once, and nothing of the backup depends on the log.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/copier.h"
#include "form_harness.h"
#include "profiles/profile_table.h"

namespace qm::test {
namespace {

class LogFaultTest : public FormHarness {
 protected:
  void SetUp() override {
    src = tmp.MakeDir("src");
    dest = tmp.MakeDir("dest");
    logs = tmp.MakeDir("logs");
    // The copier serves the message loop once per block; at 4 ms of virtual time a block the
    // run spans several statistics updates (one each 1.5 s).
    loop.set_step_ms(4);
    tmp.WriteFile("src/big.bin", Bytes(1200 * CopyBufferSize, 'b'));
    for (int i = 0; i < 20; ++i) tmp.WriteFile("src/f" + std::to_string(i) + ".txt", "x");
    Start();
    ProfileTable& t = form->profile_table;
    ASSERT_TRUE(t.Append());
    t.SetBool(ProfileField::Enabled, true);
    t.SetText(ProfileField::Name, "Logged");
    t.SetText(ProfileField::SrcDir, src);
    t.SetText(ProfileField::DestDir, dest);
    t.SetText(ProfileField::FileMask, "*.*");
    t.SetBool(ProfileField::doZIP, false);
    ASSERT_TRUE(t.Post());
    form->Log.log_folder_edit.SetText(logs);
    form->Log.log_successes_box.SetChecked(true);
    form->Log.log_info_box.SetChecked(true);
  }
  std::string src, dest, logs;
};

TEST_F(LogFaultTest, LogDirectoryVanishingMidRunStopsOnlyTheLog) {
  loop.At(2000, [&] { std::filesystem::remove_all(logs); });
  form->start_button.Click();  // returns when the engine has worked the list off

  // Every file was copied all the same.
  EXPECT_EQ(ReadTree(dest), ReadTree(src));
  EXPECT_FALSE(form->State.Running);
  EXPECT_EQ(dialogs.infos, std::vector<std::string>{"Done."});
  // One message, then the log stays off; the directory is not made again behind the user.
  const std::string text = "Can not create the log file \"" + logs + "/Quillmor.log\"";
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{text});
  EXPECT_TRUE(form->session().log_write_failed);
  EXPECT_FALSE(std::filesystem::exists(logs));
  EXPECT_TRUE(Close());
}

TEST_F(LogFaultTest, LogThatCannotBeWrittenFromTheStartDoesNotStopTheRun) {
  fs.FailAlways(FsOp::kWrite, ErrorKind::kNoSpace, "Quillmor.log");
  form->start_button.Click();
  EXPECT_EQ(ReadTree(dest), ReadTree(src));
  EXPECT_EQ(dialogs.errors,
            std::vector<std::string>{"Can not save the log file \"" + logs + "/Quillmor.log\""});
  EXPECT_TRUE(Close());
}

}  // namespace
}  // namespace qm::test
