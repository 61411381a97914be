// Which destination files a profile's masks select, the folders that could not be listed, and
// walks on two threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/kept_copy_names.h"
#include "engine/masks.h"
#include "engine/scan.h"
#include "engine_loop_fixture.h"
#include "support/fault_file_system.h"

namespace qm::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

TEST(NameStoodFor, RemovesTheArchiveExtensionThenTheKeptCopySuffix) {
  EXPECT_EQ(NameStoodFor("a.txt", false, kKeepNone), "a.txt");
  EXPECT_EQ(NameStoodFor("a.txt.1", false, kKeepSequence), "a.txt");
  EXPECT_EQ(NameStoodFor("a.txt.10-12-2004_2-14-36", false, kKeepDateTime), "a.txt");
  EXPECT_EQ(NameStoodFor("readme", false, kKeepSequence), "readme");
  EXPECT_EQ(NameStoodFor("a.txt.zip", true, kKeepNone), "a.txt");
  EXPECT_EQ(NameStoodFor("a.txt.3.zip", true, kKeepSequence), "a.txt");
  // In ZIP mode anything but an archive stands for itself, suffix and all.
  EXPECT_EQ(NameStoodFor("a.txt.3", true, kKeepSequence), "a.txt.3");
  EXPECT_EQ(NameStoodFor("a.zip", false, kKeepNone), "a.zip");
}

using WalkTest = EngineTest;

class DestinationMaskTest : public EngineTest {
 protected:
  ProfileRecord TxtOnly(int16_t keep, bool zip = false, bool removal = false) {
    ProfileRecord p = Profile("P", keep, zip);
    p.SetFileMask("*.txt");
    p.SetRemoveDeleted(removal);
    return p;
  }
  std::vector<std::string> DestFiles() {
    std::vector<std::string> names;
    const Result<std::vector<DirEntry>> listing = PosixFileSystem().ListDirectory(dest);
    for (const DirEntry& e : listing.value()) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }
  size_t Copies() const { return host.Transferred().size(); }
};

TEST_F(DestinationMaskTest, NumberedCopiesOfAFilteredFileAreKept) {
  Write("a.txt", "one", kDayBefore);
  StartSelected(TxtOnly(kKeepSequence));
  Write("a.txt", "two", kNoon);
  StartSelected(TxtOnly(kKeepSequence));
  StartSelected(TxtOnly(kKeepSequence));  // nothing changed
  EXPECT_THAT(DestFiles(), ElementsAre("a.txt.1", "a.txt.2"));
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.1"), "one");
  EXPECT_EQ(tmp.ReadFile("dest/a.txt.2"), "two");
  EXPECT_EQ(Copies(), 2u);
}

TEST_F(DestinationMaskTest, DatedAndPlainCopiesAreNotMadeAgain) {
  Write("a.txt", "one", kNoon);
  for (const int16_t keep : {kKeepNone, kKeepDateTime}) {
    SCOPED_TRACE(keep);
    host.events.clear();
    StartSelected(TxtOnly(keep));
    StartSelected(TxtOnly(keep));
    EXPECT_EQ(Copies(), 1u);
  }
  EXPECT_EQ(DestFiles().size(), 2u);  // the plain copy and one dated copy
}

TEST_F(DestinationMaskTest, ArchivesArePairedAndRemovedWithTheirSource) {
  Write("a.txt", "one", kNoon);
  Write("b.txt", "two", kNoon);
  WriteDest("other.doc.zip", "not ours", kNoon);  // stands for a file the filter leaves out
  StartSelected(TxtOnly(kKeepNone, true, true));
  StartSelected(TxtOnly(kKeepNone, true, true));
  EXPECT_EQ(Copies(), 2u);  // packed once each, not repacked

  ASSERT_EQ(::unlink(Src("b.txt").c_str()), 0);
  StartSelected(TxtOnly(kKeepNone, true, true));
  EXPECT_THAT(DestFiles(), ElementsAre("a.txt.zip", "other.doc.zip"));
  EXPECT_THAT(host.Lines({"deleted"}), ElementsAre("deleted " + Dest("b.txt.zip")));
}

