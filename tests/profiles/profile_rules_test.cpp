// The new-row defaults and the check before every post.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile_fixture.h"

namespace qm {
namespace {

using F = ProfileField;
using test::DialogKind;
using test::WiredTable;

TEST(ProfileRules, ANewRowGetsTheDefaults) {
  WiredTable w;
  ASSERT_TRUE(w.table.Append());
  const ProfileRow& r = w.table.Current();
  EXPECT_TRUE(r.Enabled);
  EXPECT_TRUE(r.InclDirs);
  EXPECT_EQ(r.FileMask, "*.*");
  EXPECT_EQ(r.SyncMethod, kSyncOneWay);
  EXPECT_EQ(r.KeepCopyKind, kKeepNone);
  EXPECT_EQ(r.LastRun, test::kNow);
  EXPECT_EQ(r.NextRun, test::kNow);
  EXPECT_TRUE(r.doZIP);
  EXPECT_EQ(r.zipMode, 9);
  EXPECT_FALSE(r.RemoveDeleted);
  EXPECT_EQ(r.Interval, EncodeTime(0, 10, 0));
  EXPECT_FALSE(r.UseStartTimeEndTime);
  EXPECT_EQ(r.StartTime, EncodeTime(8, 0, 0));
  EXPECT_EQ(r.FinishTime, EncodeTime(18, 0, 0));
  EXPECT_EQ(r.Name + r.SrcDir + r.DestDir, "");
}

TEST(ProfileRules, TheMissingFieldsAreListedInOrderWithoutTheLastComma) {
  struct Case {
    const char* name;
    const char* src;
    const char* dest;
    const char* list;
  };
  for (const Case& c : {Case{"", "", "", "name, source directory, destination directory"},
                        Case{"", "/s", "/d", "name"}, Case{"n", "/s", "", "destination directory"},
                        Case{"n", "", "/d", "source directory"}}) {
    ProfileRow row;
    row.Name = c.name;
    row.SrcDir = c.src;
    row.DestDir = c.dest;
    EXPECT_EQ(MissingFieldsMessage(row),
              std::string("Some required fields are not filled:\r") + c.list);
  }
  ProfileRow blanks;
  blanks.Name = " ";  // a blank is a value
  blanks.SrcDir = " ";
  blanks.DestDir = " ";
  EXPECT_EQ(MissingFieldsMessage(blanks), "");
}

TEST(ProfileRules, AProfileAddedAndPostedAtOnceIsRefusedWithOneBox) {
  WiredTable w;
  ASSERT_TRUE(w.table.Append());
  EXPECT_FALSE(w.table.Post());
  EXPECT_EQ(w.table.state(), TableState::kInsert);
  EXPECT_EQ(w.dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\r"
                                     "name, source directory, destination directory"});
  w.table.SetText(F::Name, " ");
  w.table.SetText(F::SrcDir, "/s");
  w.table.SetText(F::DestDir, "/d");
  EXPECT_TRUE(w.table.Post());
  EXPECT_EQ(w.dialogs.shown().size(), 1u);
}

TEST(ProfileRules, BothDirectionsIsPostedWithoutPackingDeletionOrKeptCopies) {
  WiredTable w;
  w.Add("p");
  w.table.SetInt(F::KeepCopyKind, kKeepDateTime);
  w.table.SetBool(F::RemoveDeleted, true);
  w.table.SetInt(F::SyncMethod, kSyncBothWays);
  // Nothing changes before the post: the editing rules are the window's.
  EXPECT_TRUE(w.table.AsBool(F::doZIP));
  ASSERT_TRUE(w.table.Post());
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
  EXPECT_FALSE(w.table.AsBool(F::RemoveDeleted));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepNone);

  w.table.SetInt(F::SyncMethod, kSyncOneWay);
  w.table.SetInt(F::KeepCopyKind, kKeepDateTime);
  ASSERT_TRUE(w.table.Post());
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepDateTime);  // one-way keeps its choice
}

}  // namespace
}  // namespace qm
