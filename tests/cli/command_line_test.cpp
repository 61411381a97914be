// Parsing the command line and the in-process commands.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console_dialogs.h"

namespace qm::cli {
namespace {

using Args = std::vector<std::string>;

TEST(ParseCommandLine, TheBackgroundSwitchInAnyCaseGoesToTheWindow) {
  for (const Args& args : {Args{"/B"}, Args{"/b"}, Args{"--store", "/x.dat", "/B"}}) {
    ParseOutcome p = ParseCommandLine(args);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.line.command, Command::kWindow);
    EXPECT_EQ(p.line.window_args, Args{args.back()});
  }
  ParseOutcome none = ParseCommandLine({});
  ASSERT_TRUE(none.ok);
  EXPECT_TRUE(none.line.window_args.empty());
  EXPECT_TRUE(none.line.store_path.empty());
}

TEST(ParseCommandLine, StoreTakesAValueInEitherForm) {
  EXPECT_EQ(ParseCommandLine({"--list", "--store", "/a b.dat"}).line.store_path, "/a b.dat");
  ParseOutcome p = ParseCommandLine({"--store=/c.dat", "--list"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.line.store_path, "/c.dat");
  EXPECT_EQ(p.line.command, Command::kList);
}

TEST(ParseCommandLine, BadArgumentsAreNamedInOneLine) {
  struct Case {
    Args args;
    std::string error;
  };
  for (const Case& c : {
           Case{{"--bogus"}, "unknown option '--bogus'"},
           Case{{"--list", "--frob=1"}, "unknown option '--frob'"},
           Case{{"--store"}, "option '--store' needs a value"},
           Case{{"--store="}, "option '--store' needs a value"},
           Case{{"--list=yes"}, "option '--list' takes no value"},
           Case{{"--list", "--version"}, "options '--list' and '--version' cannot be combined"},
           Case{{"/B", "--list"}, "'/B' cannot be combined with '--list'"},
           Case{{"/B", "/B"}, "unexpected argument '/B'"},
           Case{{"profile"}, "unexpected argument 'profile'"},
           Case{{"-x"}, "unknown option '-x'"},
           Case{{"--run"}, "option '--run' needs at least one name"},
           Case{{"--run", "--"}, "option '--run' needs at least one name"},
           Case{{"--run-all", "Docs"}, "unexpected argument 'Docs'"},
           Case{{"--dry-run"}, "option '--dry-run' needs '--run' or '--run-all'"},
           Case{{"--list", "-v"}, "option '--verbose' needs '--run' or '--run-all'"},
           Case{{"--run-all", "-v", "-q"}, "options '--verbose' and '--quiet' cannot be combined"},
           Case{{"-h", "--run-all"}, "options '--help' and '--run-all' cannot be combined"},
           Case{{"--restore"}, "option '--restore' needs a name"},
           Case{{"--restore", "A", "B"}, "option '--restore' takes one name"},
           Case{{"--run", "A", "--to", "/x"}, "option '--to' needs '--restore'"},
           Case{{"--verify", "A", "--dry-run"},
                "option '--dry-run' cannot be used with '--verify'"},
           Case{{"--restore", "A", "--as-of", "2024-06-01 25:00"},
                "option '--as-of' needs YYYY-MM-DD or YYYY-MM-DD HH:MM[:SS], not '2024-06-01 "
                "25:00'"},
       }) {
    ParseOutcome p = ParseCommandLine(c.args);
    EXPECT_FALSE(p.ok) << c.args.front();
    EXPECT_EQ(p.error, c.error);
  }
  EXPECT_TRUE(ParseCommandLine({"--list", "--list"}).ok);  // the same command twice is harmless
}

TEST(ParseCommandLine, RunNamesMayFollowOptionsAndTheEndOfOptions) {
  ParseOutcome p = ParseCommandLine({"--run", "Docs", "--store", "/s.dat", "-v", "Photos",
                                     "--dry-run", "--", "--odd", "-q", "/B"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.line.command, Command::kRun);
  EXPECT_EQ(p.line.names, (Args{"Docs", "Photos", "--odd", "-q", "/B"}));
  EXPECT_EQ(p.line.store_path, "/s.dat");
  EXPECT_TRUE(p.line.verbose);
  EXPECT_TRUE(p.line.dry_run);
  EXPECT_FALSE(p.line.quiet);

  ParseOutcome short_forms = ParseCommandLine({"--run-all", "-q"});
  ASSERT_TRUE(short_forms.ok);
  EXPECT_TRUE(short_forms.line.quiet);
  EXPECT_EQ(ParseCommandLine({"-h"}).line.command, Command::kHelp);
  EXPECT_EQ(ParseCommandLine({"-V"}).line.command, Command::kVersion);
  EXPECT_EQ(ParseCommandLine({"--run", "/B"}).line.names, Args{"/B"});
}

TEST(HelpText, NamesEveryOptionTheExitCodesTheEnvironmentAndTheFiles) {
  const std::string help = HelpText();
  for (const char* option :
       {"--run NAME...", "--run-all", "--dry-run", "-v, --verbose", "-q, --quiet", "--list",
        "--store PATH", "-h, --help", "-V, --version", "  --  ", "/B"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  for (const char* code : {"  0 ", "  1 ", "  2 ", "  130 ", "143"})
    EXPECT_NE(help.find(code), std::string::npos) << code;
  for (const char* name : {"QUILLMOR_STORE", "QUILLMOR_CONFIG_DIR", "XDG_DATA_HOME",
                           "XDG_CONFIG_HOME", "Quillmor.dat", "Quillmor.log"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
  // Fits a terminal of 80 columns.
  size_t start = 0;
  while (start < help.size()) {
    const size_t end = help.find('\n', start);
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
    start = end + 1;
  }
}

struct Invocation {
  int status;
  std::string out, err;
  Args window_args;
  std::string store;
};

Invocation RunInProcess(const Args& args) {
  Invocation r;
  std::ostringstream out, err;
  r.status = RunCommandLine(args, r.window_args, r.store, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(RunCommandLine, HelpVersionAndErrorsReportThroughTheRightStream) {
  Invocation help = RunInProcess({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, HelpText());
  EXPECT_EQ(help.err, "");

  Invocation version = RunInProcess({"-V"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quillmor 0.1.0\n");

  Invocation bad = RunInProcess({"--nope", "--list"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, std::string("quillmor: unknown option '--nope'\n") + UsageText());

  Invocation window = RunInProcess({"--store", "/s.dat", "/b"});
  EXPECT_EQ(window.status, -1);
  EXPECT_EQ(window.window_args, Args{"/b"});
  EXPECT_EQ(window.store, "/s.dat");
}

TEST(ConsoleDialogs, MessagesBecomeLinesAndQuestionsAreAnsweredNo) {
  std::ostringstream err;
  ConsoleDialogs dialogs(err);
  dialogs.ShowErrorBox("Some required fields are not filled:\rname");
  EXPECT_FALSE(dialogs.Confirm("Delete current profile?"));
  EXPECT_FALSE(dialogs.AskErrorYesNo("Break?"));
  EXPECT_FALSE(dialogs.BrowseForFolder("Select source directory", "/").has_value());
  EXPECT_EQ(err.str(),
            "quillmor: Some required fields are not filled:\nname\n"
            "quillmor: Delete current profile? (answered No)\n"
            "quillmor: Break? (answered No)\n");
  EXPECT_EQ(ConsoleDialogs::AsLines("a\r\nb\rc"), "a\nb\nc");
}

}  // namespace
}  // namespace qm::cli
