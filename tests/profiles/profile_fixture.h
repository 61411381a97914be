// A profile table wired as the main window wires it: new rows get their defaults, every post
// is checked, and error boxes go to scripted dialogs.
#pragma once

#include <string>

#include "profiles/profile_store.h"
#include "support/scripted_dialogs.h"

namespace qm::test {

inline constexpr TDateTime kNow = 46000.5;  // 2025-12-09 12:00

struct WiredTable {
  ProfileTable table;
  ScriptedDialogs dialogs;

  WiredTable() {
    table.AfterInsert.Connect([this] { ApplyNewRowDefaults(table, kNow); });
    table.BeforePost.Connect([this](bool& accept) {
      if (accept) accept = CheckRowBeforePost(table, dialogs);
    });
  }

  // Appends and posts a complete one-way profile.
  void Add(const std::string& name, const std::string& src = "/src",
           const std::string& dest = "/dest") {
    table.Append();
    table.SetText(ProfileField::Name, name);
    table.SetText(ProfileField::SrcDir, src);
    table.SetText(ProfileField::DestDir, dest);
    table.Post();
  }
};

}  // namespace qm::test
