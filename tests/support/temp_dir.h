// A temporary directory for one test, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(std::string_view relative) const;

  // Writes `content` to `relative` (parents created); returns the full path.
  std::string WriteFile(std::string_view relative, std::string_view content) const;
  std::string ReadFile(std::string_view relative) const;
  bool Exists(std::string_view relative) const;
  std::string MakeDir(std::string_view relative) const;
  // The names of the directory's own entries, sorted: to see that nothing was left behind.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

// Reads a whole file by absolute path; throws when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Sets a file's modification time (seconds since the epoch).
void SetMTime(const std::string& path, long long seconds);

}  // namespace qm::test
