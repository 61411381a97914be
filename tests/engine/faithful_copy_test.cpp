// Copies as a Linux user takes them: modes, owners, exact times of files and folders, and
// symbolic links as links, on real trees.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "engine/copier.h"
#include "engine/removal_pass.h"
#include "engine/sync_passes.h"
#include "engine_loop_fixture.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void SetTimeNs(const std::string& path, long long sec, long nsec) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {sec, nsec}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// What `rsync -rlptgoDn --itemize-changes` finds different between the trees ("" when nothing),
// or "no rsync".
std::string RsyncDifferences(const std::string& from, const std::string& to) {
  if (::system("command -v rsync >/dev/null 2>&1") != 0) return "no rsync";
  const std::string command =
      "rsync -rlptgoDn --itemize-changes '" + from + "/' '" + to + "/' 2>&1";
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  char buffer[512];
  while (p != nullptr && std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
  if (p != nullptr) ::pclose(p);
  return out;
}

class FaithfulCopyTest : public EngineTest {
 protected:
  void Link(const std::string& target, const std::string& rel) {
    ASSERT_EQ(::symlink(target.c_str(), Src(rel).c_str()), 0);
  }
  // A tree with a private file and folder, a script, links of every kind and odd times.
  void MakeTree() {
    SetTimeNs(Write("priv/key", "secret", kNoon), kNoon + 1, 123456789);
    ASSERT_EQ(::chmod(Src("priv/key").c_str(), 0600), 0);
    SetTimeNs(Write("bin/run.sh", "#!/bin/sh\n", kNoon), kNoon + 3, 5);
    ASSERT_EQ(::chmod(Src("bin/run.sh").c_str(), 0755), 0);
    Write("bin/deep/ro.txt", "r", kDayBefore);
    ASSERT_EQ(::chmod(Src("bin/deep/ro.txt").c_str(), 0444), 0);
    Link("../bin/run.sh", "priv/to-file");
    Link("bin", "to-folder");
    Link("nowhere", "dangling");
    SetTimeNs(Src("to-folder"), kDayBefore + 7, 700);
    ASSERT_EQ(::chmod(Src("priv").c_str(), 0700), 0);
    for (const char* dir : {"priv", "bin/deep", "bin"}) SetTimeNs(Src(dir), kDayBefore + 1, 99);
  }
};

TEST_F(FaithfulCopyTest, BackupOfAMadeTreeIsWhatRsyncCallsEqualAndStaysUpToDate) {
  MakeTree();
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Failures(), IsEmpty());
  EXPECT_EQ(host.Count("copied"), 6);
  const std::string differences = RsyncDifferences(src, dest);
  if (differences == "no rsync") GTEST_SKIP() << "rsync is not installed";
  EXPECT_EQ(differences, "");
  EXPECT_EQ(ModeOf(Dest("priv/key")), 0600u);

  host.events.clear();
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Transferred(), IsEmpty());
  EXPECT_EQ(RsyncDifferences(src, dest), "");
}

TEST_F(FaithfulCopyTest, BackupOfTheSystemHeadersIsWhatRsyncCallsEqual) {
  if (!IsDirectory(PosixFileSystem(), "/usr/include")) GTEST_SKIP() << "no /usr/include here";
  src = "/usr/include";
  StartSelected(Profile("P"));
  const std::string differences = RsyncDifferences(src, dest);
  if (differences == "no rsync") GTEST_SKIP() << "rsync is not installed";
  // Empty folders aside: only files are listed, so a folder without any is not made.
  std::string other;
  std::istringstream lines(differences);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("cd+++++++++", 0) != 0) other += line + "\n";
  }
  EXPECT_EQ(other, "");
}

TEST_F(FaithfulCopyTest, LinksAreComparedByTheirTextAndNeverFollowed) {
  Link("old", "l");
  Write("d/f", "f", kNoon);
  StartSelected(Profile("P"));
  // A new text with an older time is copied all the same; a copy that is a link to a folder is
  // replaced by the file of that name, nothing is written into the folder it points at.
  ASSERT_EQ(::unlink(Src("l").c_str()), 0);
  Link("new", "l");
  SetTimeNs(Src("l"), kDayBefore, 0);
  ASSERT_EQ(::symlink(tmp.path().c_str(), Dest("x").c_str()), 0);
  Write("x", "file now", kNoon);
  host.events.clear();
  StartSelected(Profile("P"));
  EXPECT_THAT(host.Transferred(),
              ::testing::UnorderedElementsAre("copied " + Src("l") + " -> " + Dest("l"),
                                              "copied " + Src("x") + " -> " + Dest("x")));
  char text[16] = {};
  ASSERT_EQ(::readlink(Dest("l").c_str(), text, sizeof text), 3);
  EXPECT_STREQ(text, "new");
  EXPECT_EQ(tmp.ReadFile("dest/x"), "file now");
  EXPECT_FALSE(tmp.Exists("x"));
}

