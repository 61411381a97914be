// The whole program core in one test: a MainWindowController on a virtual clock over the
// fault-injecting file system, with a store, a log directory and options of its own in a temporary
// directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_controller.h"
#include "fault_harness.h"
#include "support/fake_window.h"
#include "support/fault_file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {

// Says Yes to closing the program and No to everything else.
class ClosingDialogs : public AnsweringDialogs {
 public:
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return text == kCloseQuestion;
  }
};

class FormHarness : public ::testing::Test {
 protected:
  FormHarness() {
    // Options, autostart entries and data files of the test stay in its own directory.
    env.UseDirectoriesBelow(tmp.path());
    store = tmp / "Quillmor.dat";
  }
  ~FormHarness() override { form.reset(); }

  // FormCreate (which loads the store), the window shown, the one-time step passed.
  void Start() {
    form = std::make_unique<MainWindowController>(fs, loop, loop, dialogs, RegionalFormats{}, store,
                                                  std::vector<std::string>{}, window);
    // Runs lock their folders here rather than in the user's home.
    form->State.LockDirectory = tmp / "locks";
    window.form = form.get();
    window.ShowWindow();
    loop.RunFor(100);
  }
  // The confirmed close: saves the store. False when the window refused to close.
  bool Close() {
    const bool closed = form->Close();
    form.reset();
    return closed;
  }

  TempDir tmp;
  ScopedEnv env;
  std::string store;
  ui::VirtualMessageLoop loop;
  ClosingDialogs dialogs;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  FakeWindow window;
  std::unique_ptr<MainWindowController> form;
};

}  // namespace qm::test
