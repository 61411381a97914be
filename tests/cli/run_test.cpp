// `quillmor --run` and `--run-all`, run as the real program on real trees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cli/run_command.h"
#include "profiles/log_kind.h"
#include "profiles/profile_record.h"
#include "support/child_process.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/user_lock_files.h"

namespace qm::cli {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

// What identifies a file's version on disk: a rewrite, even with the same bytes and time,
// changes the inode or the change time.
struct FileStamp {
  ino_t ino;
  long long mtime_ns, ctime_ns;
  bool operator==(const FileStamp&) const = default;
};

class RunCommand : public ::testing::Test {
 protected:
  RunCommand() {
    src_ = dir_.MakeDir("src");
    dest_ = dir_.MakeDir("dest");
    dir_.WriteFile("src/a.txt", "alpha");
    dir_.WriteFile("src/docs/b.txt", "beta");
    dir_.WriteFile("src/docs/deep/c.bin", std::string(100000, 'c'));
    test::SetMTime(dir_ / "src/a.txt", 1717243200);
  }
  ~RunCommand() override { test::RemoveUserLockFiles({src_, dest_, dir_ / "blocker"}); }

  ProfileRecord Profile(const std::string& name, int16_t keep = 0) {
    ProfileRecord p = test::BackupProfile(name, src_, dest_);
    p.SetKeepCopyKind(keep);
    return p;
  }
  void WriteStore(const std::vector<ProfileRecord>& profiles) {
    test::WriteStoreFile(dir_ / "store.dat", profiles);
  }

  test::Outcome Quillmor(std::vector<std::string> args) {
    args.insert(args.end(), {"--store", dir_ / "store.dat"});
    return test::RunQuillmor(dir_.path(), std::move(args));
  }

  // What a real run prints: the counts, then where the log went.
  std::string Summary(const std::string& counts) {
    return counts + "\nlog: " + (dir_ / "Quillmor.log") + "\n";
  }

  std::map<std::string, FileStamp> DestStamps() {
    std::map<std::string, FileStamp> stamps;
    for (const char* rel : {"a.txt", "docs/b.txt", "docs/deep/c.bin"}) {
      struct stat st {};
      EXPECT_EQ(stat((dest_ + "/" + rel).c_str(), &st), 0) << rel;
      stamps[rel] = {st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                     st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
    }
    return stamps;
  }

  TempDir dir_;
  std::string src_, dest_;
};

TEST_F(RunCommand, SecondRunCopiesNothingAndLeavesTheDestinationUntouched) {
  WriteStore({Profile("Docs")});
  test::Outcome first = Quillmor({"--run", "Docs"});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, Summary("copied 3, packed 0, deleted 0, failed 0"));
  EXPECT_EQ(dir_.ReadFile("dest/docs/deep/c.bin"), std::string(100000, 'c'));
  const auto before = DestStamps();

  test::Outcome second = Quillmor({"--run", "Docs"});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, Summary("copied 0, packed 0, deleted 0, failed 0"));
  EXPECT_EQ(second.err, "");
  EXPECT_TRUE(DestStamps() == before);
}

TEST_F(RunCommand, KeptCopiesGetTheNextSequenceNumber) {
  WriteStore({Profile("Kept", 1)});
  EXPECT_EQ(Quillmor({"--run-all"}).out, Summary("copied 3, packed 0, deleted 0, failed 0"));
  dir_.WriteFile("src/a.txt", "alpha 2");
  test::SetMTime(dir_ / "src/a.txt", 1717243200 + 3600);
  EXPECT_EQ(Quillmor({"--run", "Kept"}).out, Summary("copied 1, packed 0, deleted 0, failed 0"));
  EXPECT_EQ(dir_.ReadFile("dest/a.txt.1"), "alpha");
  EXPECT_EQ(dir_.ReadFile("dest/a.txt.2"), "alpha 2");
  EXPECT_EQ(dir_.ReadFile("dest/docs/b.txt.1"), "beta");
  EXPECT_FALSE(dir_.Exists("dest/a.txt"));
}

TEST_F(RunCommand, UnknownNameRunsNothing) {
  WriteStore({Profile("Docs")});
  test::Outcome o = Quillmor({"--run", "Docs", "Nope"});
  EXPECT_EQ(o.status, 2);
  EXPECT_THAT(o.err, HasSubstr("no profile named \"Nope\""));
  EXPECT_EQ(o.out, "");
  EXPECT_FALSE(dir_.Exists("dest/a.txt"));
}

