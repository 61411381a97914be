// Dot files and dot folders are user data: they are backed up, packed, synchronised and removed
// like any other file. Only our temporaries, the program's own live files and folders tagged as
// caches are left out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/copier.h"
#include "engine_loop_fixture.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Files = std::vector<std::string>;

class DotFilesTest : public EngineTest {
 protected:
  // Every file below `root`, relative to it, sorted.
  static Files FilesBelow(const std::string& root) {
    Files out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
      if (!e.is_directory()) out.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
  }
  ProfileRecord WithMethod(int16_t method, bool remove = false) {
    ProfileRecord p = Profile("P");
    p.SetSyncMethod(method);
    p.SetRemoveDeleted(remove);
    return p;
  }
};

TEST_F(DotFilesTest, AHomeFolderIsBackedUpWithItsDotFilesButNotOurOwnOrCaches) {
  Write(".bashrc", "b", kNoon);
  Write(".config/app/settings.ini", "s", kNoon);
  Write(".config/.deep/.key", "k", kNoon);
  Write("docs/.notes.txt", "n", kNoon);
  Write("docs/visible.txt", "v", kNoon);
  Write("docs/.visible.txt.qmtmp", "cut off by a crash", kNoon);
  Write(".cache/CACHEDIR.TAG", std::string(kCacheDirSignature) + "\n# a cache\n", kNoon);
  Write(".cache/thumbs/big.bin", "c", kNoon);
  Write("build/CACHEDIR.TAG", "Signature: not the standard one\n", kNoon);
  Write("build/out.o", "o", kNoon);
  // The program's own live files inside the backed-up folder: its lock folder and its log.
  state.LockDirectory = Src(".local/share/Quillmor/locks");
  Write(".local/share/Quillmor/locks/another-run.lock", "", kNoon);
  state.LogFile = Write(".local/share/Quillmor/Quillmor.log", "records", kNoon);
  Write(".local/share/Quillmor/Quillmor.dat", "profiles", kNoon);
  ASSERT_EQ(::mkfifo(Src("docs/pipe").c_str(), 0600), 0);

  StartSelected(Profile("Home"));
  EXPECT_EQ(FilesBelow(dest), (Files{".bashrc", ".config/.deep/.key", ".config/app/settings.ini",
                                     ".local/share/Quillmor/Quillmor.dat", "build/CACHEDIR.TAG",
                                     "build/out.o", "docs/.notes.txt", "docs/visible.txt"}));
  EXPECT_THAT(host.Lines({"cache skipped", "special skipped"}),
              ElementsAre("cache skipped " + Src(".cache"), "special skipped " + Src("docs/pipe")));
  EXPECT_THAT(host.Failures(), IsEmpty());
}

TEST_F(DotFilesTest, DotFilesArePackedAndTravelBothWays) {
  Write(".bashrc", "b", kNoon);
  Write(".config/a.ini", "a", kNoon);
  StartSelected(Profile("Z", kKeepNone, /*zip=*/true));
  EXPECT_EQ(FilesBelow(dest), (Files{".bashrc.zip", ".config/a.ini.zip"}));

  std::filesystem::remove_all(dest);
  WriteDest(".config/from-dest", "d", kNoon);
  StartSelected(WithMethod(kSyncBothWays));
  EXPECT_EQ(tmp.ReadFile("dest/.bashrc"), "b");
  EXPECT_EQ(tmp.ReadFile("src/.config/from-dest"), "d");
}

TEST_F(DotFilesTest, RemovalTakesADeletedDotFilesCopyButNeverATemporary) {
  Write(".kept", "k", kNoon);
  WriteDest(".kept", "k", kNoon);
  WriteDest(".deleted-at-source", "d", kNoon);
  WriteDest(".config/.gone", "g", kNoon);
  WriteDest(".config/.other.qmtmp", "t", kNoon);
  StartSelected(WithMethod(kSyncOneWay, /*remove=*/true));
  EXPECT_EQ(FilesBelow(dest), (Files{".config/.other.qmtmp", ".kept"}));
}

TEST_F(DotFilesTest, TheSweepOfStaleTemporariesEntersDotFolders) {
  WriteDest(".a.qmtmp", "t", kNoon);
  WriteDest(".config/.b.qmtmp.Xy12Zq", "t", kNoon);
  WriteDest(".config/settings", "s", kNoon);
  EXPECT_EQ(RemoveStaleTemporaries(fs, dest), 2);
  EXPECT_EQ(FilesBelow(dest), Files{".config/settings"});
}

}  // namespace
}  // namespace qm::test
