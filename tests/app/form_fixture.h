// A MainWindowController on a virtual clock, scripted dialogs, a fake window and a store in a
// temporary directory, with small verbs for the scenarios of the main window's life.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
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

class FormTest : public ::testing::Test {
 protected:
  FormTest() : fs(PosixFileSystem()) {
    // Options, autostart entries, data files and background locks of the test stay in its
    // own directory.
    env.UseDirectoriesBelow(dir.path());
  }
  ~FormTest() override { form.reset(); }

  std::string StorePath() const { return dir / "data/Quillmor.dat"; }

  // Writes a store holding profiles of the given names.
  void WriteStore(const std::vector<std::string>& names) {
    dir.MakeDir("data");
    ProfileTable table;
    for (const auto& name : names) {
      ASSERT_TRUE(table.Append());
      table.SetBool(ProfileField::Enabled, true);
      table.SetText(ProfileField::Name, name);
      table.SetText(ProfileField::SrcDir, dir / ("src-" + name));
      table.SetText(ProfileField::DestDir, dir / ("dest-" + name));
      table.SetText(ProfileField::FileMask, "*.*");
      ASSERT_TRUE(table.Post());
    }
    ASSERT_TRUE(SaveProfiles(StorePath(), table, PosixFileSystem()));
  }

  // Creates the form (FormCreate) and shows its window, as the program start does.
  void Start(std::vector<std::string> args = {}) {
    form = std::make_unique<MainWindowController>(fs, loop, loop, dialogs, RegionalFormats{},
                                                  StorePath(), std::move(args), window);
    // Runs lock their folders here rather than in the user's home.
    form->State.LockDirectory = dir / "locks";
    window.form = form.get();
    window.ShowWindow();
  }

  // The one-time step falls due 100 ms after the form was created.
  void PassOneTimeStep() { loop.RunFor(100); }

  TempDir dir;
  ScopedEnv env;
  ui::VirtualMessageLoop loop;
  ScriptedDialogs dialogs;
  FaultInjectingFileSystem fs;
  FakeWindow window;
  std::unique_ptr<MainWindowController> form;
};

}  // namespace qm::test
