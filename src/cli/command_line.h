// The program's command line: the headless commands and the switches of the window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qm::cli {

// A new command is one value here, one row in the option table and one case in
// RunCommandLine (command_line.cpp).
enum class Command {
  kWindow,
  kHelp,
  kVersion,
  kList,
  kRun,
  kRunAll,
  kBackground,
  kRestore,
  kVerify
};

struct CommandLine {
  Command command = Command::kWindow;
  std::string store_path;                // --store PATH; empty for the default store
  std::vector<std::string> window_args;  // what the window sees ("/B" first, if given)
  std::vector<std::string> names;        // operands of a command that takes names
  bool dry_run = false;                  // --dry-run: show the actions, change nothing
  bool verbose = false;                  // -v: every log record to stderr as it is made
  bool quiet = false;                    // -q: nothing but errors
  bool overwrite = false;                // --overwrite: a restore replaces files that differ
  std::string as_of;                     // --as-of TIME of a restore; empty for the newest
  std::string to;                        // --to DIR of a restore; empty for the source folder
};

struct ParseOutcome {
  bool ok = false;
  CommandLine line;
  std::string error;  // one line, naming the offending argument
};

ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

// The short usage, shown after a usage error.
std::string UsageText();
// --help: every option, the exit codes, the environment and where the files live.
std::string HelpText();

// Exit statuses of the headless commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs a headless command when the arguments ask for one and returns its exit status; returns
// -1 when the arguments are for the window (no option, or "/B"), with `window_args` holding
// what the window should see and `store_path` the --store value, if any.
int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path);
int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path, std::ostream& out, std::ostream& err);

}  // namespace qm::cli
