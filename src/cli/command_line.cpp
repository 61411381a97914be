#include "cli/command_line.h"

#include <iostream>

namespace qm::cli {

namespace {
constexpr const char* kUsage =
    "usage: quillmor [/B] [--store PATH]\n"
    "       quillmor --list [--store PATH]\n"
    "       quillmor --run NAME... | --run-all [--store PATH]\n"
    "       quillmor --help | --version\n";
}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--store" && i + 1 < args.size()) {
      store_path = args[++i];
      continue;
    }
    window_args.push_back(a);
  }
  return -1;
}

}  // namespace qm::cli
