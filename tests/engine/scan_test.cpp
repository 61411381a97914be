#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "engine/scan.h"
#include "engine_loop_fixture.h"
#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::TempDir;
using Listing = std::vector<std::pair<std::string, std::string>>;  // full path, Name

class ScanTest : public ::testing::Test {
 protected:
  Listing Scan(const std::string& masks, bool incl_dirs = true, Status* status = nullptr) {
    NamedList<ScannedFile> list;
    Status s = ScanFolder(fs, tmp.path(), std::string_view(masks), list, incl_dirs, tmp.path());
    if (status != nullptr) *status = s;
    Listing out;
    for (size_t i = 0; i < list.Count(); ++i) out.emplace_back(list.Text(i), list.Object(i).Name);
    return out;
  }
  std::string P(const std::string& rel) const { return tmp / rel; }

  TempDir tmp;
  FaultInjectingFileSystem fs{PosixFileSystem()};
};

TEST_F(ScanTest, SubdirectoriesFirstThenFilesMaskByMaskEachOnce) {
  tmp.WriteFile("z.doc", "1");
  tmp.WriteFile("a.txt", "22");
  tmp.WriteFile("skip.xls", "");
  tmp.WriteFile("sub/b.txt", "");
  tmp.WriteFile("sub/deep/c.doc", "");
  const Listing expected = {{P("sub/deep/c.doc"), "sub/deep/c.doc"},
                            {P("sub/b.txt"), "sub/b.txt"},
                            {P("a.txt"), "a.txt"},
                            {P("z.doc"), "z.doc"}};
  EXPECT_EQ(Scan("*.txt;*.doc;A.*"), expected);
  EXPECT_EQ(Scan("*.txt;*.doc", false), Listing({{P("a.txt"), "a.txt"}, {P("z.doc"), "z.doc"}}));
  // Each directory is listed once, however many masks there are.
  EXPECT_EQ(fs.CallCount(FsOp::kListDirectory), 4);
}

TEST_F(ScanTest, ItemCarriesSizeTimeAndAttributes) {
  test::SetMTime(tmp.WriteFile("a.txt", "hello"), test::kNoon + 1);
  NamedList<ScannedFile> list;
  ASSERT_TRUE(ScanFolder(fs, tmp.path(), std::string_view(""), list, true, tmp.path()).ok());
  ASSERT_EQ(list.Count(), 1u);
  const ScannedFile& item = list.Object(0);
  EXPECT_EQ(item.Size, 5);
  EXPECT_EQ(static_cast<DosDateTime>(item.Time), UnixToDosDateTime(test::kNoon));
  EXPECT_DOUBLE_EQ(item.DateTime, DosDateTimeToDateTime(static_cast<DosDateTime>(item.Time)));
  EXPECT_EQ(item.Attr, static_cast<int32_t>(faArchive));
  EXPECT_EQ(item.Matched, 0);
}

TEST_F(ScanTest, KeepsLetterCaseSoNamesDifferingInCaseBothSurvive) {
  tmp.WriteFile("Docs/A.txt", "");
  tmp.WriteFile("Docs/a.txt", "");
  Listing got = Scan("*.*");
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, Listing({{P("Docs/A.txt"), "Docs/A.txt"}, {P("Docs/a.txt"), "Docs/a.txt"}}));
}

