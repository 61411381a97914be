// Loading and saving the store file: record counts, round trips, damaged stores, and saves that
// must never leave the old store emptied or cut short.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "profile_fixture.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using F = ProfileField;
using test::DialogKind;
using test::TempDir;
using test::WiredTable;

std::string RecordBytes(const std::string& name, bool enabled = true) {
  ProfileRecord r;
  r.SetEnabled(enabled);
  r.SetName(name);
  r.SetSrcDir("/src/" + name);
  r.SetDestDir("/dest/" + name);
  r.SetFileMask("*.*");
  r.SetInterval(EncodeTime(0, 10, 0));
  r.SetStartTime(EncodeTime(8, 0, 0));
  r.SetFinishTime(EncodeTime(18, 0, 0));
  r.SetLastRun(46000.123);
  r.SetNextRun(46000.5);
  r.SetzipMode(9);
  return std::string(reinterpret_cast<const char*>(r.bytes().data()), r.bytes().size());
}

ProfileRecord RecordAt(const std::string& file, size_t n) {
  ProfileRecord r;
  std::copy_n(reinterpret_cast<const std::byte*>(file.data()) + n * ProfileRecord::kSize,
              ProfileRecord::kSize, r.bytes().begin());
  return r;
}

std::vector<std::string> Names(const ProfileTable& t) {
  std::vector<std::string> names;
  for (size_t i = 0; i < t.RecordCount(); ++i) names.push_back(t.Row(i).Name);
  return names;
}

class StoreTest : public ::testing::Test {
 protected:
  std::string Store() const { return dir_ / "Quillmor.dat"; }
  void WriteStore(const std::string& bytes) { dir_.WriteFile("Quillmor.dat", bytes); }
  std::string ReadStore() const { return dir_.ReadFile("Quillmor.dat"); }
  LoadResult Load(FileSystem& fs = PosixFileSystem()) {
    return LoadProfiles(Store(), w_.table, fs);
  }
  bool Save() { return SaveProfiles(Store(), w_.table, PosixFileSystem()); }

  TempDir dir_;
  WiredTable w_;
};

TEST_F(StoreTest, WholeRecordsLoadAndATrailingPartIsIgnored) {
  const std::string two = RecordBytes("one") + RecordBytes("two");
  ASSERT_EQ(two.size(), 3364u);
  struct Case {
    std::string bytes;
    size_t rows;
  };
  for (const Case& c : {Case{two, 2}, Case{two + std::string(36, 'x'), 2},
                        Case{std::string(1000, 'x'), 0}, Case{"", 0}}) {
    WiredTable w;
    WriteStore(c.bytes);
    LoadResult r = LoadProfiles(Store(), w.table, PosixFileSystem());
    EXPECT_TRUE(r.ok && r.complete && r.existed) << c.bytes.size();
    EXPECT_FALSE(r.NeedsBackup());
    EXPECT_EQ(r.rows_loaded, c.rows);
    EXPECT_EQ(w.table.RecordCount(), c.rows);
    EXPECT_EQ(w.table.state(), TableState::kBrowse);
  }
}

TEST_F(StoreTest, AMissingStoreIsAnEmptyTableAndAnEmptyFileOnSave) {
  LoadResult r = Load();
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.existed);
  EXPECT_FALSE(r.NeedsBackup());
  EXPECT_TRUE(w_.table.IsEmpty());
  ASSERT_TRUE(Save());
  EXPECT_EQ(ReadStore(), "");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Quillmor.dat"});
}

