#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/app_paths.h"
#include "platform/atomic_file.h"

extern char** environ;

namespace qm {

Status OpenDocument(const std::string& path) {
  // The shell puts the opener in the background and exits at once, so the child is reaped here
  // without waiting for the viewer and no zombie is left behind.
  const char* script = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
  const char* argv[] = {"sh", "-c", script, "sh", path.c_str(), nullptr};
  pid_t pid = 0;
  const int err =
      posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ);
  if (err != 0) return ErrorFromErrno(err, "Cannot open", path);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return ErrorFromErrno(errno, "Cannot open", path);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return Error{ErrorKind::kOther, "Cannot open \"" + path + "\": the opener did not start"};
  }
  return Status::Ok();
}

std::string AutostartEntryPath() {
  return AutostartDirectory() + "/quillmor.desktop";
}

std::string AutostartExecLine(const std::string& exe_path) {
  // Desktop-entry quoting: an argument with reserved characters goes in double quotes with
  // `"`, `` ` ``, `$` and `\` escaped by a backslash; '%' is doubled as field codes start with
  // it. The backslashes are then escaped once more as the value is a string.
  bool needs_quotes = false;
  for (const char c : exe_path) {
    if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
      needs_quotes = true;
    }
  }
  std::string arg;
  if (needs_quotes) arg += '"';
  for (const char c : exe_path) {
    if (needs_quotes && (c == '"' || c == '`' || c == '$' || c == '\\')) arg += '\\';
    if (c == '%') arg += '%';
    arg += c;
  }
  if (needs_quotes) arg += '"';
  std::string value;
  for (const char c : arg) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value + " /B";
}

Status WriteAutostartEntry(FileSystem& fs, const std::string& exe_path) {
  if (Status s = CreateDirectories(fs, AutostartDirectory()); !s.ok()) return s;
  const std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Quillmor\n"
      "Comment=Backs up and synchronises folders in the background\n"
      "Exec=" +
      AutostartExecLine(exe_path) +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return WriteFileAtomically(fs, AutostartEntryPath(), entry);
}

Status RemoveAutostartEntry(FileSystem& fs) {
  Status s = fs.Remove(AutostartEntryPath());
  if (!s.ok() && s.error().kind == ErrorKind::kNotFound) return Status::Ok();
  return s;
}

}  // namespace qm
