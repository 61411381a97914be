#include "cli/command_line.h"

#include <array>
#include <iostream>
#include <string_view>

#include <unistd.h>

#include "cli/profile_listing.h"
#include "cli/run_command.h"
#include "platform/app_paths.h"

namespace qm::cli {

namespace {

constexpr const char* kUsage =
    "usage: quillmor [/B] [--store PATH]\n"
    "       quillmor --list [--store PATH]\n"
    "       quillmor --run NAME... | --run-all [--store PATH]\n"
    "       quillmor --help | --version\n"
    "\n"
    "  /B             start in the background mode\n"
    "  --list         print the profiles as tab-separated lines\n"
    "  --run NAME...  run those profiles without the window, then print a summary\n"
    "  --run-all      run every profile without the window\n"
    "  --store PATH   use PATH as the profile store\n";

constexpr const char* kVersion = "quillmor 0.1.0";

// What an option takes after it.
enum class Takes { kNothing, kValue, kNames };

struct OptionInfo {
  std::string_view name;
  Takes takes;
  Command command;  // the command it selects; kWindow for a modifier such as --store
};

// A new command is one line here and one case in RunCommandLine.
constexpr std::array<OptionInfo, 6> kOptions = {{
    {"--help", Takes::kNothing, Command::kHelp},
    {"--version", Takes::kNothing, Command::kVersion},
    {"--list", Takes::kNothing, Command::kList},
    {"--run", Takes::kNames, Command::kRun},
    {"--run-all", Takes::kNothing, Command::kRunAll},
    {"--store", Takes::kValue, Command::kWindow},
}};

const OptionInfo* FindOption(std::string_view name) {
  for (const OptionInfo& o : kOptions)
    if (o.name == name) return &o;
  return nullptr;
}

bool IsBackgroundSwitch(std::string_view a) {
  return a == "/B" || a == "/b";
}

ParseOutcome Fail(std::string error) {
  ParseOutcome out;
  out.error = std::move(error);
  return out;
}

}  // namespace

const char* UsageText() {
  return kUsage;
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  ParseOutcome out;
  CommandLine& line = out.line;
  std::string command_option;  // the option that chose the command, for conflicts
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
      // Not an option: "/B" goes to the window (also after --store); nothing else does.
      if (line.window_args.empty() && IsBackgroundSwitch(a)) {
        line.window_args.push_back(a);
        continue;
      }
      return Fail("unexpected argument '" + a + "'");
    }
    std::string name = a;
    std::string value;
    bool has_inline_value = false;
    if (const size_t eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      has_inline_value = true;
    }
    const OptionInfo* option = FindOption(name);
    if (!option) return Fail("unknown option '" + name + "'");
    if (has_inline_value && option->takes != Takes::kValue)
      return Fail("option '" + name + "' takes no value");

    switch (option->takes) {
      case Takes::kNothing:
        break;
      case Takes::kValue:
        if (!has_inline_value) {
          if (i + 1 >= args.size()) return Fail("option '" + name + "' needs a value");
          value = args[++i];
        }
        if (value.empty()) return Fail("option '" + name + "' needs a value");
        break;
      case Takes::kNames:
        while (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0)
          line.names.push_back(args[++i]);
        if (line.names.empty()) return Fail("option '" + name + "' needs at least one name");
        break;
    }

    if (name == "--store") {
      line.store_path = value;
      continue;
    }
    if (option->command != Command::kWindow) {
      if (!command_option.empty() && command_option != name)
        return Fail("options '" + command_option + "' and '" + name + "' cannot be combined");
      command_option = name;
      line.command = option->command;
    }
  }
  if (line.command != Command::kWindow && !line.window_args.empty())
    return Fail("'" + line.window_args.front() + "' cannot be combined with '" + command_option +
                "'");
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
    return 2;
  }
  const CommandLine& line = parsed.line;
  switch (line.command) {
    case Command::kHelp:
      out << kUsage;
      return 0;
    case Command::kVersion:
      out << kVersion << "\n";
      return 0;
    case Command::kList:
      return ListProfiles(StorePath(line.store_path), out, err);
    case Command::kRun:
    case Command::kRunAll: {
      // The progress line is for a person watching a terminal, not for a captured stream.
      const bool progress = &err == &std::cerr && isatty(STDERR_FILENO);
      return RunProfiles({line.store_path, line.names, line.command == Command::kRunAll}, out, err,
                         progress);
    }
    case Command::kWindow:
      break;
  }
  window_args = line.window_args;
  store_path = line.store_path;
  return -1;
}

}  // namespace qm::cli
