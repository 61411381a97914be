// The one C function through which the program starts its window. The window and the toolkit
// it needs live in a shared library that only the window's path loads, so the headless
// commands never map the toolkit's libraries.
#pragma once

extern "C" {
// Runs the window until it closes and returns the exit status. `window_argv` holds what the
// window sees ("/B" first, if given); `store_path` is the --store value, empty for the default.
typedef int QuillmorWindowMain(int argc, char** argv, int window_argc,
                               const char* const* window_argv, const char* store_path);
}

namespace qm {

inline constexpr char kWindowEntryName[] = "quillmor_window_main";
inline constexpr char kWindowLibraryName[] = "libquillmor-window.so";

}  // namespace qm
