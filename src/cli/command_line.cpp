#include "cli/command_line.h"

#include <algorithm>
#include <iostream>
#include <string_view>

#include <unistd.h>

#include "cli/background_command.h"
#include "cli/profile_job.h"
#include "cli/profile_listing.h"
#include "cli/restore_command.h"
#include "cli/run_command.h"
#include "cli/verify_command.h"
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
    {"--restore", "", Takes::kNames, Command::kRestore, nullptr, "--restore NAME",
     "bring back the files of that profile's backup that are missing from its source folder "
     "(or DIR), then print a summary"},
    {"--as-of", "", Takes::kValue, Command::kWindow, nullptr, "--as-of TIME",
     "with --restore: each file as it was at TIME (YYYY-MM-DD for the end of that day, or "
     "YYYY-MM-DD HH:MM[:SS], local time) instead of its newest version"},
    {"--to", "", Takes::kValue, Command::kWindow, nullptr, "--to DIR",
     "with --restore: restore into DIR instead of the source folder"},
    {"--overwrite", "", Takes::kNothing, Command::kWindow, &CommandLine::overwrite, "--overwrite",
     "with --restore: replace files that differ from the version restored"},
    {"--verify", "", Takes::kNames, Command::kVerify, nullptr, "--verify NAME...",
     "compare each source file with its newest copy in the backup and check every archive; "
     "print what differs, is damaged, missing or outdated"},
    {"--dry-run", "", Takes::kNothing, Command::kWindow, &CommandLine::dry_run, "--dry-run",
     "with --run, --run-all or --restore: print each copy, pack, deletion, copy back or "
     "restore it would make, and change nothing"},
    {"--verbose", "-v", Takes::kNothing, Command::kWindow, &CommandLine::verbose, "-v, --verbose",
     "with --run, --run-all, --restore or --verify: print every log record to stderr as it is "
     "made, whatever the log options"},
    {"--quiet", "-q", Takes::kNothing, Command::kWindow, &CommandLine::quiet, "-q, --quiet",
     "with --run, --run-all or --restore: print nothing but errors; with --verify: only what "
     "differs, is damaged or unreadable"},
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
    "       quillmor --restore NAME [--as-of TIME] [--to DIR] [--overwrite]\n"
    "                [--dry-run] [-v | -q] [--store PATH]\n"
    "       quillmor --verify NAME... [-v | -q] [--store PATH]\n"
    "       quillmor --background [-v] [--store PATH]\n"
    "       quillmor --list [--store PATH]\n"
    "       quillmor -h | --help | -V | --version\n";

constexpr const char* kHelpTail =
    "  --               end of the options: every later argument is a profile name\n"
    "\n"
    "Without options Quillmor opens its window; /B (any letter case) starts it in the\n"
    "background mode.\n"
    "\n"
    "Exit status of --run, --run-all, --restore and --verify:\n"
    "  0    everything was done (--verify: nothing differs, is damaged or\n"
    "       unreadable; missing and outdated files are information)\n"
    "  1    something failed: a file, the log, the profile store, a profile\n"
    "       whose folder was in use, or a backup folder that cannot be read\n"
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

bool TakesNames(Command c) {
  return c == Command::kRun || c == Command::kRestore || c == Command::kVerify;
}

// Whether the modifier `flag` (or --as-of and --to, for null) shapes command `c`.
bool Shapes(bool CommandLine::*flag, Command c) {
  if (c == Command::kRestore) return true;
  if (IsRunCommand(c)) return flag != nullptr && flag != &CommandLine::overwrite;
  if (c == Command::kVerify) return flag == &CommandLine::verbose || flag == &CommandLine::quiet;
  return c == Command::kBackground && flag == &CommandLine::verbose;
}

// The fields every headless command's request takes from the line alike.
template <class Request>
Request RequestOf(const CommandLine& line, bool progress) {
  Request request;
  request.store_path = line.store_path;
  request.verbose = line.verbose;
  request.quiet = line.quiet;
  request.progress = progress;
  return request;
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
  constexpr size_t kIndent = 20;
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
          !TakesNames(line.command) && IsBackgroundSwitch(a)) {
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
    if (option->name == "--as-of") line.as_of = value;
    if (option->name == "--to") line.to = value;
    if (option->command != Command::kWindow) {
      const std::string canonical(option->name);
      if (!command_option.empty() && command_option != canonical)
        return Fail("options '" + command_option + "' and '" + canonical + "' cannot be combined");
      command_option = canonical;
      line.command = option->command;
    }
  }

  if (TakesNames(line.command)) {
    line.names = std::move(operands);
    if (line.names.empty())
      return Fail("option '" + command_option + "' needs " +
                  (line.command == Command::kRestore ? "a name" : "at least one name"));
    if (line.command == Command::kRestore && line.names.size() > 1)
      return Fail("option '--restore' takes one name");
  } else if (!operands.empty()) {
    return Fail("unexpected argument '" + operands.front() + "'");
  }
  if (line.command != Command::kWindow && !line.window_args.empty())
    return Fail("'" + line.window_args.front() + "' cannot be combined with '" + command_option +
                "'");
  for (const OptionInfo& o : kOptions) {
    const bool given = o.flag != nullptr     ? line.*(o.flag)
                       : o.name == "--as-of" ? !line.as_of.empty()
                       : o.name == "--to"    ? !line.to.empty()
                                             : false;
    if (!given || Shapes(o.flag, line.command)) continue;
    const std::string option = "option '" + std::string(o.name) + "' ";
    if (o.flag == nullptr || o.flag == &CommandLine::overwrite)
      return Fail(option + "needs '--restore'");
    if (line.command == Command::kVerify) return Fail(option + "cannot be used with '--verify'");
    return Fail(option + "needs '--run' or '--run-all'");
  }
  if (!line.as_of.empty() && !ParseAsOf(line.as_of))
    return Fail("option '--as-of' needs YYYY-MM-DD or YYYY-MM-DD HH:MM[:SS], not '" + line.as_of +
                "'");
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
  // The progress line is for a person watching a terminal, not for a captured stream.
  const bool progress = !line.quiet && &err == &std::cerr && isatty(STDERR_FILENO);
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
      auto request = RequestOf<RunRequest>(line, progress);
      request.names = line.names;
      request.all = line.command == Command::kRunAll;
      request.dry_run = line.dry_run;
      return RunProfiles(request, out, err);
    }
    case Command::kRestore: {
      auto request = RequestOf<RestoreRequest>(line, progress);
      request.name = line.names.front();
      if (!line.as_of.empty()) request.as_of = ParseAsOf(line.as_of);
      request.to = line.to;
      request.overwrite = line.overwrite;
      request.dry_run = line.dry_run;
      return RestoreFiles(request, out, err);
    }
    case Command::kVerify: {
      auto request = RequestOf<VerifyRequest>(line, progress);
      request.names = line.names;
      return VerifyBackups(request, out, err);
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
