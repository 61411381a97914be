#include "platform/app_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/path_style.h"

namespace qm {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

std::string HomeDirectory() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  // Without $HOME (started by a service manager, say) the password database still knows.
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

// An XDG base directory: the variable when it holds an absolute path (relative ones are
// invalid and ignored), else the default below the home directory.
std::string XdgDirectory(const char* variable, const char* fallback_below_home) {
  std::string dir = Env(variable);
  if (dir.empty() || dir[0] != '/') dir = HomeDirectory() + "/" + fallback_below_home;
  return std::string(WithoutTrailingSeparators(dir));
}

}  // namespace

std::string ConfigDirectory() {
  const std::string overridden = Env("QUILLMOR_CONFIG_DIR");
  if (!overridden.empty()) return std::string(WithoutTrailingSeparators(overridden));
  return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/Quillmor";
}

std::string AutostartDirectory() {
  return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/autostart";
}

std::string DataDirectory() {
  return XdgDirectory("XDG_DATA_HOME", ".local/share") + "/Quillmor";
}

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::string StorePath(const std::string& override_path) {
  if (!override_path.empty()) return override_path;
  const std::string env = Env("QUILLMOR_STORE");
  if (!env.empty()) return env;
  const std::string exe = ExecutablePath();
  if (!exe.empty()) {
    const std::string portable = ChangeFileExt(exe, ".dat");
    struct stat st;
    if (::stat(portable.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return portable;
  }
  return DataDirectory() + "/Quillmor.dat";
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const size_t slash = path.rfind('/');
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  // A leading dot names a hidden file; it does not start an extension.
  if (dot == std::string::npos || dot <= name_start) return path + ext;
  return path.substr(0, dot) + ext;
}

}  // namespace qm
