#include "cli/window_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <ostream>

#include "app/window_entry.h"
#include "cli/command_line.h"

namespace qm::cli {

namespace {

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  const std::string exe(buffer, static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

std::vector<std::string> WindowLibraryPlaces(const std::string& exe_dir) {
  const std::string installed = std::string(QUILLMOR_WINDOW_DIR) + "/" + kWindowLibraryName;
  if (exe_dir.empty()) return {installed};
  return {exe_dir + "/" + kWindowLibraryName,
          exe_dir + "/" + QUILLMOR_WINDOW_DIR_FROM_BIN + "/" + kWindowLibraryName, installed};
}

int OpenWindow(int argc, char** argv, const std::vector<std::string>& window_args,
               const std::string& store_path, std::ostream& err) {
  const std::vector<std::string> places = WindowLibraryPlaces(ExecutableDirectory());
  std::string path = places.back();
  for (const std::string& place : places) {
    if (access(place.c_str(), F_OK) == 0) {
      path = place;
      break;
    }
  }
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = library != nullptr ? dlsym(library, kWindowEntryName) : nullptr;
  if (entry == nullptr) {
    const char* error = dlerror();
    const std::string reason = error != nullptr ? error : "unknown error";
    // The loader's reason usually begins with the file already.
    err << "quillmor: cannot load the window's library: "
        << (reason.find(path) == std::string::npos ? path + ": " + reason : reason)
        << "\nquillmor: the commands without the window still work; see --help\n";
    return kExitFailed;
  }
  std::vector<const char*> args;
  args.reserve(window_args.size());
  for (const std::string& a : window_args) args.push_back(a.c_str());
  // The library stays loaded to the end: the toolkit registers exit handlers of its own.
  return reinterpret_cast<QuillmorWindowMain*>(entry)(argc, argv, static_cast<int>(args.size()),
                                                      args.data(), store_path.c_str());
}

}  // namespace qm::cli
