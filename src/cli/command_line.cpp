#include "cli/command_line.h"

#include <algorithm>
#include <iostream>
#include <string_view>

#include <unistd.h>

#include "cli/background_command.h"
#include "cli/profile_listing.h"
#include "cli/run_command.h"
#include "platform/app_paths.h"

namespace qm::cli {

namespace {

constexpr const char* kVersion = "quillmor 0.1.0";

// What an option takes after it.
enum class Takes { kNothing, kValue, kNames };

struct OptionInfo {
  std::string_view name;
  std::string_view short_name;  // empty when it has none
  Takes takes;
  Command command;            // the command it selects; kWindow for a modifier such as --store
  bool CommandLine::*flag;    // the switch a modifier sets, if any
  std::string_view synopsis;  // as --help shows it
  std::string_view help;
};

// --help lists the options in this order.
constexpr OptionInfo kOptions[] = {
    {"--run", "", Takes::kNames, Command::kRun, nullptr, "--run NAME...",
     "run those profiles without the window, enabled or not, then print a summary"},
    {"--run-all", "", Takes::kNothing, Command::kRunAll, nullptr, "--run-all",
     "run every enabled profile without the window"},
    {"--dry-run", "", Takes::kNothing, Command::kWindow, &CommandLine::dry_run, "--dry-run",
     "with --run or --run-all: print each copy, pack, deletion and copy back the run would "
     "make, and change nothing"},
    {"--verbose", "-v", Takes::kNothing, Command::kWindow, &CommandLine::verbose, "-v, --verbose",
     "with --run or --run-all: print every log record to stderr as it is made, whatever the "
     "log options"},
    {"--quiet", "-q", Takes::kNothing, Command::kWindow, &CommandLine::quiet, "-q, --quiet",
     "with --run or --run-all: print nothing but errors"},
    {"--background", "", Takes::kNothing, Command::kBackground, nullptr, "--background",
     "the background mode without the window, until SIGTERM or SIGINT (then exit 0)"},
    {"--list", "", Takes::kNothing, Command::kList, nullptr, "--list",
     "print the profiles as tab-separated lines"},
    {"--store", "", Takes::kValue, Command::kWindow, nullptr, "--store PATH",
     "use PATH as the profile store"},
    {"--help", "-h", Takes::kNothing, Command::kHelp, nullptr, "-h, --help", "print this help"},
    {"--version", "-V", Takes::kNothing, Command::kVersion, nullptr, "-V, --version",
     "print the version"},
};

constexpr const char* kUsage =
    "usage: quillmor [/B] [--store PATH]\n"
    "       quillmor --run NAME... | --run-all [--dry-run] [-v | -q] [--store PATH]\n"
    "       quillmor --background [-v] [--store PATH]\n"
    "       quillmor --list [--store PATH]\n"
    "       quillmor -h | --help | -V | --version\n";

constexpr const char* kHelpTail =
    "  --               end of the options: every later argument is a profile name\n"
    "\n"
    "Without options Quillmor opens its window; /B (any letter case) starts it in the\n"
    "background mode.\n"
    "\n"
    "Exit status of --run and --run-all:\n"
    "  0    everything was done\n"
    "  1    something failed: a file, the log, the profile store, or a profile\n"
    "       whose folder was in use\n"
    "  2    usage error, or a name that matches no profile (then nothing runs)\n"
    "  130  stopped by SIGINT (Ctrl-C); 143 stopped by SIGTERM. The copy under way\n"
    "       is abandoned and its temporary file removed; finished copies are kept\n"
    "       and the log is written.\n"
    "\n"
    "Environment:\n"
    "  QUILLMOR_STORE       the profile store, unless --store is given\n"
    "  QUILLMOR_CONFIG_DIR  the directory of the options\n"
    "  XDG_DATA_HOME        default ~/.local/share\n"
    "  XDG_CONFIG_HOME      default ~/.config\n"
    "\n"
    "Files:\n"
    "  profile store  --store PATH, else $QUILLMOR_STORE, else <executable>.dat\n"
    "                 when that file exists, else\n"
    "                 $XDG_DATA_HOME/Quillmor/Quillmor.dat\n"
    "  options        $QUILLMOR_CONFIG_DIR, else $XDG_CONFIG_HOME/Quillmor/\n"
    "  log            Quillmor.log in the log directory of the \"Parameters\" page; by\n"
    "                 default the profile store's directory\n";

const OptionInfo* FindOption(std::string_view name) {
  for (const OptionInfo& o : kOptions)
    if (o.name == name || (!o.short_name.empty() && o.short_name == name)) return &o;
  return nullptr;
}

bool IsBackgroundSwitch(std::string_view a) {
  return a == "/B" || a == "/b";
}

// The switches that only shape a run.
bool IsRunCommand(Command c) {
  return c == Command::kRun || c == Command::kRunAll;
}

ParseOutcome Fail(std::string error) {
  ParseOutcome out;
  out.error = std::move(error);
  return out;
}

}  // namespace

std::string UsageText() {
  return kUsage;
}

std::string HelpText() {
  constexpr size_t kIndent = 19;
  constexpr size_t kWidth = 79;
  std::string text = kUsage;
  text += "\nOptions:\n";
  for (const OptionInfo& o : kOptions) {
    std::string line = "  " + std::string(o.synopsis);
    line.resize(std::max(line.size() + 2, kIndent), ' ');
    // The description wraps at word boundaries under itself.
    std::string_view rest = o.help;
    while (!rest.empty()) {
      size_t take = rest.size();
      if (line.size() + take > kWidth) {
        take = rest.rfind(' ', kWidth - line.size());
        if (take == std::string_view::npos) take = rest.size();
      }
      text += line + std::string(rest.substr(0, take)) + "\n";
      rest.remove_prefix(std::min(rest.size(), take + 1));
      line.assign(kIndent, ' ');
    }
  }
  return text + kHelpTail;
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  ParseOutcome out;
  CommandLine& line = out.line;
  std::string command_option;  // the option that chose the command, for conflicts
  std::vector<std::string> operands;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_ended && a == "--") {
      options_ended = true;
      continue;
    }
    if (options_ended || a.size() < 2 || a[0] != '-') {
      // "/B" goes to the window (also after --store); a profile may be named so after --run.
      if (!options_ended && line.window_args.empty() && operands.empty() &&
          line.command != Command::kRun && IsBackgroundSwitch(a)) {
        line.window_args.push_back(a);
        continue;
      }
      operands.push_back(a);
      continue;
    }
    std::string name = a;
    std::string value;
    bool has_inline_value = false;
    if (const size_t eq = a.find('='); eq != std::string::npos && a.compare(0, 2, "--") == 0) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      has_inline_value = true;
    }
    const OptionInfo* option = FindOption(name);
    if (!option) return Fail("unknown option '" + name + "'");
    if (has_inline_value && option->takes != Takes::kValue)
      return Fail("option '" + name + "' takes no value");

    if (option->takes == Takes::kValue) {
      if (!has_inline_value) {
        if (i + 1 >= args.size()) return Fail("option '" + name + "' needs a value");
        value = args[++i];
      }
      if (value.empty()) return Fail("option '" + name + "' needs a value");
    }
    if (option->flag != nullptr) line.*(option->flag) = true;
    if (option->name == "--store") line.store_path = value;
    if (option->command != Command::kWindow) {
      const std::string canonical(option->name);
      if (!command_option.empty() && command_option != canonical)
        return Fail("options '" + command_option + "' and '" + canonical + "' cannot be combined");
      command_option = canonical;
      line.command = option->command;
    }
  }

  if (line.command == Command::kRun) {
    line.names = std::move(operands);
    if (line.names.empty()) return Fail("option '--run' needs at least one name");
  } else if (!operands.empty()) {
    return Fail("unexpected argument '" + operands.front() + "'");
  }
  if (line.command != Command::kWindow && !line.window_args.empty())
    return Fail("'" + line.window_args.front() + "' cannot be combined with '" + command_option +
                "'");
  for (const OptionInfo& o : kOptions)
    if (o.flag != nullptr && line.*(o.flag) && !IsRunCommand(line.command) &&
        !(o.flag == &CommandLine::verbose && line.command == Command::kBackground))
      return Fail("option '" + std::string(o.name) + "' needs '--run' or '--run-all'");
  if (line.verbose && line.quiet)
    return Fail("options '--verbose' and '--quiet' cannot be combined");
  out.ok = true;
  return out;
}

