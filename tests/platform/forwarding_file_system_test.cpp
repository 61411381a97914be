#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

static_assert(!std::is_abstract_v<test::ForwardingFileSystem>);
static_assert(!std::is_abstract_v<test::ForwardingReadableFile>);
static_assert(!std::is_abstract_v<test::ForwardingWritableFile>);

std::span<const std::byte> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

std::vector<std::string> Names(FileSystem& fs, const std::string& dir) {
  std::vector<std::string> out;
  const Result<std::vector<DirEntry>> listed = fs.ListDirectory(dir);
  for (const DirEntry& e : listed.value()) out.push_back(e.name);
  std::sort(out.begin(), out.end());
  return out;
}

// Every name below `path`, walked through open directories.
void Walk(Directory& dir, const std::string& path, std::vector<std::string>& out) {
  const Result<std::vector<DirEntry>> listed = dir.List();
  for (const DirEntry& e : listed.value()) {
    const std::string child = path + "/" + e.name;
    out.push_back(child);
    if (e.is_directory()) Walk(*dir.Open(e.name, child).value(), child, out);
  }
}

std::string ReadAll(ReadableFile& f) {
  std::string out(64, '\0');
  const size_t n = f.Read(std::as_writable_bytes(std::span(out))).value();
  out.resize(n);
  return out;
}

// A fake that changes nothing must answer every call as the real file system does; a call
// that the forwarding base misses falls back to FileSystem's default and differs here.
class UnchangedFakeTest : public ::testing::TestWithParam<bool> {
 protected:
  UnchangedFakeTest() {
    if (GetParam()) {
      fake_ = std::make_unique<FaultInjectingFileSystem>(real_);
    } else {
      fake_ = std::make_unique<test::ForwardingFileSystem>(real_);
    }
    dir_.WriteFile("a.txt", "alpha");
    dir_.WriteFile("sub/b.txt", "beta");
    dir_.WriteFile("sub/deeper/c.txt", "");
  }

  FileSystem& real_ = PosixFileSystem();
  std::unique_ptr<FileSystem> fake_;
  test::TempDir dir_;
};

TEST_P(UnchangedFakeTest, ListsWalksAndDescribesTheTreeAsTheRealOne) {
  FileSystem& fake = *fake_;
  EXPECT_EQ(Names(fake, dir_.path()), Names(real_, dir_.path()));
  std::vector<std::string> real_walk, fake_walk;
  Walk(*real_.OpenDirectory(dir_.path()).value(), dir_.path(), real_walk);
  Walk(*fake.OpenDirectory(dir_.path()).value(), dir_.path(), fake_walk);
  std::sort(real_walk.begin(), real_walk.end());
  std::sort(fake_walk.begin(), fake_walk.end());
  EXPECT_EQ(fake_walk, real_walk);

  const DirEntry real_stat = real_.Stat(dir_ / "a.txt").value();
  const DirEntry fake_stat = fake.Stat(dir_ / "a.txt").value();
  EXPECT_EQ(fake_stat.attr, real_stat.attr);
  EXPECT_EQ(fake_stat.time, real_stat.time);
  EXPECT_EQ(fake.Stat(dir_ / "none").error().kind, real_.Stat(dir_ / "none").error().kind);

  auto file = fake.OpenRead(dir_ / "a.txt").value();
  const DirEntry info = file->Info().value();
  EXPECT_EQ(info.size, 5);
  EXPECT_EQ(info.time, real_stat.time);
  EXPECT_EQ(ReadAll(*file), "alpha");
}

TEST_P(UnchangedFakeTest, AnswersVolumeQuestionsAsTheRealOne) {
  FileSystem& fake = *fake_;
  EXPECT_EQ(fake.VolumeId(dir_.path()).value(), real_.VolumeId(dir_.path()).value());
  EXPECT_EQ(fake.VolumeId(dir_ / "none").ok(), real_.VolumeId(dir_ / "none").ok());
  EXPECT_EQ(fake.MountPointOf(dir_.path()).value(), real_.MountPointOf(dir_.path()).value());
  EXPECT_EQ(fake.TempDirectory(), real_.TempDirectory());
  // A folder directly under /mnt that nothing is mounted on is not ready.
  const std::string unmounted = "/mnt/qm-never-mounted-" + std::to_string(::getpid()) + "/x";
  EXPECT_EQ(fake.NotReadyMountPlace(unmounted), real_.NotReadyMountPlace(unmounted));
  EXPECT_FALSE(fake.NotReadyMountPlace(unmounted).empty());
  EXPECT_TRUE(fake.SyncVolume(dir_.path()).ok());
  EXPECT_TRUE(fake.SyncDirectory(dir_.path()).ok());
}

TEST_P(UnchangedFakeTest, WritesRenamesAndCopiesAsTheRealOne) {
  FileSystem& fake = *fake_;
  auto tmp = fake.CreateTemporary(dir_ / ".c.qmtmp").value();
  ASSERT_TRUE(tmp->Write(Bytes("gamma")).ok());
  tmp->StartWriteback();
  ASSERT_TRUE(tmp->Sync().ok());
  ASSERT_TRUE(tmp->Close().ok());
  // Never replaces a kept file, and says why as the real one does.
  EXPECT_EQ(fake.RenameNoReplace(dir_ / ".c.qmtmp", dir_ / "a.txt").error().kind,
            ErrorKind::kExists);
  EXPECT_EQ(dir_.ReadFile("a.txt"), "alpha");
  ASSERT_TRUE(fake.RenameNoReplace(dir_ / ".c.qmtmp", dir_ / "c.txt").ok());
  EXPECT_EQ(dir_.ReadFile("c.txt"), "gamma");

  // The in-kernel copy of the real file system, not the fallback that refuses.
  auto from = fake.OpenRead(dir_ / "a.txt").value();
  auto to = fake.Create(dir_ / "copy.txt").value();
  Result<int64_t> copied = fake.CopyData(*from, *to, 100);
  ASSERT_TRUE(copied.ok()) << copied.error().message;
  EXPECT_EQ(copied.value(), 5);
  ASSERT_TRUE(to->Close().ok());
  EXPECT_EQ(dir_.ReadFile("copy.txt"), "alpha");
}

INSTANTIATE_TEST_SUITE_P(Fakes, UnchangedFakeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Fault" : "Forwarding"; });

}  // namespace
}  // namespace qm
