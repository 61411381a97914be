// The editing rules of the options and the destination write test.
#include <gtest/gtest.h>

#include "profile_fixture.h"
#include "profiles/editing_rules.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using F = ProfileField;
using test::WiredTable;

TEST(EditingRules, BothDirectionsClearsPackingAndKeptCopiesWhileEditing) {
  WiredTable w;
  w.Add("p");
  w.table.SetInt(F::KeepCopyKind, kKeepDateTime);  // doZIP is on by default
  w.table.SetInt(F::SyncMethod, kSyncBothWays);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, 1));
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepNone);
  // Back to one way: the controls come back, the values stay cleared.
  w.table.SetInt(F::SyncMethod, kSyncOneWay);
  EXPECT_TRUE(ApplyCopyMethodRule(w.table, 0));
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepNone);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, std::nullopt));  // nothing shown: disabled
}

TEST(EditingRules, StoredValuesComeInUnchangedWhileControlsAreHeldBack) {
  WiredTable w;
  w.table.DisableControls();
  w.table.Append();
  w.table.SetInt(F::KeepCopyKind, kKeepDateTime);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, std::nullopt));
  EXPECT_FALSE(ApplyDeletionRule(w.table, false, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepDateTime);
  EXPECT_TRUE(w.table.AsBool(F::doZIP));
  w.table.EnableControls();
}

TEST(EditingRules, InBrowseTheRulesOnlyEnableAndDisable) {
  WiredTable w;
  w.Add("one");
  w.table.SetInt(F::KeepCopyKind, kKeepDateTime);
  w.table.SetBool(F::doZIP, true);
  ASSERT_TRUE(w.table.Post());
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, 1));
  EXPECT_FALSE(ApplyDeletionRule(w.table, false, false));
  EXPECT_EQ(w.table.state(), TableState::kBrowse);
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepDateTime);
  EXPECT_TRUE(w.table.AsBool(F::doZIP));
}

TEST(EditingRules, DeletionAndKeptCopiesExcludeEachOther) {
  WiredTable w;
  w.Add("p");
  w.table.SetInt(F::KeepCopyKind, kKeepSequence);
  EXPECT_TRUE(ApplyDeletionRule(w.table, true, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepSequence);
  w.table.SetBool(F::RemoveDeleted, true);
  EXPECT_FALSE(ApplyDeletionRule(w.table, true, true));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepNone);
  w.table.SetBool(F::RemoveDeleted, false);
  EXPECT_TRUE(ApplyDeletionRule(w.table, true, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepNone);
}

TEST(CanWriteToDirectory, LeavesNoTestFileAndReplacesAStaleOne) {
  test::TempDir dir;
  EXPECT_TRUE(CanWriteToDirectory(dir.path(), PosixFileSystem()));
  EXPECT_TRUE(CanWriteToDirectory(dir.path() + "/", PosixFileSystem()));
  EXPECT_FALSE(dir.Exists(kWriteTestFileName));
  dir.WriteFile(kWriteTestFileName, "stale");
  EXPECT_TRUE(CanWriteToDirectory(dir.path(), PosixFileSystem()));
  EXPECT_FALSE(dir.Exists(kWriteTestFileName));
  EXPECT_FALSE(CanWriteToDirectory(dir / "missing", PosixFileSystem()));
}

TEST(CanWriteToDirectory, ARefusedCreateOrCloseMeansNotWritable) {
  test::TempDir dir;
  for (FsOp op : {FsOp::kCreate, FsOp::kClose}) {
    FaultInjectingFileSystem fs(PosixFileSystem());
    fs.Fail(op, ErrorKind::kReadOnly);
    EXPECT_FALSE(CanWriteToDirectory(dir.path(), fs));
    EXPECT_FALSE(dir.Exists(kWriteTestFileName));
  }
}

}  // namespace
}  // namespace qm
