#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

class PosixFileSystemTest : public ::testing::Test {
 protected:
  FileSystem& fs_ = PosixFileSystem();
  test::TempDir dir_;

  // The listing as a name -> entry lookup; fails the test when the listing fails.
  std::vector<DirEntry> List(const std::string& relative = "") {
    auto r = fs_.ListDirectory(relative.empty() ? dir_.path() : dir_ / relative);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message);
    return r.ok() ? r.value() : std::vector<DirEntry>{};
  }
  static const DirEntry* Find(const std::vector<DirEntry>& list, const std::string& name) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](const DirEntry& e) { return e.name == name; });
    return it == list.end() ? nullptr : &*it;
  }
  void Symlink(const std::string& target, const std::string& link) {
    ASSERT_EQ(::symlink(target.c_str(), (dir_ / link).c_str()), 0);
  }
  std::string WriteThrough(const std::string& path, const std::string& text) {
    auto f = fs_.Create(path);
    if (!f.ok()) return f.error().message;
    Status s = f.value()->Write({reinterpret_cast<const std::byte*>(text.data()), text.size()});
    if (!s.ok()) return s.error().message;
    s = f.value()->Close();
    return s.ok() ? "" : s.error().message;
  }
};

TEST_F(PosixFileSystemTest, ListsFilesAndDirectoriesWithTheirAttributes) {
  dir_.WriteFile("a.txt", "12345");
  dir_.MakeDir("sub");
  dir_.WriteFile(".hidden", "x");
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0644), 0);
  test::SetMTime(dir_ / "a.txt", 1719822615);  // 2024-07-01 10:30:15 CEST

  const auto list = List();
  ASSERT_EQ(list.size(), 4u);  // "." and ".." are not listed; dot names are
  const DirEntry* a = Find(list, "a.txt");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->attr, faArchive);
  EXPECT_EQ(a->size, 5);
  EXPECT_EQ(a->time, PackDosDateTime(DateParts{2024, 7, 1, 10, 30, 14}));
  EXPECT_FALSE(a->is_link);
  EXPECT_EQ(Find(list, "sub")->attr, faDirectory);
  EXPECT_TRUE(Find(list, "sub")->is_directory());
  EXPECT_EQ(Find(list, "pipe")->attr, faSysFile);
  ASSERT_NE(Find(list, ".hidden"), nullptr);
}

TEST_F(PosixFileSystemTest, ReadOnlyMeansTheOwnerCannotWrite) {
  const std::string f = dir_.WriteFile("ro.txt", "x");
  ASSERT_TRUE(fs_.SetReadOnly(f, true).ok());
  EXPECT_EQ(Find(List(), "ro.txt")->attr, faArchive | faReadOnly);
  ::chmod(f.c_str(), 0466);  // group and others may write; the owner may not
  EXPECT_EQ(fs_.Stat(f).value().attr, faArchive | faReadOnly);
  ASSERT_TRUE(fs_.SetReadOnly(f, false).ok());
  EXPECT_EQ(fs_.Stat(f).value().attr, faArchive);
}