int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path) {
  return RunCommandLine(args, window_args, store_path, std::cout, std::cerr);
}

int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path, std::ostream& out, std::ostream& err) {
  ParseOutcome parsed = ParseCommandLine(args);
  if (!parsed.ok) {
    err << "quillmor: " << parsed.error << "\n" << kUsage;
    return kExitUsage;
  }
  const CommandLine& line = parsed.line;
  switch (line.command) {
    case Command::kHelp:
      out << HelpText();
      return kExitOk;
    case Command::kVersion:
      out << kVersion << "\n";
      return kExitOk;
    case Command::kList:
      return ListProfiles(StorePath(line.store_path), out, err);
    case Command::kRun:
    case Command::kRunAll: {
      RunRequest request;
      request.store_path = line.store_path;
      request.names = line.names;
      request.all = line.command == Command::kRunAll;
      request.dry_run = line.dry_run;
      request.verbose = line.verbose;
      request.quiet = line.quiet;
      // The progress line is for a person watching a terminal, not for a captured stream.
      request.progress = !line.quiet && &err == &std::cerr && isatty(STDERR_FILENO);
      return RunProfiles(request, out, err);
    }
    case Command::kBackground:
      return RunBackground({line.store_path, line.verbose}, err);
    case Command::kWindow:
      break;
  }
  window_args = line.window_args;
  store_path = line.store_path;
  return -1;
}

}  // namespace qm::cli
