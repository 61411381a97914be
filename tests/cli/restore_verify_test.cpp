// `quillmor --restore` and `--verify`, run as the real program on real backups.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "profiles/profile_record.h"
#include "support/child_process.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/user_lock_files.h"

namespace qm::cli {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr long long kDay = 86400;
constexpr long long kFirst = 1717243200;  // 2024-06-01 12:00 UTC

long long MTimeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st.st_mtim.tv_sec;
}

// Flips one byte in the middle of `path`, its size and time kept.
void FlipMiddleByte(const std::string& path) {
  const long long time = MTimeOf(path);
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(0, std::ios::end);
  const auto middle = f.tellg() / 2;
  f.seekg(middle);
  char c = 0;
  f.get(c);
  f.seekp(middle);
  f.put(static_cast<char>(c ^ 0x5A));
  f.close();
  test::SetMTime(path, time);
}

// A byte string that Deflate cannot shrink much, so that its compressed bytes are many.
std::string Noise(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (char& c : s) {
    seed = seed * 1103515245 + 12345;
    c = static_cast<char>(seed >> 16);
  }
  return s;
}

class RestoreVerify : public ::testing::Test {
 protected:
  RestoreVerify() : src_(dir_.MakeDir("src")), dest_(dir_ / "dest") {}
  ~RestoreVerify() override {
    test::RemoveUserLockFiles({src_, dest_, dir_ / "to", dir_ / "to/here", dir_ / "store.dat/x"});
  }

  void UseProfile(int16_t keep, bool zip) {
    ProfileRecord p = test::BackupProfile("P", src_, dest_);
    p.SetKeepCopyKind(keep);
    p.SetdoZIP(zip);
    test::WriteStoreFile(dir_ / "store.dat", {p});
  }
  // Writes src/<rel> with `content` and time `when`.
  void Source(const std::string& rel, const std::string& content, long long when) {
    test::SetMTime(dir_.WriteFile("src/" + rel, content), when);
  }
  test::Outcome Quillmor(std::vector<std::string> args) {
    args.insert(args.end(), {"--store", dir_ / "store.dat"});
    return test::RunQuillmor(dir_.path(), std::move(args));
  }
  void Backup() { ASSERT_EQ(Quillmor({"--run", "P"}).status, 0); }

  TempDir dir_;
  std::string src_, dest_;
};

struct Kind {
  int16_t keep;
  bool zip;
};

class VersionsOf : public RestoreVerify, public ::testing::WithParamInterface<Kind> {};

