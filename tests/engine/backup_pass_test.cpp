// The backup pass on real files: copy decisions by DOS time, kept-copy names, marks for the
// removal pass, and packing into one archive per file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include "engine/backup_pass.h"
#include "engine/kept_copy_names.h"
#include "engine_loop_fixture.h"
#include "platform/date_time.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class BackupPassTest : public EngineTest {
 protected:
  RunSnapshot& RunPass(const ProfileRecord& p) {
    RunSnapshot& item = RunBackupOnly(p);
    EXPECT_EQ(backup_outcome, PassOutcome::kCompleted);
    return item;
  }
  std::vector<std::string> DestNames() {
    std::vector<std::string> names;
    Result<std::vector<DirEntry>> list = PosixFileSystem().ListDirectory(dest);
    for (const auto& e : list.value()) names.push_back(e.name);
    return names;
  }
  DosDateTime DosTimeOf(const std::string& path) {
    return PosixFileSystem().Stat(path).value().time;
  }
  std::vector<std::string> Marked(RunSnapshot& item) {
    std::vector<std::string> out;
    for (size_t i = 0; i < item.DestFiles.Count(); ++i)
      if (item.DestFiles.Object(i).Matched) out.push_back(item.DestFiles.Object(i).Name);
    return out;
  }
};

TEST_F(BackupPassTest, CopiesByDosTimeOnly) {
  Write("same.txt", "new", kNoon);
  Write("older.txt", "new", kNoon);
  Write("newer.txt", "new", kNoon);
  Write("fresh.txt", "new", kNoon);
  WriteDest("same.txt", "old", kNoon + 1);  // same two-second slot
  WriteDest("older.txt", "old", kDayBefore);
  WriteDest("newer.txt", "old", kNoon + 86400);

  RunSnapshot& item = RunPass(Profile("P"));
  EXPECT_EQ(tmp.ReadFile("dest/same.txt"), "old");
  EXPECT_EQ(tmp.ReadFile("dest/older.txt"), "new");
  EXPECT_EQ(tmp.ReadFile("dest/newer.txt"), "old");
  EXPECT_EQ(tmp.ReadFile("dest/fresh.txt"), "new");
  EXPECT_EQ(DosTimeOf(Dest("older.txt")), DosTimeOf(Src("older.txt")));
  // Up to date: 2 each (the file and its counterpart); copied: 1 each.
  EXPECT_EQ(item.FilesDone, 2 + 2 + 1 + 1);
  EXPECT_THAT(host.Transferred(),
              UnorderedElementsAre("copied " + Src("older.txt") + " -> " + Dest("older.txt"),
                                   "copied " + Src("fresh.txt") + " -> " + Dest("fresh.txt")));
  EXPECT_THAT(host.Lines({"up to date"}), UnorderedElementsAre("up to date " + Src("same.txt"),
                                                               "up to date " + Src("newer.txt")));
  EXPECT_THAT(host.Lines({"status", "pass"}), ElementsAre("status Backing up...", "pass backup P"));
  EXPECT_FALSE(host.Event("copied").sync);
}

TEST_F(BackupPassTest, DatesAfter2043CompareUnsigned) {
  const long long y2050 = 2524651200;  // 2050-01-01 12:00 UTC: bit 31 of its DOS time is set
  const long long y2040 = 2209032000;  // 2040-01-01 12:00 UTC
  Write("future.txt", "new", y2050);
  Write("also.txt", "new", y2050);
  WriteDest("future.txt", "old", y2040);
  WriteDest("also.txt", "kept", y2050);
  ASSERT_GT(DosTimeOf(Src("future.txt")), 0x80000000u);

  RunPass(Profile("P"));
  EXPECT_EQ(tmp.ReadFile("dest/future.txt"), "new");
  EXPECT_EQ(tmp.ReadFile("dest/also.txt"), "kept");
}

TEST_F(BackupPassTest, SubdirectoryIsRecreatedBelowTheDestination) {
  Write("docs/deep/a.txt", "a", kNoon);
  RunPass(Profile("P"));
  EXPECT_EQ(tmp.ReadFile("dest/docs/deep/a.txt"), "a");
}

TEST_F(BackupPassTest, SequenceNumberIsOneMoreThanTheLargestInTheDestination) {
  Write("a.txt", "a2", kNoon);
  Write("docs/c.txt", "c", kNoon);
  WriteDest("a.txt.1", "a1", kDayBefore);
  WriteDest("b.txt.4", "b", kNoon);
  RunSnapshot& item = RunPass(Profile("P", kKeepSequence));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.5"), "a2");
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.1"), "a1");
  EXPECT_EQ(tmp.ReadFile("dest/docs/c.txt.5"), "c");
  EXPECT_THAT(Marked(item), ElementsAre("a.txt.1"));
}

