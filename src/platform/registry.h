// The registry stand-in: string values under key paths, one INI-like text file per hive,
// replaced atomically on every write.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"

namespace qm {

enum class Hive { kLocalMachine, kCurrentUser };

class Registry {
 public:
  // `config_dir` holds one file per hive; see ConfigDirectory().
  Registry(std::string config_dir, FileSystem& fs);

  // Key paths and value names ignore ASCII letter case. A hive file that exists but cannot be read
  // reads as empty, and refuses every write (rather than replacing the values it could not read).

  std::optional<std::string> ReadString(Hive hive, const std::string& key,
                                        const std::string& name) const;
  Status WriteString(Hive hive, const std::string& key, const std::string& name,
                     const std::string& value);
  Status DeleteValue(Hive hive, const std::string& key, const std::string& name);
  // Makes sure values can be written under `key`: the hive is readable and its folder exists.
  Status CreateKey(Hive hive, const std::string& key);
  // Several values of one key in one replacement of the hive file: all are written or none.
  Status WriteStrings(Hive hive, const std::string& key,
                      const std::vector<std::pair<std::string, std::string>>& values);

  std::string HiveFile(Hive hive) const;

 private:
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  // key -> name -> value
  using Values = std::map<std::string, std::map<std::string, std::string, NoCaseLess>, NoCaseLess>;
  Result<Values> Load(Hive hive) const;
  Status Save(Hive hive, const Values& values);

  std::string dir_;
  FileSystem* fs_;
};

}  // namespace qm