TEST_P(VersionsOf, EachMomentGetsTheVersionCurrentThen) {
  UseProfile(GetParam().keep, GetParam().zip);
  for (int v = 1; v <= 3; ++v) {
    Source("docs/f.txt", "version " + std::to_string(v), kFirst + 2 * (v - 1) * kDay);
    ::chmod((src_ + "/docs/f.txt").c_str(), v == 1 ? 0600 : 0644);
    Backup();
  }
  fs::remove_all(src_ + "/docs");
  const std::string restored = src_ + "/docs/f.txt";
  struct Moment {
    std::vector<std::string> args;
    std::string content;
    long long time;
  };
  for (const Moment& m : {Moment{{"--as-of", "2024-06-02"}, "version 1", kFirst},
                          Moment{{"--as-of", "2024-06-04 23:00"}, "version 2", kFirst + 2 * kDay},
                          Moment{{}, "version 3", kFirst + 4 * kDay}}) {
    SCOPED_TRACE(m.content);
    std::vector<std::string> args = {"--restore", "P"};
    args.insert(args.end(), m.args.begin(), m.args.end());
    const test::Outcome o = Quillmor(args);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_THAT(o.out, HasSubstr("restored 1, kept 0, failed 0\n"));
    EXPECT_EQ(test::ReadWholeFile(restored), m.content);
    EXPECT_EQ(MTimeOf(restored), m.time);
    struct stat st {};
    ASSERT_EQ(stat(restored.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, m.content == "version 1" ? 0600u : 0644u);
    fs::remove(restored);
  }
  // Before the first backup there is nothing to bring back.
  const test::Outcome early = Quillmor({"--restore", "P", "--as-of", "2024-05-30"});
  EXPECT_EQ(early.status, 0);
  EXPECT_THAT(early.out, HasSubstr("restored 0, kept 0, failed 0"));
  EXPECT_FALSE(fs::exists(restored));
}

INSTANTIATE_TEST_SUITE_P(Kinds, VersionsOf,
                         ::testing::Values(Kind{kKeepSequence, false}, Kind{kKeepDateTime, false},
                                           Kind{kKeepSequence, true}),
                         [](const auto& info) {
                           return std::string(info.param.zip                     ? "Zip"
                                              : info.param.keep == kKeepSequence ? "Numbered"
                                                                                 : "Dated");
                         });

TEST_F(RestoreVerify, BringsBackWhatIsMissingAndKeepsWhatChangedUnlessTold) {
  UseProfile(kKeepNone, false);
  Source("gone.txt", "lost and found", kFirst);
  Source("sub/changed.txt", "as backed up", kFirst);
  ::symlink("gone.txt", (src_ + "/link").c_str());
  Backup();
  fs::remove(src_ + "/gone.txt");
  fs::remove(src_ + "/link");
  Source("sub/changed.txt", "edited since", kFirst + kDay);

  const test::Outcome dry = Quillmor({"--restore", "P", "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_THAT(dry.out, HasSubstr("restore " + dest_ + "/gone.txt -> " + src_ + "/gone.txt\n"));
  EXPECT_THAT(dry.out, HasSubstr("restored 2, kept 1, failed 0\ndry run"));
  EXPECT_FALSE(fs::exists(src_ + "/gone.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "Quillmor.log"));

  const test::Outcome plain = Quillmor({"--restore", "P", "-v"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_THAT(plain.out, HasSubstr("restored 2, kept 1, failed 0\nlog: "));
  EXPECT_THAT(plain.err, HasSubstr("changed.txt\" kept"));
  EXPECT_THAT(plain.err, HasSubstr("gone.txt\" restored to"));
  EXPECT_EQ(dir_.ReadFile("src/gone.txt"), "lost and found");
  EXPECT_EQ(fs::read_symlink(src_ + "/link"), "gone.txt");
  EXPECT_EQ(dir_.ReadFile("src/sub/changed.txt"), "edited since");

  // Equal files are left alone; the changed one goes only with --overwrite.
  const test::Outcome over = Quillmor({"--restore", "P", "--overwrite"});
  EXPECT_EQ(over.status, 0) << over.err;
  EXPECT_THAT(over.out, HasSubstr("restored 1, kept 0, failed 0"));
  EXPECT_EQ(dir_.ReadFile("src/sub/changed.txt"), "as backed up");
  EXPECT_EQ(MTimeOf(src_ + "/sub/changed.txt"), kFirst);
}

TEST_F(RestoreVerify, DamagedArchiveFailsAloneAndVerifyFindsIt) {
  UseProfile(kKeepNone, true);
  Source("good.bin", Noise(200000, 1), kFirst);
  Source("bad.bin", Noise(200000, 2), kFirst);
  Backup();
  FlipMiddleByte(dest_ + "/bad.bin.zip");

  const test::Outcome restore = Quillmor({"--restore", "P", "--to", dir_ / "to/here"});
  EXPECT_EQ(restore.status, 1);
  EXPECT_THAT(restore.err, HasSubstr(dest_ + "/bad.bin.zip"));
  EXPECT_THAT(restore.out, HasSubstr("restored 1, kept 0, failed 1"));
  EXPECT_EQ(dir_.ReadFile("to/here/good.bin"), Noise(200000, 1));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_ / "to/here"))
    left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"good.bin"});  // no temporary, no half file

  const test::Outcome verify = Quillmor({"--verify", "P"});
  EXPECT_EQ(verify.status, 1);
  EXPECT_THAT(verify.out, HasSubstr("damaged " + dest_ + "/bad.bin.zip\n"));
  EXPECT_THAT(verify.out, HasSubstr("verified 1, differs 0, damaged 1, missing 0, outdated 0"));
}

TEST_F(RestoreVerify, VerifyFindsAFlippedByteAndTellsMissingAndOutdated) {
  UseProfile(kKeepNone, false);
  Source("same.txt", "unchanged", kFirst);
  Source("rot.bin", Noise(3 << 20, 3), kFirst);
  Source("newer.txt", "old", kFirst);
  // Enough files that they are compared in several groups.
  const int bulk = 1100;
  for (int i = 0; i < bulk; ++i) Source("bulk/f" + std::to_string(i), std::to_string(i), kFirst);
  Backup();
  Source("newer.txt", "new", kFirst + kDay);
  Source("fresh.txt", "never backed up", kFirst);

  const test::Outcome info = Quillmor({"--verify", "P"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("missing " + src_ + "/fresh.txt\n"));
  EXPECT_THAT(info.out, HasSubstr("outdated " + src_ + "/newer.txt\n"));
  EXPECT_THAT(info.out, HasSubstr("verified " + std::to_string(bulk + 2) +
                                  ", differs 0, damaged 0, missing 1, outdated 1"));

  FlipMiddleByte(dest_ + "/rot.bin");
  FlipMiddleByte(dest_ + "/bulk/f1000");
  const test::Outcome bad = Quillmor({"--verify", "P", "-q"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_THAT(bad.out, HasSubstr("differs " + src_ + "/rot.bin\n"));
  EXPECT_THAT(bad.out, HasSubstr("differs " + src_ + "/bulk/f1000\n"));
  EXPECT_EQ(std::count(bad.out.begin(), bad.out.end(), '\n'), 2);
}

TEST_F(RestoreVerify, ABackupThatCannotBeListedIsAFailureNotMissingFiles) {
  UseProfile(kKeepNone, false);
  Source("a.txt", "a", kFirst);
  const test::Outcome verify = Quillmor({"--verify", "P"});
  EXPECT_EQ(verify.status, 1);
  EXPECT_THAT(verify.out, Not(HasSubstr("missing /")));
  EXPECT_THAT(verify.err, HasSubstr(dest_));
  const test::Outcome restore = Quillmor({"--restore", "P", "--to", dir_ / "to"});
  EXPECT_EQ(restore.status, 1);
  EXPECT_THAT(restore.out, HasSubstr("restored 0, kept 0, failed 1"));
  // A target that cannot be created fails too, and is no usage error.
  Backup();
  const test::Outcome blocked = Quillmor({"--restore", "P", "--to", dir_ / "store.dat/x"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_THAT(blocked.err, HasSubstr("store.dat/x"));

  EXPECT_EQ(Quillmor({"--restore", "P", "--as-of", "yesterday"}).status, 2);
  EXPECT_EQ(Quillmor({"--restore", "P", "--as-of", "2024-02-30"}).status, 2);
  EXPECT_EQ(Quillmor({"--restore", "Nobody"}).status, 2);
  EXPECT_EQ(Quillmor({"--verify", "P", "--overwrite"}).status, 2);
}

}  // namespace
}  // namespace qm::cli