TEST_F(PosixFileSystemTest, ListsLinksAsThemselvesAndCopiesThemFaithfully) {
  dir_.WriteFile("target.bin", std::string(1000, 'x'));
  test::SetMTime(dir_ / "target.bin", 1700000000);
  dir_.MakeDir("realdir");
  Symlink(dir_ / "target.bin", "file-link");
  Symlink("realdir", "dir-link");
  Symlink("missing", "dangling");
  Symlink("loop", "loop");

  const auto list = List();
  EXPECT_EQ(list.size(), 6u);
  for (const char* name : {"file-link", "dir-link", "dangling", "loop"}) {
    const DirEntry* e = Find(list, name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_TRUE(e->is_link);
    EXPECT_EQ(e->attr, faSymLink);
    EXPECT_FALSE(e->is_directory());
    EXPECT_EQ(e->size, 0);
  }
  // Stat follows a link; StatLink, StatMeta and ReadLink do not.
  EXPECT_EQ(fs_.Stat(dir_ / "file-link").value().size, 1000);
  EXPECT_EQ(fs_.Stat(dir_ / "dangling").error().kind, ErrorKind::kNotFound);
  EXPECT_EQ(fs_.StatLink(dir_ / "dangling").value().attr, faSymLink);
  EXPECT_EQ(fs_.ReadLink(dir_ / "dangling").value(), "missing");

  // A new link of the same text, with the exact time and owner of the old one.
  const struct timespec times[2] = {{0, UTIME_OMIT}, {1600000000, 987654321}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ / "dir-link").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  const FileMeta meta = fs_.StatMeta(dir_ / "dir-link").value();
  EXPECT_TRUE(meta.is_link());
  ASSERT_TRUE(fs_.CreateLink("realdir", dir_ / "copy").ok());
  EXPECT_EQ(fs_.ApplyMeta(dir_ / "copy", meta, kMetaAll), MetaApplied::kAll);
  const FileMeta copy = fs_.StatMeta(dir_ / "copy").value();
  EXPECT_EQ(fs_.ReadLink(dir_ / "copy").value(), "realdir");
  EXPECT_EQ(copy.mtime_sec, 1600000000);
  EXPECT_EQ(copy.mtime_nsec, 987654321);
}

TEST_F(PosixFileSystemTest, PinnedRootKeepsItsVolumeAndTellsWhenItsPathLeadsElsewhere) {
  const std::string root = dir_.MakeDir("root");
  Result<std::unique_ptr<FileSystem>> pinned = fs_.Pin({root + "/backup"});  // made later
  ASSERT_TRUE(pinned.ok());
  FileSystem& pin = *pinned.value();
  ASSERT_TRUE(pin.CreatePrivateDirectory(root + "/backup").ok());
  EXPECT_TRUE(pin.CheckPinned().ok());
  // The root is swapped for another folder, as an unmount leaves the empty mount point.
  ASSERT_EQ(::rename(root.c_str(), (dir_ / "moved").c_str()), 0);
  dir_.MakeDir("root");
  auto out = pin.CreateTemporary(root + "/backup/.a.qmtmp");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE(out.value()->Close().ok());
  ASSERT_TRUE(pin.Rename(root + "/backup/.a.qmtmp", root + "/backup/a").ok());
  EXPECT_TRUE(dir_.Exists("moved/backup/a"));
  EXPECT_FALSE(dir_.Exists("root/backup"));
  EXPECT_FALSE(pin.CheckPinned().ok());
  EXPECT_FALSE(pin.LostVolume().empty());
  EXPECT_TRUE(fs_.CheckPinned().ok());  // the unpinned file system pins nothing
}

TEST_F(PosixFileSystemTest, PinnedFolderRenamedOnTheWayKeepsNoFilesOfItsOldPath) {
  Result<std::unique_ptr<FileSystem>> pinned = fs_.Pin({dir_.MakeDir("root")});
  ASSERT_TRUE(pinned.ok());
  FileSystem& pin = *pinned.value();
  auto make = [&pin](const std::string& path) {
    auto out = pin.CreateTemporary(path);
    return out.ok() && out.value()->Close().ok();
  };
  // Folders held open under the pinned root and outside it behave alike.
  for (const std::string top : {"root", "outside"}) {
    SCOPED_TRACE(top);
    const std::string base = dir_ / top;
    for (const char* folder : {"", "/a", "/a/b"}) (void)pin.CreateDirectory(base + folder);
    ASSERT_TRUE(make(base + "/a/b/one"));
    ASSERT_TRUE(pin.Rename(base + "/a", base + "/old").ok());
    for (const char* folder : {"/a", "/a/b"}) ASSERT_TRUE(pin.CreateDirectory(base + folder).ok());
    ASSERT_TRUE(make(base + "/a/b/two"));
    EXPECT_TRUE(dir_.Exists(top + "/a/b/two"));
    EXPECT_FALSE(dir_.Exists(top + "/old/b/two"));
    // One deleted by another program refuses new files rather than hiding them.
    ASSERT_EQ(::unlink((base + "/a/b/two").c_str()), 0);
    ASSERT_EQ(::rmdir((base + "/a/b").c_str()), 0);
    EXPECT_FALSE(make(base + "/a/b/three"));
    EXPECT_FALSE(dir_.Exists(top + "/a/b"));
  }
}

TEST_F(PosixFileSystemTest, TemporariesAndPrivateFoldersStartOwnerOnly) {
  ::umask(0);
  const std::string temp = dir_ / ".t.qmtmp";
  ASSERT_EQ(::symlink("elsewhere", temp.c_str()), 0);  // a stale link is replaced, not followed
  ASSERT_TRUE(fs_.CreateTemporary(temp).ok());
  ASSERT_TRUE(fs_.CreatePrivateDirectory(dir_ / "d").ok());
  ::umask(022);
  struct stat st;
  ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir_ / "d").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(dir_.Exists("elsewhere"));
}

