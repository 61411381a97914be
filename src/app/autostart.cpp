#include "app/autostart.h"

#include "platform/shell.h"

namespace qm {

std::string RunValueData(const std::string& exe_path) {
  return exe_path + " /B";
}

Status SetAutostart(Registry& registry, FileSystem& fs, const std::string& exe_path, bool enabled) {
  const auto previous = registry.ReadString(Hive::kLocalMachine, kRunKey, kRunValueName);
  if (enabled) {
    if (Status s = WriteAutostartEntry(fs, exe_path); !s.ok()) return s;
    Status s =
        registry.WriteString(Hive::kLocalMachine, kRunKey, kRunValueName, RunValueData(exe_path));
    // Without the value the box would come back unchecked next time; take the entry back too.
    if (!s.ok() && !previous) (void)RemoveAutostartEntry(fs);
    return s;
  }
  if (Status s = RemoveAutostartEntry(fs); !s.ok()) return s;
  Status s = registry.DeleteValue(Hive::kLocalMachine, kRunKey, kRunValueName);
  // The value stays, so the session should go on starting the program as the box will say.
  if (!s.ok() && previous) (void)WriteAutostartEntry(fs, exe_path);
  return s;
}

}  // namespace qm
