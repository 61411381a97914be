// A wizard on a virtual clock, scripted dialogs, a fake window, a fake machine of volumes and
// choices stored in memory, with small verbs for walking its pages.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"
#include "wizard/add_profile_wizard.h"

namespace qm::test {

class FakeDisks : public DiskSource {
 public:
  std::vector<Volume> volumes;
  std::string home = "/home/ann";
  std::set<std::string> not_creatable;

  std::vector<Volume> Volumes() override { return volumes; }
  std::string HomeDirectory() override { return home; }
  std::string MountPointOf(const std::string& path) override {
    return ContainingMountPoint(volumes, path);
  }
  bool CanCreate(const std::string& dir) override { return !not_creatable.count(dir); }
};

// Choices kept in memory under their value names, as a store would keep them.
class MemoryChoices : public RememberedChoices {
 public:
  std::map<std::string, std::string> values;

  void Restore(const std::vector<ChoiceProperty>& properties) override {
    for (const ChoiceProperty& p : properties) {
      const auto it = values.find(p.name);
      if (it != values.end()) p.set(it->second);
    }
  }
  void Save(const std::vector<ChoiceProperty>& properties) override {
    for (const ChoiceProperty& p : properties) values[p.name] = p.get();
  }
};

class FakeWizardWindow : public WizardWindow {
 public:
  Point cursor{0, 0};
  Point src_dir_corner{500, 300};
  std::vector<Point> moves;
  std::vector<std::string> focused;
  int closes = 0;

  Point CursorPos() override { return cursor; }
  void SetCursorPos(Point p) override {
    cursor = p;
    moves.push_back(p);
  }
  Point SrcDirBottomRight() override { return src_dir_corner; }
  void Focus(const ui::Control& control) override { focused.push_back(control.name()); }
  void CloseWindow() override { ++closes; }
};

inline constexpr int64_t kGb = 1024LL * 1048576;

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    disks.volumes = {
        {"/", "/dev/sda1", "ext4", VolumeKind::kLocal, 5 * kGb, 40 * kGb},
        {"/data", "/dev/sda2", "xfs", VolumeKind::kLocal, 20 * kGb, 100 * kGb},
        {"/media/ann/STICK", "/dev/sdb1", "vfat", VolumeKind::kRemovable, kGb, 2 * kGb},
        {"/net", "nas:/export", "nfs4", VolumeKind::kNetwork, 30 * kGb, 60 * kGb},
    };
  }
  ~WizardTest() override { form.reset(); }

  void Open() {
    window = FakeWizardWindow();
    form = std::make_unique<AddProfileWizard>(table, loop, dialogs, PosixFileSystem(), disks,
                                              choices, remembered_filter);
    form->SetWindow(&window);
    form->Show();
  }
  std::string Source() const { return dir / "My Documents"; }
  // Types a source path and lets the half-second timer fire.
  void TypeSource(const std::string& path) {
    form->source_folder_edit.SetTextByUser(path);
    loop.RunFor(500);
  }
  // From the welcome page to `page` with an existing source and, past the destination page,
  // a destination in the temporary directory.
  void WalkTo(int page) {
    dir.MakeDir("My Documents");
    while (form->PageIndex() < page) {
      if (form->PageIndex() == 1 && form->source_folder_edit.Text().empty()) TypeSource(Source());
      if (form->PageIndex() == 3) form->destination_folder_edit.SetTextByUser(dir / "backup");
      if (form->PageIndex() == 5) {
        form->continue_button.Click();
      } else {
        form->next_button.Click();
      }
    }
  }
  std::vector<std::string> VisibleTabs() const {
    std::vector<std::string> tabs;
    for (const ui::TabSheet* page : form->page_control.Pages())
      if (page->TabVisible()) tabs.push_back(page->Caption());
    return tabs;
  }

  TempDir dir;
  ui::VirtualMessageLoop loop;
  ScriptedDialogs dialogs;
  FakeDisks disks;
  MemoryChoices choices;
  std::string remembered_filter = "*.*";
  ProfileTable table;
  FakeWizardWindow window;
  std::unique_ptr<AddProfileWizard> form;
};

}  // namespace qm::test
