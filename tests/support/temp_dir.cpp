#include "support/temp_dir.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace qm::test {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "quillmor-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only bits do not stop root, but make the tree writable anyway for other users.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(path_))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

std::string TempDir::WriteFile(std::string_view relative, std::string_view content) const {
  const std::string full = *this / relative;
  fs::create_directories(fs::path(full).parent_path());
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string TempDir::ReadFile(std::string_view relative) const {
  return ReadWholeFile(*this / relative);
}

bool TempDir::Exists(std::string_view relative) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(*this / relative, ec));
}

std::string TempDir::MakeDir(std::string_view relative) const {
  const std::string full = *this / relative;
  fs::create_directories(full);
  return full;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void SetMTime(const std::string& path, long long seconds) {
  struct timeval times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  if (utimes(path.c_str(), times) != 0) throw std::runtime_error("utimes failed for " + path);
}

}  // namespace qm::test
