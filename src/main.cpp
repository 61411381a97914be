#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/window_loader.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> window_args;
  std::string store_path;
  const int status = qm::cli::RunCommandLine(args, window_args, store_path);
  if (status >= 0) return status;
#ifdef QUILLMOR_GUI
  return qm::cli::OpenWindow(argc, argv, window_args, store_path, std::cerr);
#else
  std::cerr << "quillmor: built without the window; see --help\n";
  return 2;
#endif
}
