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
  w.table.SetInt(F::KeepCopyKind, 2);  // doZIP is on by default
  w.table.SetInt(F::SyncMethod, 1);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, 1));
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 0);
  // Back to one way: the controls come back, the values stay cleared.
  w.table.SetInt(F::SyncMethod, 0);
  EXPECT_TRUE(ApplyCopyMethodRule(w.table, 0));
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 0);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, std::nullopt));  // nothing shown: disabled
}

TEST(EditingRules, StoredValuesComeInUnchangedWhileControlsAreHeldBack) {
  WiredTable w;
  w.table.DisableControls();
  w.table.Append();
  w.table.SetInt(F::KeepCopyKind, 2);
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, std::nullopt));
  EXPECT_FALSE(ApplyDeletionRule(w.table, false, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 2);
  EXPECT_TRUE(w.table.AsBool(F::doZIP));
  w.table.EnableControls();
}

TEST(EditingRules, InBrowseTheRulesOnlyEnableAndDisable) {
  WiredTable w;
  w.Add("one");
  w.table.SetInt(F::KeepCopyKind, 2);
  w.table.SetBool(F::doZIP, true);
  ASSERT_TRUE(w.table.Post());
  EXPECT_FALSE(ApplyCopyMethodRule(w.table, 1));
  EXPECT_FALSE(ApplyDeletionRule(w.table, false, false));
  EXPECT_EQ(w.table.State(), TableState::kBrowse);
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 2);
  EXPECT_TRUE(w.table.AsBool(F::doZIP));
}

TEST(EditingRules, DeletionAndKeptCopiesExcludeEachOther) {
  WiredTable w;
  w.Add("p");
  w.table.SetInt(F::KeepCopyKind, 1);
  EXPECT_TRUE(ApplyDeletionRule(w.table, true, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 1);
  w.table.SetBool(F::RemoveDeleted, true);
  EXPECT_FALSE(ApplyDeletionRule(w.table, true, true));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 0);
  w.table.SetBool(F::RemoveDeleted, false);
  EXPECT_TRUE(ApplyDeletionRule(w.table, true, false));
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), 0);
}

TEST(CanWriteToDirectory, LeavesNoTestFileAndReplacesAStaleOne) {
  test::TempDir dir;
  EXPECT_TRUE(CanWriteToDirectory(dir.path()));
  EXPECT_TRUE(CanWriteToDirectory(dir.path() + "/"));
  EXPECT_FALSE(dir.Exists(kWriteTestFileName));
  dir.WriteFile(kWriteTestFileName, "stale");
  EXPECT_TRUE(CanWriteToDirectory(dir.path()));
  EXPECT_FALSE(dir.Exists(kWriteTestFileName));
  EXPECT_FALSE(CanWriteToDirectory(dir / "missing"));
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