TEST_F(ScanTest, DotNamesAndLinksListedTemporariesAndCachesNot) {
  tmp.WriteFile(".hidden", "");
  tmp.WriteFile(".git/config", "");
  tmp.WriteFile(".x.qmtmp", "");         // a copy cut off by a crash
  tmp.WriteFile(".y.qmtmp.Ab3dE9", "");  // the archiver's own temporary
  tmp.WriteFile("cache/CACHEDIR.TAG", std::string(kCacheDirSignature) + "\n# a cache\n");
  tmp.WriteFile("cache/blob", "");
  tmp.WriteFile("not-cache/CACHEDIR.TAG", "Signature: 0000\n");
  tmp.WriteFile("real/f.txt", "abc");
  ASSERT_EQ(::symlink(P("real").c_str(), P("dirlink").c_str()), 0);
  ASSERT_EQ(::symlink("..", P("real/up").c_str()), 0);  // would loop if followed
  ASSERT_EQ(::symlink(P("real/f.txt").c_str(), P("filelink").c_str()), 0);
  ASSERT_EQ(::symlink(P("gone").c_str(), P("dangling").c_str()), 0);
  NamedList<ScannedFile> list;
  ScanRequest request;
  request.dir = request.top = tmp.path();
  request.masks = {"*.*"};
  request.incl_dirs = true;
  const ScanOutcome outcome = ScanTree(fs, request, list);
  std::vector<std::string> got;
  for (size_t i = 0; i < list.Count(); ++i) got.push_back(list.Object(i).Name);
  std::sort(got.begin(), got.end());
  // Links are listed as links, whatever they point at, and never descended.
  EXPECT_EQ(got,
            (std::vector<std::string>{".git/config", ".hidden", "dangling", "dirlink", "filelink",
                                      "not-cache/CACHEDIR.TAG", "real/f.txt", "real/up"}));
  for (size_t i = 0; i < list.Count(); ++i) {
    EXPECT_EQ((list.Attr(i) & faSymLink) != 0,
              list.Object(i).Name.find("link") != std::string::npos ||
                  list.Object(i).Name == "dangling" || list.Object(i).Name == "real/up");
  }
  EXPECT_EQ(outcome.caches, std::vector<std::string>{P("cache")});
}

TEST_F(ScanTest, MissingOrUnreadableDirectoryIsToldFromEmpty) {
  Status status;
  EXPECT_TRUE(Scan("*.*", true, &status).empty());
  EXPECT_TRUE(status.ok());

  NamedList<ScannedFile> list;
  Status missing = ScanFolder(fs, P("nope"), std::string_view(""), list, true, P("nope"));
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(list.Count(), 0u);

  tmp.WriteFile("a.txt", "");
  tmp.WriteFile("locked/b.txt", "");
  fs.Fail(FsOp::kListDirectory, ErrorKind::kAccessDenied, "locked");
  EXPECT_EQ(Scan("*.*", true, &status), Listing({{P("a.txt"), "a.txt"}}));
  EXPECT_FALSE(status.ok());
}

TEST_F(ScanTest, MasksSelectAsCut) {
  tmp.WriteFile("a.doc", "");
  tmp.WriteFile(" b.txt", "");
  tmp.WriteFile("c.txt", "");
  EXPECT_EQ(Scan("*").size(), 0u);
  EXPECT_EQ(Scan("   ").size(), 0u);
  EXPECT_EQ(Scan("*.doc; *.txt"), Listing({{P("a.doc"), "a.doc"}, {P(" b.txt"), " b.txt"}}));
}

// Directory listings from a table, for scanning paths written the Windows way.
// Lists the given directories; every other path is missing.
class ListingOnlyFs : public test::ForwardingFileSystem {
 public:
  ListingOnlyFs() : ForwardingFileSystem(PosixFileSystem()) {}
  std::map<std::string, std::vector<DirEntry>> dirs;

  Result<std::vector<DirEntry>> ListDirectory(const std::string& dir) override {
    auto it = dirs.find(dir);
    if (it == dirs.end()) return Error{ErrorKind::kNotFound, "no " + dir};
    return it->second;
  }
};

DirEntry File(std::string name) {
  return DirEntry{std::move(name), faArchive, 1, 0, false};
}
DirEntry Dir(std::string name) {
  return DirEntry{std::move(name), faDirectory, 0, 0, false};
}

