// Environment variables set for one test and put back when it ends, so that no test sees
// another's settings or writes into the user's real directories.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace qm::test {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ~ScopedEnv() {
    for (const auto& [name, old] : saved_) {
      if (old) {
        setenv(name.c_str(), old->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Sets `name` to `value`; nullptr unsets it.
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      setenv(name.c_str(), value, 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::string& value) { Set(name, value.c_str()); }

  // Points the directories the program finds through the environment (options, data files,
  // background locks, autostart entries) below `root`.
  void UseDirectoriesBelow(const std::string& root) {
    Set("QUILLMOR_CONFIG_DIR", root + "/config");
    Set("XDG_CONFIG_HOME", root + "/xdg");
    Set("XDG_DATA_HOME", root + "/xdg-data");
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace qm::test
