#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/copier.h"
#include "engine_loop_fixture.h"
#include "platform/path_style.h"
#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm {
namespace {

using test::ReadWholeFile;
using test::SetMTime;
using test::TempDir;

constexpr long long kTime = 1717243200;  // 2024-06-01 12:00:00 UTC

// What a copy reports of its progress.
struct ProgressSeen final : RunObserver {
  std::vector<std::pair<int64_t, int64_t>> steps;  // (done, total), as reported
  int ended = 0;
  void FileProgress(int64_t done, int64_t total) noexcept override {
    steps.emplace_back(done, total);
  }
  void FileCopyEnded() noexcept override { ++ended; }
};

class CopierTest : public ::testing::Test {
 protected:
  void Copy(const std::string& from, const std::string& to) { Copy(fs, from, to); }
  void Copy(FileSystem& with, const std::string& from, const std::string& to) {
    seen = {};
    CopyOptions options;
    options.observer = &seen;
    CopyFileWithProgress(with, loop, from, to, options);
  }
  // Runs the copy and returns the FileError's text ("" when it succeeded).
  std::string CopyFailure(const std::string& from, const std::string& to) {
    try {
      Copy(from, to);
    } catch (const FileError& e) {
      return e.what();
    }
    return {};
  }
  static long long MTime(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mtim.tv_sec;
  }
  bool NoTemporaryLeft(const std::string& dir) {
    Result<std::vector<DirEntry>> list = PosixFileSystem().ListDirectory(dir);
    if (!list.ok()) return true;
    for (const DirEntry& e : list.value())
      if (e.name.ends_with(".qmtmp")) return false;
    return true;
  }

  TempDir tmp;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  ProgressSeen seen;
};

TEST_F(CopierTest, EmptySourceGivesEmptyTargetWithSourceTime) {
  const std::string src = tmp.WriteFile("src/empty", "");
  SetMTime(src, kTime);
  Copy(src, tmp / "dst/empty");
  EXPECT_EQ(tmp.ReadFile("dst/empty"), "");
  using Step = std::pair<int64_t, int64_t>;
  EXPECT_EQ(seen.steps, (std::vector<Step>{{0, 0}, {0, 0}}));  // as it opens, then its one block
  EXPECT_EQ(seen.ended, 1);
  EXPECT_EQ(MTime(tmp / "dst/empty"), kTime);
  EXPECT_EQ(loop.TickCount(), 1u);  // one block, one round of messages
}

// The progress points are those of one read per block, after one as the copy opens, whether the
// data is copied inside the kernel (the real file system) or read and written by hand (the
// wrapper).
TEST_F(CopierTest, BlocksAroundTheBufferSize) {
  const size_t chunk = 64 * CopyBufferSize;
  for (size_t size : {size_t{1}, size_t{16383}, size_t{16384}, size_t{16385}, size_t{40000}, chunk,
                      chunk + 1, 2 * chunk + 16384}) {
    const std::string content(size, 'x');
    const std::string src = tmp.WriteFile("src/f", content);
    const uint64_t before = loop.TickCount();
    if (size % 2 == 0) {
      Copy(PosixFileSystem(), src, tmp / "dst/f");
    } else {
      Copy(src, tmp / "dst/f");
    }
    EXPECT_EQ(tmp.ReadFile("dst/f"), content);
    const size_t blocks = size / CopyBufferSize + 1;
    EXPECT_EQ(loop.TickCount() - before, blocks) << size;
    const auto total = static_cast<int64_t>(size);
    ASSERT_EQ(seen.steps.size(), blocks + 1) << size;
    EXPECT_EQ(seen.steps.front(), std::make_pair(int64_t{0}, total));
    EXPECT_EQ(seen.steps[1], std::make_pair(std::min<int64_t>(total, CopyBufferSize), total));
    EXPECT_EQ(seen.steps.back(), std::make_pair(total, total));
    EXPECT_EQ(seen.ended, 1);
  }
}

// The source's size, known from the open file, ends the copy: no in-kernel call is spent only
// to find nothing more, except for an empty file, whose size may be one the system does not know.
TEST_F(CopierTest, NoInKernelCallOnlyToFindTheEnd) {
  struct CountingFs : test::ForwardingFileSystem {
    CountingFs() : ForwardingFileSystem(PosixFileSystem()) {}
    Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max) override {
      Result<int64_t> n = ForwardingFileSystem::CopyData(from, to, max);
      if (n.ok() && n.value() == 0) ++empty;
      ++calls;
      return n;
    }
    int calls = 0, empty = 0;
  } counting;
  for (size_t size : {size_t{40000}, size_t{64 * CopyBufferSize}, size_t{0}}) {
    const std::string content(size, 'k');
    const std::string src = tmp.WriteFile("src/f", content);
    counting.calls = counting.empty = 0;
    Copy(counting, src, tmp / "dst/f");
    EXPECT_EQ(tmp.ReadFile("dst/f"), content);
    EXPECT_EQ(counting.empty, size == 0 ? 1 : 0) << size;
    EXPECT_GE(counting.calls, 1) << size;
  }
}