TEST_F(StoreTest, LoadThenSaveGivesBackTheSameBytesInOrder) {
  ProfileRecord keep;
  keep.SetName("keep");
  keep.SetSrcDir("/s");
  keep.SetDestDir("/d");
  keep.SetKeepCopyKind(kKeepDateTime);  // one-way, no deletion: stays
  keep.SetUseStartTimeEndTime(true);
  const std::string original =
      RecordBytes("b", false) + RecordBytes("a") +
      std::string(reinterpret_cast<const char*>(keep.bytes().data()), ProfileRecord::kSize);
  WriteStore(original);
  ASSERT_TRUE(Load().complete);
  ASSERT_TRUE(Save());
  EXPECT_EQ(ReadStore(), original);

  ASSERT_TRUE(w_.table.SortBy(F::Name, true));
  ASSERT_TRUE(Save());
  const std::string sorted = ReadStore();
  ASSERT_EQ(sorted.size(), 5046u);
  EXPECT_EQ(RecordAt(sorted, 0).Name(), "a");
  EXPECT_EQ(RecordAt(sorted, 1).Name(), "b");
  EXPECT_EQ(RecordAt(sorted, 2).Name(), "keep");
  EXPECT_EQ(RecordAt(sorted, 2).KeepCopyKind(), kKeepDateTime);
  EXPECT_EQ(static_cast<int>(RecordAt(sorted, 1).bytes()[0]), 0);
  for (size_t n = 0; n < 3; ++n)
    for (size_t i = ProfileRecord::kReserved; i < ProfileRecord::kSize; ++i)
      ASSERT_EQ(sorted[n * ProfileRecord::kSize + i], '\0');
}

TEST_F(StoreTest, ABothDirectionsProfileComesBackWithoutPackingDeletionOrKeptCopies) {
  ProfileRecord r = RecordAt(RecordBytes("sync"), 0);
  r.SetSyncMethod(kSyncBothWays);
  r.SetdoZIP(true);
  r.SetRemoveDeleted(true);
  r.SetKeepCopyKind(kKeepSequence);
  WriteStore(std::string(reinterpret_cast<const char*>(r.bytes().data()), ProfileRecord::kSize));
  ASSERT_TRUE(Load().complete);
  EXPECT_FALSE(w_.table.AsBool(F::doZIP));
  EXPECT_FALSE(w_.table.AsBool(F::RemoveDeleted));
  EXPECT_EQ(w_.table.AsInt(F::KeepCopyKind), kKeepNone);
}

TEST_F(StoreTest, ARefusedRecordStopsLoadingAndKeepsTheRowsBefore) {
  WriteStore(RecordBytes("one") + RecordBytes("") + RecordBytes("three"));
  LoadResult r = Load();
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.complete);
  EXPECT_TRUE(r.NeedsBackup());
  EXPECT_EQ(r.rows_loaded, 1u);
  EXPECT_EQ(Names(w_.table), std::vector<std::string>{"one"});
  EXPECT_EQ(w_.table.state(), TableState::kBrowse);  // the refused row is not left half-made
  EXPECT_EQ(w_.dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\rname"});
}

TEST_F(StoreTest, ADateTheTableCannotHoldStopsLoading) {
  ProfileRecord bad = RecordAt(RecordBytes("bad"), 0);
  bad.SetNextRun(-800000.0);
  WriteStore(RecordBytes("one") +
             std::string(reinterpret_cast<const char*>(bad.bytes().data()), ProfileRecord::kSize));
  LoadResult r = Load();
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.NeedsBackup());
  EXPECT_NE(r.error.find("record 2"), std::string::npos) << r.error;
  EXPECT_EQ(Names(w_.table), std::vector<std::string>{"one"});
}

TEST_F(StoreTest, AReadFailurePartWayKeepsWhatWasRead) {
  WriteStore(RecordBytes("one") + RecordBytes("two") + RecordBytes("three"));
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.FailReadsAfter(ProfileRecord::kSize + 100);
  LoadResult r = Load(fs);
  EXPECT_TRUE(r.ok);  // a failed read only stops the reading
  EXPECT_FALSE(r.complete);
  EXPECT_TRUE(r.NeedsBackup());
  EXPECT_EQ(Names(w_.table), std::vector<std::string>{"one"});
}

TEST_F(StoreTest, AStoreThatCannotBeOpenedLeavesTheTableEmptyButIsKeptAtTheNextSave) {
  const std::string original = RecordBytes("precious");
  WriteStore(original);
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.Fail(FsOp::kOpenRead, ErrorKind::kAccessDenied);
  LoadResult r = Load(fs);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.existed);
  EXPECT_FALSE(r.opened);
  EXPECT_TRUE(w_.table.IsEmpty());
  ASSERT_TRUE(r.NeedsBackup());

  w_.Add("new");
  ASSERT_TRUE(SaveProfiles(Store(), w_.table, fs, r.NeedsBackup()));
  EXPECT_EQ(dir_.ReadFile("Quillmor.dat.bak"), original);
  EXPECT_EQ(RecordAt(ReadStore(), 0).Name(), "new");
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"Quillmor.dat", "Quillmor.dat.bak"}));
}