TEST_F(BackupPassTest, EveryKeptCopyOfAnExistingFileIsMarked) {
  Write("a.txt", "a", kNoon);
  WriteDest("a.txt.1", "1", kDayBefore);
  WriteDest("a.txt.2", "2", kNoon);
  WriteDest("a.txt.3", "3", kDayBefore);
  WriteDest("gone.txt.1", "g", kNoon);
  RunSnapshot& item = RunPass(Profile("P", kKeepSequence));
  // Whatever order the listing gave, the search stops at a.txt.2, yet all three are kept.
  EXPECT_THAT(Marked(item), UnorderedElementsAre("a.txt.1", "a.txt.2", "a.txt.3"));
  EXPECT_THAT(host.Transferred(), IsEmpty());
}

TEST_F(BackupPassTest, ModeOneAfterModeZeroCopiesBesideThePlainCopy) {
  Write("report.doc", "r", kNoon);
  WriteDest("report.doc", "plain", kNoon);
  RunPass(Profile("P", kKeepSequence));
  EXPECT_EQ(tmp.ReadFile("dest/report.doc.1"), "r");
  EXPECT_EQ(tmp.ReadFile("dest/report.doc"), "plain");
}

TEST_F(BackupPassTest, DateTimeSuffixNamesTheCopy) {
  Write("a.txt", "a", kNoon);
  formats.short_date = "dd.mm.yyyy";
  formats.long_time = "h:nn:ss";
  RunPass(Profile("P", kKeepDateTime));
  // The virtual clock starts at 2025-12-09 12:00 and has moved a few milliseconds.
  EXPECT_THAT(DestNames(), ElementsAre("a.txt.09-12-2025_12-00-00"));
  // The suffix reduces away again: the next run finds the copy up to date.
  host.events.clear();
  RunPass(Profile("P", kKeepDateTime));
  EXPECT_THAT(host.Transferred(), IsEmpty());
  EXPECT_EQ(host.Count("up to date"), 1);
}

class ZipPassTest : public BackupPassTest {
 protected:
  // The names of the entries of an archive, read back with libzip.
  std::vector<std::string> Entries(const std::string& archive) {
    int err = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    EXPECT_NE(z, nullptr) << archive;
    std::vector<std::string> names;
    if (!z) return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i)
      names.push_back(zip_get_name(z, i, 0));
    zip_close(z);
    return names;
  }
};

TEST_F(ZipPassTest, EachFileBecomesItsOwnArchiveWithTheSourceTime) {
  Write("report.doc", "report body", kNoon);
  Write("sub/notes.txt", "notes", kNoon);
  RunPass(Profile("P", kKeepNone, true));
  EXPECT_THAT(Entries(Dest("report.doc.zip")), ElementsAre("report.doc"));
  EXPECT_THAT(Entries(Dest("sub/notes.txt.zip")), ElementsAre("notes.txt"));
  EXPECT_EQ(DosTimeOf(Dest("report.doc.zip")), DosTimeOf(Src("report.doc")));
  EXPECT_THAT(
      host.Transferred(),
      UnorderedElementsAre("packed " + Src("report.doc") + " -> " + Dest("report.doc.zip"),
                           "packed " + Src("sub/notes.txt") + " -> " + Dest("sub/notes.txt.zip")));

  host.events.clear();
  RunPass(Profile("P", kKeepNone, true));
  EXPECT_THAT(host.Transferred(), IsEmpty()) << "unchanged files are not packed again";
}

TEST_F(ZipPassTest, PlainCopiesDoNotPairAndAChangedFileGetsTheNextNumber) {
  Write("a.txt", "v2", kNoon);
  WriteDest("a.txt", "plain", kNoon);
  WriteDest("a.txt.1.zip", "stale archive", kDayBefore);
  RunSnapshot& item = RunPass(Profile("P", kKeepSequence, true));
  EXPECT_THAT(Entries(Dest("a.txt.2.zip")), ElementsAre("a.txt"));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.1.zip"), "stale archive");
  EXPECT_THAT(Marked(item), ElementsAre("a.txt.1.zip"));
}

TEST_F(ZipPassTest, ArchiveThatCannotBeWrittenIsAFailedPack) {
  Write("sub/a.txt", "a", kNoon);
  Write("b.txt", "b", kNoon);
  WriteDest("sub", "a file where the directory should be", kDayBefore);
  RunPass(Profile("P", kKeepNone, true));
  EXPECT_THAT(host.Failures(),
              ElementsAre("failed pack " + Src("sub/a.txt") + " -> " + Dest("sub/a.txt.zip")));
  EXPECT_THAT(host.Transferred(),
              ElementsAre("packed " + Src("b.txt") + " -> " + Dest("b.txt.zip")))
      << "the next file is packed";
  EXPECT_THAT(Entries(Dest("b.txt.zip")), ElementsAre("b.txt"));
}

}  // namespace
}  // namespace qm::test