TEST_F(RunCommand, ErrorRecordMeansStatusOneAndReachesTheLog) {
  ProfileRecord p = Profile("Broken");
  dir_.WriteFile("blocker", "a file, not a directory");
  p.SetDestDir(dir_ / "blocker");
  ProfileRecord ok = Profile("Fine");
  WriteStore({p, ok});
  test::Outcome o = Quillmor({"--run", "Broken", "Fine"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, Summary("copied 3, packed 0, deleted 0, failed 3"));
  EXPECT_EQ(o.err, "") << "no questions, no boxes";
  // Errors are logged by default; the log lies beside the store.
  EXPECT_THAT(dir_.ReadFile("Quillmor.log"),
              HasSubstr("Error: Can not copy file \"" + src_ + "/a.txt\" to \"" + dir_.path() +
                        "/blocker/a.txt\""));
}

TEST_F(RunCommand, MissingUnreadableAndDamagedStoresAreErrorsAndRunNothing) {
  test::Outcome missing_all = Quillmor({"--run-all"});
  EXPECT_EQ(missing_all.status, 1);
  EXPECT_EQ(missing_all.out, "");
  EXPECT_EQ(missing_all.err,
            "quillmor: the profile store " + (dir_ / "store.dat") + " does not exist\n");
  // The store is the problem, not the name.
  test::Outcome missing_named = Quillmor({"--run", "Docs"});
  EXPECT_EQ(missing_named.status, 1);
  EXPECT_EQ(missing_named.err, missing_all.err);

  dir_.MakeDir("store.dat");
  test::Outcome unreadable = Quillmor({"--run-all"});
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_THAT(unreadable.err,
              HasSubstr("quillmor: cannot read the profile store " + (dir_ / "store.dat")));
  std::filesystem::remove(dir_ / "store.dat");

  // A record the table refuses after a good one: the good one must not run alone.
  ProfileRecord bad = Profile("Bad");
  bad.SetNextRun(-800000.0);
  WriteStore({Profile("Docs"), bad});
  test::Outcome damaged = Quillmor({"--run-all"});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_EQ(damaged.out, "");
  EXPECT_THAT(damaged.err,
              HasSubstr("quillmor: the profile store " + (dir_ / "store.dat") + " is damaged"));
  EXPECT_THAT(damaged.err, HasSubstr("(1 profiles read before it); nothing was run"));
  EXPECT_FALSE(dir_.Exists("dest/a.txt"));
  EXPECT_EQ(Quillmor({"--run", "Docs"}).status, 1);
  EXPECT_FALSE(dir_.Exists("dest/a.txt"));
}

TEST_F(RunCommand, TrailingPartOfARecordIsNotDamage) {
  WriteStore({Profile("Docs")});
  {
    std::ofstream f(dir_ / "store.dat", std::ios::binary | std::ios::app);
    f << std::string(100, 'x');
  }
  test::Outcome o = Quillmor({"--run-all"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, Summary("copied 3, packed 0, deleted 0, failed 0"));
}

TEST_F(RunCommand, RunAllTakesTheEnabledProfilesAndANamedDisabledOneRuns) {
  ProfileRecord off = Profile("Off");
  off.SetEnabled(false);
  WriteStore({off});
  EXPECT_EQ(Quillmor({"--run-all"}).out, Summary("copied 0, packed 0, deleted 0, failed 0"));
  EXPECT_FALSE(dir_.Exists("dest/a.txt"));
  EXPECT_EQ(Quillmor({"--run", "Off"}).out, Summary("copied 3, packed 0, deleted 0, failed 0"));
  EXPECT_TRUE(dir_.Exists("dest/a.txt"));
}

TEST_F(RunCommand, QuietPrintsNothingAndVerboseEchoesEveryRecord) {
  WriteStore({Profile("Docs")});
  test::Outcome quiet = Quillmor({"--run", "Docs", "-q"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "");

  dir_.WriteFile("src/new.txt", "new");
  test::Outcome verbose = Quillmor({"--run", "Docs", "--verbose"});
  EXPECT_EQ(verbose.status, 0);
  // Whatever the log options: by default neither info nor success records reach the file.
  EXPECT_THAT(verbose.err, HasSubstr("Info: Started profile \"Docs\""));
  EXPECT_THAT(verbose.err, HasSubstr("Success: File \"" + src_ + "/new.txt\" copied to \"" + dest_ +
                                     "/new.txt\"\n"));
  EXPECT_THAT(verbose.err, HasSubstr("Info: Finished profile \"Docs\""));
  EXPECT_FALSE(dir_.Exists("Quillmor.log"));
}

TEST(RunTallyTest, CountsEachKindOfEventAndEveryFailureOnce) {
  RunTally t;
  t.Count({FileAction::kCopied, FileAction::kCopied, "/s/a", "/d/a", 1});
  t.Count({FileAction::kCopiedBack, FileAction::kCopiedBack, "/d/b", "/s/b", 1});
  t.Count({FileAction::kPacked, FileAction::kPacked, "/s/c", "/d/c.zip", 1});
  t.Count({FileAction::kDeleted, FileAction::kDeleted, "/d/x", "", 0});
  // An error record of its own (a folder that cannot be read) is a failure.
  t.CountRecord(LogKind::kError);
  // A failed file's error record, which comes before its event, and the event are one more.
  t.CountRecord(LogKind::kError);
  t.Count({FileAction::kFailed, FileAction::kDeleted, "/d/y", "", 0});
  t.CountRecord(LogKind::kInfo);
  // So is a failure without a record (a log that could not be written).
  t.CountFailure();
  EXPECT_EQ(t.Summary(), "copied 2, packed 1, deleted 1, failed 3");
}

}  // namespace
}  // namespace qm::cli
