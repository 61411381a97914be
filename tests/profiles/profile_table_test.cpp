// The table's row states, events, held-back notifications and sorting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "profile_fixture.h"

namespace qm {
namespace {

using F = ProfileField;
using test::DialogKind;
using test::WiredTable;

std::vector<std::string> Names(const ProfileTable& t) {
  std::vector<std::string> names;
  for (size_t i = 0; i < t.RecordCount(); ++i) names.push_back(t.Row(i).Name);
  return names;
}

TEST(ProfileTable, EmptyTableReadsNeverSetValues) {
  ProfileTable t;
  EXPECT_EQ(t.RecNo(), 0u);
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.AsBool(F::Enabled));
  EXPECT_EQ(t.AsText(F::Name), "");
  EXPECT_EQ(t.AsDateTime(F::Interval), 0.0);
  EXPECT_TRUE(t.First());
  EXPECT_TRUE(t.CheckBrowseMode());
  t.Delete();
  t.Cancel();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_THROW(t.AsBool(F::Name), std::logic_error);
  EXPECT_THROW(t.SetInt(F::Enabled, 1), std::logic_error);
  EXPECT_TRUE(t.IsEmpty());  // the wrong-type set added no row
}

TEST(ProfileTable, AppendRunsAfterInsertThenAfterScroll) {
  ProfileTable t;
  std::vector<std::string> events;
  t.AfterInsert.Connect([&] { events.push_back("insert " + std::to_string(t.RecNo())); });
  t.AfterScroll.Connect([&] { events.push_back("scroll"); });
  t.AfterPost.Connect([&] { events.push_back("post"); });
  ASSERT_TRUE(t.Append());
  EXPECT_EQ(t.state(), TableState::kInsert);
  EXPECT_TRUE(t.Modified());  // a new row always counts as changed
  ASSERT_TRUE(t.Post());
  EXPECT_EQ(events, (std::vector<std::string>{"insert 1", "scroll", "post"}));
  EXPECT_EQ(t.state(), TableState::kBrowse);
}

TEST(ProfileTable, SettingAFieldOnAnEmptyTableAddsARowWithDefaults) {
  WiredTable w;
  w.table.SetText(F::SrcDir, "/picked");
  EXPECT_EQ(w.table.state(), TableState::kInsert);
  EXPECT_EQ(w.table.RecordCount(), 1u);
  EXPECT_EQ(w.table.AsText(F::SrcDir), "/picked");
  EXPECT_EQ(w.table.AsText(F::FileMask), "*.*");
}

TEST(ProfileTable, SettingInBrowseStartsAnEditThatCancelRestores) {
  WiredTable w;
  w.Add("a");
  w.table.SetText(F::Name, "b");
  EXPECT_EQ(w.table.state(), TableState::kEdit);
  EXPECT_TRUE(w.table.Modified());
  w.table.Cancel();
  EXPECT_EQ(w.table.state(), TableState::kBrowse);
  EXPECT_EQ(w.table.AsText(F::Name), "a");
}

TEST(ProfileTable, RefusedPostKeepsTheRowAndBlocksTheMove) {
  WiredTable w;
  w.Add("a");
  w.Add("b");
  ASSERT_TRUE(w.table.First());
  w.table.SetText(F::Name, "");
  w.table.SetText(F::DestDir, "");
  EXPECT_FALSE(w.table.Next());
  EXPECT_FALSE(w.table.MoveTo(2));
  EXPECT_FALSE(w.table.CheckBrowseMode());
  EXPECT_FALSE(w.table.Append());
  EXPECT_EQ(w.table.RecNo(), 1u);
  EXPECT_EQ(w.table.RecordCount(), 2u);
  EXPECT_EQ(w.table.state(), TableState::kEdit);
  EXPECT_EQ(w.table.AsText(F::SrcDir), "/src");
  EXPECT_EQ(w.dialogs.Texts(DialogKind::kError),
            std::vector<std::string>(
                4, "Some required fields are not filled:\rname, destination directory"));
}

TEST(ProfileTable, AnUnchangedEditIsCancelledWithoutACheck) {
  WiredTable w;
  w.Add("a");
  w.Add("b");
  int checks = 0;
  w.table.BeforePost.Connect([&](bool&) { ++checks; });
  ASSERT_TRUE(w.table.Edit());
  w.table.SetText(F::Name, "b");  // the same value
  EXPECT_FALSE(w.table.Modified());
  ASSERT_TRUE(w.table.First());
  EXPECT_EQ(checks, 0);
  w.table.SetText(F::Name, "changed");
  ASSERT_TRUE(w.table.Last());
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"changed", "b"}));
}

TEST(ProfileTable, InsertGoesBeforeTheCurrentRowAndCancelReturns) {
  WiredTable w;
  w.Add("a");
  w.Add("b");
  w.Add("c");
  ASSERT_TRUE(w.table.MoveTo(2));
  ASSERT_TRUE(w.table.Insert());
  EXPECT_EQ(w.table.RecNo(), 2u);
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"a", "", "b", "c"}));
  w.table.Cancel();
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(w.table.AsText(F::Name), "b");

  ASSERT_TRUE(w.table.First());
  ASSERT_TRUE(w.table.Append());
  w.table.Delete();  // deleting a new row discards it
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(w.table.AsText(F::Name), "a");
}

