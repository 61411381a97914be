// The registry stand-in: string values under key paths, one INI-like text file per hive,
// replaced atomically on every write.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/error.h"

namespace qm {

enum class Hive { kLocalMachine, kCurrentUser };

class Registry {
 public:
  // `config_dir` holds one file per hive; see ConfigDirectory().
  explicit Registry(std::string config_dir);

  std::optional<std::string> ReadString(Hive hive, const std::string& key,
                                        const std::string& name) const;
  Status WriteString(Hive hive, const std::string& key, const std::string& name,
                     const std::string& value);
  Status DeleteValue(Hive hive, const std::string& key, const std::string& name);

  std::string HiveFile(Hive hive) const;

 private:
  using Values = std::map<std::string, std::map<std::string, std::string>>;  // key -> name -> value
  Values Load(Hive hive) const;
  Status Save(Hive hive, const Values& values);

  std::string dir_;
};

}  // namespace qm