TEST(ScanWindowsStyle, RelativeNamesInLowerCaseBelowAFolderOrADriveRoot) {
  ListingOnlyFs fs;
  fs.dirs["C:\\"] = {File("Root.TXT"), Dir("data")};
  fs.dirs["C:\\data\\"] = {File("B.txt"), Dir("docs")};
  fs.dirs["C:\\data\\docs\\"] = {File("A.TXT"), File("a.doc")};
  NamedList<ScannedFile> list;
  ASSERT_TRUE(
      ScanFolder(fs, "C:\\data", std::string_view("*.txt"), list, true, "C:\\data", WindowsStyle())
          .ok());
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Text(0), "C:\\data\\docs\\A.TXT");
  EXPECT_EQ(list.Object(0).Name, "docs\\a.txt");
  EXPECT_EQ(list.Object(1).Name, "b.txt");

  NamedList<ScannedFile> from_root;
  ASSERT_TRUE(
      ScanFolder(fs, "C:\\", std::string_view("*.txt"), from_root, true, "C:\\", WindowsStyle())
          .ok());
  ASSERT_EQ(from_root.Count(), 3u);
  EXPECT_EQ(from_root.Object(0).Name, "data\\docs\\a.txt");
  EXPECT_EQ(from_root.Object(2).Name, "root.txt");
}

class QueueProfileTest : public test::EngineTest {};

TEST_F(QueueProfileTest, SnapshotsBothListsAndTellsWhenQueuedAndWhenScanned) {
  Write("a.txt", "1", test::kNoon);
  Write("sub/b.txt", "2", test::kNoon);
  WriteDest("a.txt", "1", test::kNoon);
  EngineContext ctx = Ctx();
  ProfileRecord p = Profile("Docs");
  p.SetFileMask("");  // every file
  QueueProfile(ctx, p);

  ASSERT_EQ(run_list.Count(), 1u);
  const RunSnapshot& item = run_list.Object(0);
  EXPECT_EQ(item.SrcFiles.Count(), 2u);
  EXPECT_EQ(item.DestFiles.Count(), 1u);
  EXPECT_EQ(item.FilesLeft, 3);
  EXPECT_EQ(item.StartedAt, loop.Now());
  EXPECT_FALSE(item.SrcScanFailed);
  EXPECT_EQ(item.SrcFiles.Object(0).Name, "sub/b.txt");
  // Queued before the walk, with nothing listed yet; scanned with both lists.
  EXPECT_THAT(host.Lines(), ::testing::ElementsAre("queued Docs", "scanned Docs"));
  EXPECT_EQ(host.events[0].files, 0);
  EXPECT_EQ(host.events[1].files, 3);
}

TEST_F(QueueProfileTest, SameNameInAnyCaseIsNotQueuedTwice) {
  EngineContext ctx = Ctx();
  QueueProfile(ctx, Profile("Docs"));
  Write("new.txt", "", test::kNoon);
  QueueProfile(ctx, Profile("DOCS"));
  EXPECT_EQ(run_list.Count(), 1u);
  EXPECT_EQ(run_list.Object(0).SrcFiles.Count(), 0u);
  QueueProfile(ctx, Profile("Other"));
  EXPECT_EQ(run_list.Count(), 2u);
  // The second "Docs" was not even announced.
  EXPECT_THAT(host.Lines({"queued"}), ::testing::ElementsAre("queued Docs", "queued Other"));
}

TEST_F(QueueProfileTest, MissingSourceIsFlaggedMissingDestinationIsNot) {
  ProfileRecord p = Profile("Docs");
  p.SetSrcDir(src + "/gone");
  p.SetDestDir(dest + "/not-yet");
  EngineContext ctx = Ctx();
  QueueProfile(ctx, p);
  const RunSnapshot& item = run_list.Object(0);
  EXPECT_TRUE(item.SrcScanFailed);
  EXPECT_NE(item.SrcScanError.find("gone"), std::string::npos);
  EXPECT_FALSE(item.DestScanFailed);
}

}  // namespace
}  // namespace qm