TEST_F(FaithfulCopyTest, TwoWaySyncCarriesLinksBothWays) {
  Link("there", "a");
  (void)::mkdir(dest.c_str(), 0755);
  ASSERT_EQ(::symlink("back", Dest("b").c_str()), 0);
  ProfileRecord p = Profile("P");
  p.SetSyncMethod(kSyncBothWays);
  StartSelected(p);
  EXPECT_THAT(host.Failures(), IsEmpty());
  char text[16] = {};
  ASSERT_EQ(::readlink(Dest("a").c_str(), text, sizeof text), 5);
  ASSERT_EQ(::readlink(Src("b").c_str(), text, sizeof text), 4);
  EXPECT_EQ(std::string(text, 4), "back");
  host.events.clear();
  StartSelected(p);
  EXPECT_THAT(host.Transferred(), IsEmpty());
}

TEST_F(FaithfulCopyTest, PrivateFilesStayPrivateInZipModeAndReadOnlyCopiesAreRemoved) {
  MakeTree();
  ProfileRecord p = Profile("P", kKeepNone, /*zip=*/true);
  p.SetRemoveDeleted(true);
  StartSelected(p);
  EXPECT_THAT(host.Failures(), IsEmpty());
  EXPECT_EQ(ModeOf(Dest("priv/key.zip")), 0600u);
  EXPECT_EQ(ModeOf(Dest("priv")), 0700u);
  EXPECT_EQ(ModeOf(Dest("bin/deep/ro.txt.zip")), 0444u);
  // Its source gone, a read-only archive is removed at the next run, not refused.
  ASSERT_EQ(::unlink(Src("bin/deep/ro.txt").c_str()), 0);
  host.events.clear();
  StartSelected(p);
  EXPECT_THAT(host.Lines({"deleted", "failed"}),
              ElementsAre("deleted " + Dest("bin/deep/ro.txt.zip")));
}

// A volume that keeps no modes: every chmod and chown is refused.
class NoModesFs : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  Result<std::unique_ptr<WritableFile>> CreateTemporary(const std::string& path) override {
    Result<std::unique_ptr<WritableFile>> made = inner().CreateTemporary(path);
    if (!made.ok()) return made;
    return std::unique_ptr<WritableFile>(std::make_unique<Refusing>(std::move(made.value())));
  }
  MetaApplied ApplyMeta(const std::string& path, const FileMeta& meta, uint32_t parts) override {
    (void)ForwardingFileSystem::ApplyMeta(path, meta, parts & kMetaTime);
    return MetaApplied::kModesRefused;
  }

 private:
  struct Refusing : ForwardingWritableFile {
    using ForwardingWritableFile::ForwardingWritableFile;
    MetaApplied ApplyMeta(const FileMeta& meta, uint32_t parts) override {
      (void)inner().ApplyMeta(meta, parts & kMetaTime);
      return MetaApplied::kModesRefused;
    }
  };
};

TEST_F(FaithfulCopyTest, AVolumeWithoutModesIsToldOnceAndItsCopiesStand) {
  MakeTree();
  NoModesFs no_modes{PosixFileSystem()};
  state.Running = true;
  state.Mode = RunMode::kSelected;
  EngineContext ctx = Ctx(no_modes);
  RunSelectedProfiles(ctx, std::vector{Profile("P")},
                      [&](const ProfileRecord& p) { QueueProfile(ctx, p); });
  EXPECT_THAT(host.Failures(), IsEmpty());
  EXPECT_EQ(host.Count("copied"), 6);
  EXPECT_EQ(host.Count("modes not kept"), 1);
  EXPECT_EQ(tmp.ReadFile("dest/priv/key"), "secret");
}

// A pinned volume that is found gone at the first group's commit.
class LostVolumeFs : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  Status CheckPinned() override {
    lost_ = "/mnt/gone";
    return Error{ErrorKind::kNotFound, "Drive not ready: /mnt/gone"};
  }
  const std::string& LostVolume() const override { return lost_; }

 private:
  std::string lost_;
};

TEST_F(FaithfulCopyTest, AVolumeLostMidRunFailsItsGroupAndEveryLaterCopy) {
  const int files = static_cast<int>(DurabilityBatch::kMaxFiles) + 20;
  for (int i = 0; i < files; ++i) Write("f" + std::to_string(i), "x", kNoon);
  LostVolumeFs lost{PosixFileSystem()};
  state.Running = true;
  state.Mode = RunMode::kSelected;
  EngineContext ctx = Ctx(lost);
  RunSelectedProfiles(ctx, std::vector{Profile("P")},
                      [&](const ProfileRecord& p) { QueueProfile(ctx, p); });
  EXPECT_EQ(host.Count("copied"), 0);
  EXPECT_EQ(host.Count("failed"), files);
  for (const SeenEvent& e : host.events) {
    if (e.what == "failed") {
      EXPECT_EQ(e.drive, "/mnt/gone") << e.Line();
    }
  }
  // The group's failures come at its commit; each later copy asks whether to break.
  EXPECT_EQ(host.breaks_asked.size(), 20u);
  Result<std::vector<DirEntry>> left = PosixFileSystem().ListDirectory(dest);
  ASSERT_TRUE(left.ok());
  EXPECT_THAT(left.value(), IsEmpty());  // no name taken, no temporary left
}

}  // namespace
}  // namespace qm::test