TEST(ProfileTable, DeleteKeepsAValidCurrentRow) {
  WiredTable w;
  w.Add("a");
  w.Add("b");
  int scrolls = 0;
  w.table.AfterScroll.Connect([&] { ++scrolls; });
  w.table.SetText(F::Name, "edited");
  w.table.Delete();  // the last row, edited: both gone
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"a"}));
  EXPECT_EQ(w.table.RecNo(), 1u);
  EXPECT_EQ(w.table.state(), TableState::kBrowse);
  w.table.Delete();
  EXPECT_TRUE(w.table.IsEmpty());
  EXPECT_EQ(w.table.RecNo(), 0u);
  EXPECT_EQ(scrolls, 2);
}

TEST(ProfileTable, WalkingWithNextEndsAtEof) {
  WiredTable w;
  for (const char* n : {"a", "b", "c"}) w.Add(n);
  std::vector<std::string> seen;
  for (w.table.First(); !w.table.Eof(); w.table.Next()) seen.push_back(w.table.AsText(F::Name));
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(w.table.RecNo(), 3u);
  EXPECT_TRUE(w.table.Prior());
  EXPECT_FALSE(w.table.Eof());
  EXPECT_EQ(w.table.RecNo(), 2u);
}

TEST(ProfileTable, FieldChangedOnlyForRealChanges) {
  WiredTable w;
  w.Add("a");
  std::vector<F> changed;
  w.table.FieldChanged.Connect([&](F f) { changed.push_back(f); });
  w.table.SetInt(F::SyncMethod, kSyncOneWay);
  w.table.SetInt(F::SyncMethod, kSyncBothWays);
  w.table.SetBool(F::RemoveDeleted, false);
  w.table.SetBool(F::RemoveDeleted, true);
  EXPECT_EQ(changed, (std::vector<F>{F::SyncMethod, F::RemoveDeleted}));
}

TEST(ProfileTable, DateTimesAreKeptToTheMillisecondAndTimesWithoutDate) {
  ProfileTable t;
  const double ms = 1.0 / 86400000.0;
  ASSERT_TRUE(t.SetDateTime(F::LastRun, 46000.0 + 1234.4 * ms));
  EXPECT_EQ(t.AsDateTime(F::LastRun), RoundToMillisecond(46000.0 + 1234 * ms));
  ASSERT_TRUE(t.SetDateTime(F::StartTime, 45000.0 + 0.5));
  EXPECT_EQ(t.AsDateTime(F::StartTime), 0.5);
  ASSERT_TRUE(t.SetDateTime(F::Interval, 1.5));  // a duration keeps its whole days
  EXPECT_EQ(t.AsDateTime(F::Interval), 1.5);

  EXPECT_FALSE(t.SetDateTime(F::NextRun, std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(t.SetDateTime(F::NextRun, std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(t.SetDateTime(F::NextRun, 3e6));  // after 9999
  EXPECT_EQ(t.AsDateTime(F::NextRun), 0.0);
}

TEST(ProfileTable, HeldBackNotificationsNestAndCatchUpOnce) {
  WiredTable w;
  int data = 0, posts = 0;
  w.table.DataChanged.Connect([&] { ++data; });
  w.table.AfterPost.Connect([&] { ++posts; });
  w.table.DisableControls();
  w.table.DisableControls();
  w.Add("a");
  w.Add("b");
  w.table.EnableControls();
  EXPECT_EQ(data, 0);
  EXPECT_TRUE(w.table.ControlsDisabled());
  w.table.EnableControls();
  EXPECT_EQ(data, 1);
  EXPECT_EQ(posts, 2);       // the table's own handlers ran meanwhile
  w.table.EnableControls();  // unbalanced: ignored
  EXPECT_FALSE(w.table.ControlsDisabled());
  w.table.SetText(F::Name, "c");
  EXPECT_GT(data, 1);
}

TEST(ProfileTable, SortIsCaseSensitiveStableAndKeepsTheCurrentProfile) {
  WiredTable w;
  w.Add("b", "/1");
  w.Add("C", "/2");
  w.Add("a", "/3");
  w.Add("b", "/4");
  ASSERT_TRUE(w.table.MoveTo(3));  // "a"
  ASSERT_TRUE(w.table.SortBy(F::Name, true));
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"C", "a", "b", "b"}));
  EXPECT_EQ(w.table.Row(2).SrcDir, "/1");  // equal names keep their order
  EXPECT_EQ(w.table.AsText(F::SrcDir), "/3");
  EXPECT_EQ(w.table.RecNo(), 2u);
  ASSERT_TRUE(w.table.SortBy(F::Name, false));
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"b", "b", "a", "C"}));
  EXPECT_EQ(w.table.Row(0).SrcDir, "/1");
  EXPECT_EQ(w.table.AsText(F::SrcDir), "/3");

  w.table.SetBool(F::Enabled, false);
  ASSERT_TRUE(w.table.SortBy(F::Enabled, true));  // posts the edit, then sorts
  EXPECT_EQ(w.table.state(), TableState::kBrowse);
  EXPECT_EQ(w.table.RecNo(), 1u);
  EXPECT_EQ(w.table.AsText(F::SrcDir), "/3");
}

TEST(ProfileTable, SortWaitsForARefusedEdit) {
  WiredTable w;
  w.Add("b");
  w.Add("a");
  w.table.SetText(F::SrcDir, "");
  EXPECT_FALSE(w.table.SortBy(F::Name, true));
  EXPECT_EQ(Names(w.table), (std::vector<std::string>{"b", "a"}));
}

}  // namespace
}  // namespace qm
