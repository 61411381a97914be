// Small helpers shared by the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace qm::fuzz {

// A failed check ends the run so that libFuzzer records the input.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

// A scratch directory for the whole process, removed when it exits; memory-backed where the
// machine has it, since every save syncs the files it writes.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix) {
    std::string pattern =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/" + prefix + "-XXXXXX";
    const char* made = mkdtemp(pattern.data());
    Require(made != nullptr);
    path_ = made;
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qm::fuzz
