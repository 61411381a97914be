// The window library's only exported symbol.
#include "app/window_entry.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "qt/qt_main.h"

extern "C" QuillmorWindowMain quillmor_window_main;

extern "C" __attribute__((visibility("default"))) int quillmor_window_main(
    int argc, char** argv, int window_argc, const char* const* window_argv,
    const char* store_path) {
  const std::vector<std::string> window_args(window_argv, window_argv + window_argc);
  // An exception must not cross the C boundary into the program.
  try {
    return qm::qt::RunWindow(argc, argv, window_args, store_path != nullptr ? store_path : "");
  } catch (const std::exception& e) {
    std::cerr << "quillmor: " << e.what() << '\n';
    return 1;
  }
}