// A file system whose in-kernel copy moves a little and then fails: the rest goes by hand.
class KernelCopyFailsFs : public test::FullVolumeFs {
 public:
  KernelCopyFailsFs() : FullVolumeFs(PosixFileSystem()) {}
  Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max) override {
    if (++calls == 2) return Error{ErrorKind::kIo, "injected"};
    return PosixFileSystem().CopyData(from, to, std::min<int64_t>(max, 5000));
  }
  int calls = 0;
};

TEST_F(CopierTest, KernelCopyFailingMidwayIsFinishedByHand) {
  std::string content;
  for (int i = 0; i < 30000; ++i) content += static_cast<char>('a' + i % 26);
  const std::string src = tmp.WriteFile("a", content);
  KernelCopyFailsFs failing;
  Copy(failing, src, tmp / "b");
  EXPECT_EQ(tmp.ReadFile("b"), content);
  EXPECT_EQ(failing.calls, 2);
  EXPECT_EQ(loop.TickCount(), 2u);
}

TEST_F(CopierTest, TargetWithTheLongestNameAllowed) {
  const std::string name(255, 'n');
  const std::string src = tmp.WriteFile("a", "long");
  Copy(src, tmp / name);
  EXPECT_EQ(tmp.ReadFile(name), "long");
  EXPECT_EQ(FileNamePart(TempCopyName(tmp / name)).size(), 255u);
  EXPECT_NE(TempCopyName(tmp / name), TempCopyName(tmp / (std::string(254, 'n') + "m")));
}

