// The log directory vanishing in the middle of a run: the run goes on to its end, the user is
// told once, and nothing of the backup depends on the log.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/copier.h"
#include "fault_harness.h"
#include "profiles/profile_table.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

class LogFaultTest : public ControllerFixture<ClosingDialogs> {
 protected:
  void SetUp() override {
    src = dir.MakeDir("src");
    dest = dir.MakeDir("dest");
    logs = dir.MakeDir("logs");
    // The copier serves the message loop once per block; at 4 ms of virtual time a block the
    // run spans several statistics updates (one each 1.5 s).
    loop.set_step_ms(4);
    dir.WriteFile("src/big.bin", Bytes(1200 * CopyBufferSize, 'b'));
    for (int i = 0; i < 20; ++i) dir.WriteFile("src/f" + std::to_string(i) + ".txt", "x");
    Start();
    PassOneTimeStep();
    ProfileTable& t = form->profile_table;
    ASSERT_TRUE(AppendProfile(t, "Logged", src, dest));
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
  EXPECT_FALSE(form->state.Running);
  EXPECT_EQ(dialogs.infos, std::vector<std::string>{"Done."});
  // One message, then the log stays off; the directory is not made again behind the user.
  const std::string text = "Can not create the log file \"" + logs + "/Quillmor.log\"";
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{text});
  EXPECT_TRUE(form->session().log_write_failed);
  EXPECT_FALSE(std::filesystem::exists(logs));
  EXPECT_TRUE(form->Close());
}

TEST_F(LogFaultTest, LogThatCannotBeWrittenFromTheStartDoesNotStopTheRun) {
  fs.FailAlways(FsOp::kWrite, ErrorKind::kNoSpace, "Quillmor.log");
  form->start_button.Click();
  EXPECT_EQ(ReadTree(dest), ReadTree(src));
  EXPECT_EQ(dialogs.errors,
            std::vector<std::string>{"Can not save the log file \"" + logs + "/Quillmor.log\""});
  EXPECT_TRUE(form->Close());
}

}  // namespace
}  // namespace qm::test
