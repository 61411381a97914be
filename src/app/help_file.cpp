#include "app/help_file.h"

namespace qm {

std::vector<std::string> HelpFileCandidates(const std::string& exe_path) {
  const size_t slash = exe_path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : exe_path.substr(0, slash);
  return {dir + "/../share/doc/quillmor/" + kHelpFileName, dir + "/" + kHelpFileName};
}

std::string FindHelpFile(FileSystem& fs, const std::string& exe_path) {
  for (const std::string& path : HelpFileCandidates(exe_path)) {
    const auto info = fs.Stat(path);
    if (info.ok() && !info.value().is_directory()) return path;
  }
  return {};
}

}  // namespace qm
