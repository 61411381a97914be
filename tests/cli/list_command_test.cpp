// `quillmor --list`, run as the real program on real store files.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/profile_listing.h"
#include "profiles/profile_store.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace qm::cli {
namespace {

using F = ProfileField;
using test::TempDir;

const std::string kHeader =
    "Enabled\tName\tSrcDir\tDestDir\tFileMask\tInclDirs\tCopyCriteria\tSyncMethod\tLastRun\t"
    "NextRun\tKeepCopyKind\tPSDone\tdoZIP\tzipMode\tRemoveDeleted\tUseStartTimeEndTime\t"
    "StartTime\tFinishTime\tInterval\n";

class ListCommand : public ::testing::Test {
 protected:
  test::Outcome Quillmor(std::vector<std::string> args,
                         std::vector<std::pair<std::string, std::optional<std::string>>> env = {}) {
    return test::RunQuillmor(dir_.path(), std::move(args), std::move(env));
  }

  std::string Store() const { return dir_ / "store/p.dat"; }

  // Writes `rows` as a store through the program's own saver.
  void WriteStore(const std::vector<ProfileRow>& rows) {
    dir_.MakeDir("store");
    ProfileTable table;
    for (const ProfileRow& r : rows) {
      ASSERT_TRUE(table.Append());
      ProfileRecord record;
      ProfileFromRow(r, record);
      ASSERT_TRUE(ProfileToRow(record, table).ok());
      ASSERT_TRUE(table.Post());
    }
    ASSERT_TRUE(SaveProfiles(Store(), table, PosixFileSystem()));
  }

  static ProfileRow Row(const std::string& name) {
    ProfileRow r;
    r.Enabled = true;
    r.Name = name;
    r.SrcDir = "/home/u/" + name;
    r.DestDir = "/backup/" + name;
    r.FileMask = "*.*";
    r.InclDirs = true;
    r.LastRun = 46000.5 + 1234.0 / 86400000.0;  // 2025-12-09 12:00:01.234
    r.NextRun = 0;
    r.zipMode = 9;
    r.StartTime = 8.0 / 24;
    r.FinishTime = 18.0 / 24 + 30.0 / 1440;
    r.Interval = 10.0 / 1440;
    return r;
  }

  TempDir dir_;
};

TEST_F(ListCommand, ListsEveryProfileAsOneTabSeparatedLine) {
  ProfileRow odd = Row("tab\there");
  odd.Name = "a\tb\\c\nd";
  odd.Enabled = false;
  odd.SyncMethod = 1;
  odd.KeepCopyKind = 0;
  odd.CopyCriteria = -3;
  odd.UseStartTimeEndTime = true;
  WriteStore({Row("docs"), odd});
  const std::string before = test::ReadWholeFile(Store());

  test::Outcome o = Quillmor({"--list", "--store", Store()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out,
            kHeader +
                "1\tdocs\t/home/u/docs\t/backup/docs\t*.*\t1\t0\t0\t2025-12-09 12:00:01.234\t"
                "1899-12-30 00:00:00.000\t0\t0\t0\t9\t0\t0\t08:00:00\t18:30:00\t00:10:00\n"
                "0\ta\\tb\\\\c\\nd\t/home/u/tab\\there\t/backup/tab\\there\t*.*\t1\t-3\t1\t"
                "2025-12-09 12:00:01.234\t1899-12-30 00:00:00.000\t0\t0\t0\t9\t0\t1\t08:00:00\t"
                "18:30:00\t00:10:00\n");
  // Listing never writes the store, nor anything beside it.
  EXPECT_EQ(test::ReadWholeFile(Store()), before);
  EXPECT_FALSE(dir_.Exists("store/.p.dat.qmtmp"));
  EXPECT_FALSE(dir_.Exists("store/p.dat.bak"));
}

TEST_F(ListCommand, AMissingStoreListsTheHeaderOnly) {
  test::Outcome o = Quillmor({"--list", "--store", dir_ / "none.dat"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kHeader);
  EXPECT_FALSE(dir_.Exists("none.dat"));

  // Without --store the store comes from the environment.
  WriteStore({Row("env")});
  test::Outcome e = Quillmor({"--list"}, {{"QUILLMOR_STORE", Store()}});
  EXPECT_EQ(e.status, 0);
  EXPECT_NE(e.out.find("\tenv\t"), std::string::npos);
}

TEST_F(ListCommand, AStoreThatCannotBeReadIsAnError) {
  dir_.MakeDir("store/p.dat");  // a directory where the store should be
  test::Outcome o = Quillmor({"--list", "--store", Store()});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("cannot read the profile store " + Store()), std::string::npos) << o.err;
}

TEST_F(ListCommand, ADamagedStoreListsWhatCameBeforeTheDamageAndFails) {
  WriteStore({Row("good"), Row("lost")});
  std::string bytes = test::ReadWholeFile(Store());
  bytes[ProfileRecord::kSize + ProfileRecord::kName] = '\0';  // second record: no name
  dir_.WriteFile("store/p.dat", bytes);
  test::Outcome o = Quillmor({"--list", "--store", Store()});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out.rfind(kHeader + "1\tgood\t", 0), 0u) << o.out;
  EXPECT_EQ(o.out.find("lost"), std::string::npos);
  EXPECT_NE(o.err.find("Some required fields are not filled:\nname"), std::string::npos);
  EXPECT_NE(o.err.find("record 2"), std::string::npos) << o.err;
  EXPECT_EQ(test::ReadWholeFile(Store()), bytes);
}

TEST_F(ListCommand, UnknownOptionsAndTheSimpleCommands) {
  test::Outcome bad = Quillmor({"--list", "--colour"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')), "quillmor: unknown option '--colour'");
  EXPECT_NE(bad.err.find("usage: quillmor"), std::string::npos);

  test::Outcome help = Quillmor({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: quillmor", 0), 0u);
  test::Outcome version = Quillmor({"--version"});
  EXPECT_EQ(version.out, "quillmor 0.1.0\n");
}

TEST(ListingLine, DurationsOfADayOrMoreKeepCountingHours) {
  ProfileRow r;
  r.Interval = 1.5;
  r.LastRun = -1.25;  // 1899-12-29 06:00
  const std::string line = ListingLine(r);
  EXPECT_NE(line.find("\t36:00:00"), std::string::npos) << line;
  EXPECT_NE(line.find("1899-12-29 06:00:00.000"), std::string::npos) << line;
  EXPECT_EQ(EscapeText("C:\\dir\r\n"), "C:\\\\dir\\r\\n");
}

}  // namespace
}  // namespace qm::cli
