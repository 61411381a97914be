// The main window's controller as the tests build it, and a fixture that runs it on a virtual
// clock over the fault-injecting file system, scripted dialogs, a fake window and a store in a
// temporary directory, with the small verbs of the window's life.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_controller.h"
#include "profiles/profile_store.h"
#include "support/fake_window.h"
#include "support/fault_file_system.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {

// FormCreate on the given services; the runs lock their folders in `lock_dir` rather than in
// the user's home.
inline std::unique_ptr<MainWindowController> MakeController(
    FileSystem& fs, Clock& clock, ui::MessageLoop& loop, ui::Dialogs& dialogs,
    const std::string& store, FormWindow& window, const std::string& lock_dir,
    std::vector<std::string> args = {}) {
  auto form = std::make_unique<MainWindowController>(fs, clock, loop, dialogs, RegionalFormats{},
                                                     store, std::move(args), window);
  form->state.LockDirectory = lock_dir;
  return form;
}

// Appends an enabled profile that takes every file from `src` to `dest`; the caller posts it.
inline bool AppendProfile(ProfileTable& table, const std::string& name, const std::string& src,
                          const std::string& dest) {
  if (!table.Append()) return false;
  table.SetBool(ProfileField::Enabled, true);
  table.SetText(ProfileField::Name, name);
  table.SetText(ProfileField::SrcDir, src);
  table.SetText(ProfileField::DestDir, dest);
  table.SetText(ProfileField::FileMask, "*.*");
  return true;
}

// Writes the rows `fill` adds to `store` through the program's own saver.
inline void WriteProfileStore(const std::string& store,
                              const std::function<void(ProfileTable&)>& fill) {
  std::filesystem::create_directories(std::filesystem::path(store).parent_path());
  ProfileTable table;
  fill(table);
  ASSERT_TRUE(SaveProfiles(store, table, PosixFileSystem()));
}

// A store of one profile a name, from dir/src-<name> to dir/dest-<name>.
inline void WriteProfileStore(const std::string& store, const TempDir& dir,
                              const std::vector<std::string>& names, bool enabled = true) {
  WriteProfileStore(store, [&](ProfileTable& table) {
    for (const auto& name : names) {
      ASSERT_TRUE(AppendProfile(table, name, dir / ("src-" + name), dir / ("dest-" + name)));
      table.SetBool(ProfileField::Enabled, enabled);
      ASSERT_TRUE(table.Post());
    }
  });
}

// The names of the profiles in `store`, in its order.
inline std::vector<std::string> StoredNames(const std::string& store) {
  ProfileTable table;
  LoadProfiles(store, table, PosixFileSystem());
  std::vector<std::string> names;
  for (size_t row = 0; row < table.RecordCount(); ++row) names.push_back(table.Row(row).Name);
  return names;
}

template <class Dialogs = ScriptedDialogs>
class ControllerFixture : public ::testing::Test {
 protected:
  ControllerFixture() {
    // Options, autostart entries, data files and background locks of the test stay in its
    // own directory.
    env.UseDirectoriesBelow(dir.path());
  }
  ~ControllerFixture() override { form.reset(); }

  void WriteStore(const std::vector<std::string>& names) { WriteProfileStore(store, dir, names); }

  // FormCreate, the window not yet shown.
  void Create(std::vector<std::string> args = {}) {
    form = MakeController(fs, loop, loop, dialogs, store, window, dir / "locks", std::move(args));
    window.form = form.get();
  }
  // FormCreate and the window shown, as the program start does.
  void Start(std::vector<std::string> args = {}) {
    Create(std::move(args));
    window.ShowWindow();
  }
  // A store of `names`, the program started on it and the one-time step passed.
  void Open(const std::vector<std::string>& names, std::vector<std::string> args = {}) {
    WriteStore(names);
    Start(std::move(args));
    PassOneTimeStep();
  }
  // The one-time step falls due a moment after the window was shown.
  void PassOneTimeStep() { loop.RunFor(form->after_show_timer.Interval()); }

  TempDir dir;
  std::string store = dir / "data/Quillmor.dat";
  ScopedEnv env;
  ui::VirtualMessageLoop loop;
  Dialogs dialogs;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  FakeWindow window;
  std::unique_ptr<MainWindowController> form;
};

using FormTest = ControllerFixture<>;

}  // namespace qm::test
