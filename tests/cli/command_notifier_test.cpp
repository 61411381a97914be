// The headless background mode's desktop notices through a command: the words reach it as they
// are, and a desktop without the command costs nothing.
#include "cli/command_notifier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/temp_dir.h"

namespace qm::cli {
namespace {

TEST(CommandNotifier, PassesTitleAndTextAsTheyAre) {
  test::TempDir dir;
  // Stands in for notify-send: one argument a line.
  const std::string command =
      dir.WriteFile("notify", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"" +
                                  dir.path() + "/shown\"\n");
  ASSERT_EQ(::chmod(command.c_str(), 0755), 0);
  CommandNotifier notifier(command);
  notifier.ShowNotification("Quillmor: \"Docs\" failed", "2 errors; see $HOME/`log` & more");
  notifier.WaitForCommands();
  EXPECT_EQ(dir.ReadFile("shown"),
            "--app-name=Quillmor\n--\nQuillmor: \"Docs\" failed\n2 errors; see $HOME/`log` & "
            "more\n");
}

TEST(CommandNotifier, ADesktopWithoutTheCommandShowsNothingAndFailsNothing) {
  test::TempDir dir;
  CommandNotifier notifier(dir / "no-such-command");
  notifier.ShowNotification("title", "text");
  notifier.WaitForCommands();
  EXPECT_FALSE(dir.Exists("no-such-command"));
}

}  // namespace
}  // namespace qm::cli
