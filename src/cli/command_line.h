// The program's command line: the headless commands and the switches of the window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qm::cli {

enum class Command { kWindow, kHelp, kVersion, kList, kRun, kRunAll };

struct CommandLine {
  Command command = Command::kWindow;
  std::string store_path;                // --store PATH; empty for the default store
  std::vector<std::string> window_args;  // what the window sees ("/B" first, if given)
  std::vector<std::string> names;        // operands of a command that takes names
};

struct ParseOutcome {
  bool ok = false;
  CommandLine line;
  std::string error;  // one line, naming the offending argument
};

ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

// Usage text, one command per line.
const char* UsageText();

// Runs a headless command when the arguments ask for one and returns its exit status; returns
// -1 when the arguments are for the window (no option, or "/B"), with `window_args` holding
// what the window should see and `store_path` the --store value, if any.
int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path);
int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path, std::ostream& out, std::ostream& err);

}  // namespace qm::cli