TEST_F(CopierTest, CopyTakesTheExactTimeAndModeOfItsSource) {
  const std::string src = tmp.WriteFile("a", "x");
  const struct timespec times[2] = {{0, UTIME_OMIT}, {kTime + 1, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
  for (const mode_t mode : {0600, 0755, 0444}) {
    ASSERT_EQ(::chmod(src.c_str(), mode), 0);
    Copy(src, tmp / "b");
    struct stat st;
    ASSERT_EQ(::stat((tmp / "b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(st.st_mtim.tv_sec, kTime + 1);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  }
  EXPECT_TRUE(NoTemporaryLeft(tmp.path()));
}

TEST_F(CopierTest, CreatesMissingDirectoriesAndCopiesIntoADirectory) {
  const std::string src = tmp.WriteFile("a.txt", "abc");
  Copy(src, tmp / "x/y/z/a.txt");
  EXPECT_EQ(tmp.ReadFile("x/y/z/a.txt"), "abc");
  tmp.MakeDir("into");
  Copy(src, tmp / "into");
  EXPECT_EQ(tmp.ReadFile("into/a.txt"), "abc");
  EXPECT_TRUE(NoTemporaryLeft(tmp / "into"));
}

TEST_F(CopierTest, ReadOnlyTargetIsReplacedAndNoLongerReadOnly) {
  const std::string src = tmp.WriteFile("a.txt", "new");
  const std::string dst = tmp.WriteFile("b.txt", "old");
  ASSERT_TRUE(fs.SetReadOnly(dst, true).ok());
  Copy(src, dst);
  EXPECT_EQ(tmp.ReadFile("b.txt"), "new");
  EXPECT_FALSE(HasAttributes(fs, dst, faReadOnly));
}

TEST_F(CopierTest, StaleTemporaryIsOverwrittenAndCopyOntoItselfIsHarmless) {
  const std::string src = tmp.WriteFile("a.txt", "data");
  tmp.WriteFile(".b.txt.qmtmp", "stale leftovers of a crash");
  Copy(src, tmp / "b.txt");
  EXPECT_EQ(tmp.ReadFile("b.txt"), "data");
  EXPECT_FALSE(tmp.Exists(".b.txt.qmtmp"));
  Copy(src, src);
  EXPECT_EQ(tmp.ReadFile("a.txt"), "data");
}

// Every failure leaves the old target as it was and no temporary file, and ends the copy for
// the observer.
TEST_F(CopierTest, EveryInjectedFailureKeepsTheOldTarget) {
  const std::string src = tmp.WriteFile("a.txt", std::string(50000, 'n'));
  const std::string dst = tmp.WriteFile("out/a.txt", "old");
  SetMTime(dst, kTime);
  struct Case {
    const char* what;
    std::function<void()> inject;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"open", [&] { fs.Fail(FsOp::kOpenRead, ErrorKind::kAccessDenied); },
       "Cannot open file " + src},
      {"create", [&] { fs.Fail(FsOp::kCreate, ErrorKind::kAccessDenied); },
       "Cannot create file " + dst},
      {"read", [&] { fs.FailReadsAfter(20000); }, "Stream read error"},
      {"write", [&] { fs.FailWritesAfter(20000); }, "Stream write error"},
      {"full at once", [&] { fs.FailWritesAfter(0); }, "Stream write error"},
      {"sync", [&] { fs.Fail(FsOp::kSync, ErrorKind::kIo); }, "Stream write error"},
      {"close", [&] { fs.Fail(FsOp::kClose, ErrorKind::kNoSpace); }, "Stream write error"},
      {"rename", [&] { fs.Fail(FsOp::kRename, ErrorKind::kIo); }, "Cannot create file " + dst},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs.ClearFaults();
    c.inject();
    EXPECT_EQ(CopyFailure(src, dst), c.text);
    EXPECT_EQ(seen.ended, 1);
    EXPECT_EQ(ReadWholeFile(dst), "old");
    EXPECT_EQ(MTime(dst), kTime);
    EXPECT_TRUE(NoTemporaryLeft(tmp / "out"));
  }
}

TEST_F(CopierTest, FailedReplaceOfReadOnlyTargetKeepsItReadOnly) {
  const std::string src = tmp.WriteFile("a.txt", "new");
  const std::string dst = tmp.WriteFile("b.txt", "old");
  ASSERT_TRUE(fs.SetReadOnly(dst, true).ok());
  fs.Fail(FsOp::kRename, ErrorKind::kIo);
  EXPECT_EQ(CopyFailure(src, dst), "Cannot create file " + dst);
  EXPECT_EQ(ReadWholeFile(dst), "old");
  EXPECT_TRUE(HasAttributes(fs, dst, faReadOnly));
}

TEST_F(CopierTest, TimeThatCannotBeSetDoesNotFailTheCopy) {
  const std::string src = tmp.WriteFile("a.txt", "x");
  fs.Fail(FsOp::kFileSetLastWriteTime, ErrorKind::kIo);
  EXPECT_EQ(CopyFailure(src, tmp / "b.txt"), "");
  EXPECT_EQ(tmp.ReadFile("b.txt"), "x");
}

TEST_F(CopierTest, SmallHelpers) {
  tmp.WriteFile("f", "12345");
  tmp.MakeDir("d");
  EXPECT_EQ(FileSizeOf(fs, tmp / "f"), 5);
  EXPECT_EQ(FileSizeOf(fs, tmp / "d"), -1);
  EXPECT_EQ(FileSizeOf(fs, tmp / "missing"), -1);
  EXPECT_TRUE(IsDirectory(fs, tmp / "d"));
  EXPECT_FALSE(IsDirectory(fs, tmp / "f"));
  EXPECT_TRUE(HasAttributes(fs, tmp / "f", faArchive));
  EXPECT_FALSE(HasAttributes(fs, tmp / "f", faArchive | faReadOnly));
  MakeDirPath(fs, tmp / "p/q/r/");
  EXPECT_TRUE(IsDirectory(fs, tmp / "p/q/r"));
  EXPECT_EQ(TempCopyName("/x/y/a.txt"), "/x/y/.a.txt.qmtmp");
}

}  // namespace
}  // namespace qm