TEST_F(DestinationMaskTest, EveryFileMaskListsTheDestinationAsBefore) {
  for (const char* name : {"a.txt", "a.txt.1", "a.txt.zip", "readme", "x.dat.7"}) {
    WriteDest(name, "", kNoon);
  }
  for (const int16_t keep : {kKeepNone, kKeepSequence, kKeepDateTime}) {
    for (const bool zip : {false, true}) {
      run_list.Clear();
      EngineContext ctx = Ctx();
      QueueProfile(ctx, Profile("P", keep, zip));
      EXPECT_EQ(run_list.Object(0).DestFiles.Count(), 5u) << keep << zip;
    }
  }
}

class UnlistedFolderTest : public WalkTest {
 protected:
  EngineContext FaultCtx() { return Ctx(faults); }
  FaultInjectingFileSystem faults{PosixFileSystem()};
};

TEST_F(UnlistedFolderTest, EachUnreadableSourceFolderIsReportedAlsoWithoutRemoval) {
  Write("a.txt", "", kNoon);
  Write("locked/b.txt", "", kNoon);
  Write("deep/also/c.txt", "", kNoon);
  faults.FailAlways(FsOp::kListDirectory, ErrorKind::kAccessDenied, "/locked");
  faults.FailAlways(FsOp::kListDirectory, ErrorKind::kAccessDenied, "/also");
  state.Running = true;
  EngineContext ctx = FaultCtx();
  QueueProfile(ctx, Profile("P"));
  RunSnapshot& item = run_list.Object(0);
  EXPECT_TRUE(item.SrcScanFailed);
  EXPECT_EQ(ProcessSnapshot(ctx, item), PassOutcome::kCompleted);
  EXPECT_THAT(host.Failures(), UnorderedElementsAre("unreadable " + Src("locked"),
                                                    "unreadable " + Src("deep/also")));
  // What could be listed is still backed up.
  EXPECT_TRUE(tmp.Exists("dest/a.txt"));
}

// The real file system walks the two trees on two threads, relative to each directory's
// descriptor; a wrapper that only forwards listings walks them one after the other by path.
class PathListingFs : public FullVolumeFs {
 public:
  using FullVolumeFs::FullVolumeFs;
};

TEST_F(WalkTest, WalksOnTwoThreadsGiveTheListsOfOneWalkByPath) {
  for (int d = 0; d < 6; ++d) {
    for (int f = 0; f < 8; ++f) {
      const std::string sub = "d" + std::to_string(d) + (d % 2 ? "/inner/" : "/");
      Write(sub + "F" + std::to_string(f) + ".txt", "x", kNoon - 7200 * f);
      WriteDest(sub + "F" + std::to_string(f) + ".txt.3", "x", kDayBefore - 3600 * d);
    }
  }
  Write(".x.txt.qmtmp", "", kNoon);
  ASSERT_EQ(::symlink(src.c_str(), Src("loop").c_str()), 0);
  ASSERT_TRUE(PosixFileSystem().ThreadSafe());

  auto queue = [&](FileSystem& through) {
    run_list.Clear();
    EngineContext ctx = Ctx(through);
    QueueProfile(ctx, Profile("P", kKeepSequence));
    std::vector<std::string> out;
    for (const auto* list : {&run_list.Object(0).SrcFiles, &run_list.Object(0).DestFiles}) {
      for (size_t i = 0; i < list->Count(); ++i) {
        const ScannedFile item = list->Object(i);
        out.push_back(list->Text(i) + "|" + item.Name + "|" + std::to_string(item.Time) + "|" +
                      std::to_string(item.Size) + "|" + std::to_string(item.Attr));
      }
    }
    return out;
  };
  PathListingFs by_path{PosixFileSystem()};
  const std::vector<std::string> parallel = queue(PosixFileSystem());
  EXPECT_EQ(parallel.size(), 97u);  // the link to the top folder is listed as a link
  EXPECT_EQ(parallel, queue(by_path));
}

}  // namespace
}  // namespace qm::test