TEST_F(PosixFileSystemTest, ReportsSizesBeyondFourGigabytes) {
  const std::string f = dir_.WriteFile("big", "");
  ASSERT_EQ(::truncate(f.c_str(), 5'000'000'000LL), 0);  // sparse: costs no disk space
  EXPECT_EQ(Find(List(), "big")->size, 5'000'000'000LL);
  auto file = fs_.OpenRead(f);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(file.value()->Size().value(), 5'000'000'000LL);
}

TEST_F(PosixFileSystemTest, ListingAMissingOrPlainPathFails) {
  EXPECT_EQ(fs_.ListDirectory(dir_ / "nope").error().kind, ErrorKind::kNotFound);
  EXPECT_EQ(fs_.ListDirectory(dir_.WriteFile("f", "")).error().kind, ErrorKind::kNotDirectory);
  EXPECT_NE(fs_.ListDirectory(dir_ / "nope").error().message.find("nope"), std::string::npos);
}

TEST_F(PosixFileSystemTest, ReadOnlyFilesRefuseDeletionAndReplacement) {
  // Tests run as root, for whom the kernel ignores permissions: the refusal is ours.
  const std::string f = dir_.WriteFile("keep.txt", "precious");
  ASSERT_TRUE(fs_.SetReadOnly(f, true).ok());
  EXPECT_EQ(fs_.Remove(f).error().kind, ErrorKind::kReadOnly);
  EXPECT_EQ(fs_.Create(f).error().kind, ErrorKind::kReadOnly);
  EXPECT_EQ(fs_.OpenAppend(f).error().kind, ErrorKind::kReadOnly);
  const std::string other = dir_.WriteFile("other.txt", "new");
  EXPECT_EQ(fs_.Rename(other, f).error().kind, ErrorKind::kReadOnly);
  EXPECT_EQ(dir_.ReadFile("keep.txt"), "precious");

  ASSERT_TRUE(fs_.SetReadOnly(f, false).ok());
  EXPECT_TRUE(fs_.Rename(other, f).ok());
  EXPECT_EQ(dir_.ReadFile("keep.txt"), "new");
  EXPECT_TRUE(fs_.Remove(f).ok());
  EXPECT_FALSE(dir_.Exists("keep.txt"));
  EXPECT_EQ(fs_.Remove(f).error().kind, ErrorKind::kNotFound);
}

TEST_F(PosixFileSystemTest, CreateTruncatesAndAppendNeedsAnExistingFile) {
  const std::string f = dir_.WriteFile("f.txt", "a long old content");
  EXPECT_EQ(WriteThrough(f, "new"), "");
  EXPECT_EQ(dir_.ReadFile("f.txt"), "new");
  EXPECT_EQ(fs_.OpenAppend(dir_ / "none.txt").error().kind, ErrorKind::kNotFound);
  auto app = fs_.OpenAppend(f);
  ASSERT_TRUE(app.ok());
  const std::string more = "+more";
  ASSERT_TRUE(
      app.value()->Write({reinterpret_cast<const std::byte*>(more.data()), more.size()}).ok());
  ASSERT_TRUE(app.value()->Close().ok());
  EXPECT_EQ(dir_.ReadFile("f.txt"), "new+more");
  EXPECT_EQ(fs_.Create(dir_ / "no/such/dir.txt").error().kind, ErrorKind::kNotFound);
}

TEST_F(PosixFileSystemTest, ReadsBackWhatWasWritten) {
  const std::string text(40000, 'q');
  EXPECT_EQ(WriteThrough(dir_ / "r.bin", text), "");
  auto f = fs_.OpenRead(dir_ / "r.bin");
  ASSERT_TRUE(f.ok());
  std::string got;
  std::byte buf[16384];
  for (;;) {
    auto n = f.value()->Read(buf);
    ASSERT_TRUE(n.ok());
    if (n.value() == 0) break;
    got.append(reinterpret_cast<const char*>(buf), n.value());
  }
  EXPECT_EQ(got, text);
  EXPECT_EQ(fs_.OpenRead(dir_.path()).error().kind, ErrorKind::kIsDirectory);
  // A fifo without a writer neither blocks the open nor passes for a file.
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0644), 0);
  EXPECT_EQ(fs_.OpenRead(dir_ / "pipe").error().kind, ErrorKind::kInvalid);
  EXPECT_FALSE(fs_.Create(dir_ / "pipe").ok());
}

TEST_F(PosixFileSystemTest, ReadsFillTheBufferUntilTheEnd) {
  // The kernel hands out this file a page or so per read call; a short block must still
  // mean the end of the file to the copier.
  auto f = fs_.OpenRead("/proc/self/smaps");
  ASSERT_TRUE(f.ok());
  std::byte buf[8192];
  EXPECT_EQ(f.value()->Read(buf).value(), sizeof buf);
}

TEST_F(PosixFileSystemTest, SetsLastWriteTimeToTheDosValue) {
  const uint32_t when =
      PackDosDateTime(DateParts{2024, 3, 31, 3, 30, 10});  // just after the spring gap
  const std::string f = dir_.WriteFile("t.txt", "x");
  ASSERT_TRUE(fs_.SetLastWriteTime(f, when).ok());
  EXPECT_EQ(fs_.Stat(f).value().time, when);

  auto w = fs_.Create(dir_ / "u.txt");
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE(w.value()->SetLastWriteTime(when).ok());
  ASSERT_TRUE(w.value()->Close().ok());
  EXPECT_EQ(fs_.Stat(dir_ / "u.txt").value().time, when);
  EXPECT_EQ(fs_.SetLastWriteTime(dir_ / "none", when).error().kind, ErrorKind::kNotFound);
}

TEST_F(PosixFileSystemTest, CreateDirectoryNeedsItsParent) {
  EXPECT_TRUE(fs_.CreateDirectory(dir_ / "d").ok());
  EXPECT_EQ(fs_.CreateDirectory(dir_ / "d").error().kind, ErrorKind::kExists);
  EXPECT_EQ(fs_.CreateDirectory(dir_ / "x/y").error().kind, ErrorKind::kNotFound);
}

TEST_F(PosixFileSystemTest, VolumeQueriesUseTheNearestExistingAncestor) {
  auto here = fs_.FreeSpace(dir_.path());
  auto missing = fs_.FreeSpace(dir_ / "not/yet/made");
  ASSERT_TRUE(here.ok());
  ASSERT_TRUE(missing.ok());
  EXPECT_GT(here.value(), 0);
  EXPECT_NEAR(static_cast<double>(missing.value()), static_cast<double>(here.value()), 64e6);

  auto mount = fs_.MountPointOf(dir_ / "not/yet/made");
  ASSERT_TRUE(mount.ok());
  EXPECT_EQ(mount.value(), fs_.MountPointOf(dir_.path()).value());
  EXPECT_EQ(mount.value()[0], '/');
  EXPECT_EQ(fs_.MountPointOf("/").value(), "/");
  EXPECT_EQ(fs_.MountPointOf("/proc/self").value(), "/proc");
}

TEST_F(PosixFileSystemTest, TempDirectoryEndsWithASeparator) {
  test::ScopedEnv env;
  env.Set("TMPDIR", dir_.path());
  EXPECT_EQ(fs_.TempDirectory(), dir_.path() + "/");
  env.Set("TMPDIR", dir_ / "missing");
  EXPECT_EQ(fs_.TempDirectory(), "/tmp/");
}

TEST(ErrorFromErrno, MapsErrnoToKinds) {
  EXPECT_EQ(ErrorFromErrno(ENOENT, "Cannot open", "/x").kind, ErrorKind::kNotFound);
  EXPECT_EQ(ErrorFromErrno(EACCES, "Cannot open", "/x").kind, ErrorKind::kAccessDenied);
  EXPECT_EQ(ErrorFromErrno(ENOSPC, "Cannot write", "/x").kind, ErrorKind::kNoSpace);
  EXPECT_EQ(ErrorFromErrno(EROFS, "Cannot write", "/x").kind, ErrorKind::kReadOnly);
  EXPECT_EQ(ErrorFromErrno(ENOSPC, "Cannot write", "/x").message,
            "Cannot write \"/x\": No space left on device");
}

}  // namespace
}  // namespace qm