TEST_F(StoreTest, TheBackupReplacesAnOlderOneAndIsOnlyMadeWhenAsked) {
  dir_.WriteFile("Quillmor.dat.bak", "older backup");
  WriteStore(RecordBytes("one"));
  w_.Add("x");
  ASSERT_TRUE(Save());
  EXPECT_EQ(dir_.ReadFile("Quillmor.dat.bak"), "older backup");
  const std::string before = ReadStore();
  ASSERT_TRUE(SaveProfiles(Store(), w_.table, PosixFileSystem(), true));
  EXPECT_EQ(dir_.ReadFile("Quillmor.dat.bak"), before);
}

// A save that fails at any step leaves the old store as it was and no temporary beside it.
struct SaveFault {
  const char* name;
  FsOp op;
  std::string path_part;
};

class FailedSave : public StoreTest, public ::testing::WithParamInterface<SaveFault> {};

TEST_P(FailedSave, LeavesTheOldStoreAndNoTemporary) {
  const std::string original = RecordBytes("one") + RecordBytes("two");
  WriteStore(original);
  ASSERT_TRUE(Load().complete);
  w_.Add("three");
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.Fail(GetParam().op, ErrorKind::kNoSpace, GetParam().path_part);
  EXPECT_FALSE(SaveProfiles(Store(), w_.table, fs, true));
  EXPECT_EQ(ReadStore(), original);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Quillmor.dat"});
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailedSave,
    ::testing::Values(SaveFault{"Create", FsOp::kCreate, ""}, SaveFault{"Write", FsOp::kWrite, ""},
                      SaveFault{"Sync", FsOp::kSync, ""}, SaveFault{"Close", FsOp::kClose, ""},
                      SaveFault{"Backup", FsOp::kRename, ".bak"},
                      SaveFault{"Replace", FsOp::kRename, ".Quillmor.dat.qmtmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreTest, ADiskThatFillsUpPartWayLeavesTheOldStore) {
  const std::string original = RecordBytes("one");
  WriteStore(original);
  for (const char* n : {"a", "b", "c"}) w_.Add(n);
  FaultInjectingFileSystem fs(PosixFileSystem());
  fs.FailWritesAfter(2000);
  EXPECT_FALSE(SaveProfiles(Store(), w_.table, fs));
  EXPECT_EQ(ReadStore(), original);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Quillmor.dat"});
}

TEST_F(StoreTest, AReadOnlyStoreIsNotReplaced) {
  const std::string original = RecordBytes("one");
  WriteStore(original);
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(Store(), true).ok());
  w_.Add("two");
  EXPECT_FALSE(Save());
  EXPECT_EQ(ReadStore(), original);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Quillmor.dat"});
  ASSERT_TRUE(PosixFileSystem().SetReadOnly(Store(), false).ok());
}

TEST_F(StoreTest, ARefusedCurrentRowStopsTheSaveBeforeTheStoreIsTouched) {
  const std::string original = RecordBytes("one");
  WriteStore(original);
  ASSERT_TRUE(Load().complete);
  ASSERT_TRUE(w_.table.Append());  // a new profile without a name
  EXPECT_FALSE(Save());
  EXPECT_EQ(w_.dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Some required fields are not filled:\r"
                                     "name, source directory, destination directory"});
  EXPECT_EQ(ReadStore(), original);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Quillmor.dat"});
}

TEST_F(StoreTest, BoundControlsHearOnceAfterLoadingAndSaving) {
  WriteStore(RecordBytes("one") + RecordBytes("two"));
  int data = 0, posts = 0;
  w_.table.DataChanged.Connect([&] { ++data; });
  w_.table.AfterPost.Connect([&] { ++posts; });
  ASSERT_TRUE(Load().complete);
  EXPECT_EQ(data, 1);
  EXPECT_EQ(posts, 2);
  ASSERT_TRUE(Save());
  EXPECT_EQ(data, 2);
  EXPECT_FALSE(w_.table.ControlsDisabled());
}

}  // namespace
}  // namespace qm
