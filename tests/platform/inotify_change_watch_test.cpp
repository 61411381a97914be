// The kernel's change watch on a temporary tree: what counts as a change, folders that appear,
// and a root that goes.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "platform/change_watch.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using Kind = ChangeEvent::Kind;

std::vector<std::pair<Kind, std::string>> Read(ChangeWatch& watch) {
  std::vector<std::pair<Kind, std::string>> out;
  for (const ChangeEvent& e : watch.ReadEvents()) out.emplace_back(e.kind, e.path);
  return out;
}

TEST(InotifyChangeWatch, ReadingIsNoChangeButWritingIsAndNewFoldersAreWatched) {
  test::TempDir dir;
  dir.WriteFile("src/sub/a.txt", "one");
  auto made = MakeKernelChangeWatch();
  ASSERT_TRUE(made.ok()) << made.error().message;
  ChangeWatch& watch = *made.value();
  Result<int> tree = watch.AddTree(dir / "src", /*recursive=*/true);
  ASSERT_TRUE(tree.ok());
  EXPECT_EQ(watch.WatchCount(), 2u);

  EXPECT_EQ(dir.ReadFile("src/sub/a.txt"), "one");
  EXPECT_THAT(Read(watch), ::testing::IsEmpty());

  dir.WriteFile("src/sub/a.txt", "two");
  EXPECT_THAT(Read(watch), ::testing::Contains(std::pair(Kind::kChanged, dir / "src/sub/a.txt")));

  dir.MakeDir("src/new");
  EXPECT_THAT(Read(watch), ::testing::Contains(std::pair(Kind::kChanged, dir / "src/new")));
  dir.WriteFile("src/new/b.txt", "b");
  EXPECT_THAT(Read(watch), ::testing::Contains(std::pair(Kind::kChanged, dir / "src/new/b.txt")));

  // A folder moved within the tree is watched under its new name.
  std::filesystem::rename(dir / "src/new", dir / "src/moved");
  (void)Read(watch);
  dir.WriteFile("src/moved/c.txt", "c");
  EXPECT_THAT(Read(watch), ::testing::Contains(std::pair(Kind::kChanged, dir / "src/moved/c.txt")));

  std::filesystem::remove_all(dir / "src");
  EXPECT_THAT(Read(watch), ::testing::Contains(std::pair(Kind::kTreeGone, dir / "src")));
  EXPECT_EQ(watch.WatchCount(), 0u);
  EXPECT_FALSE(watch.AddTree(dir / "src", true).ok()) << "a missing root cannot be watched";
}

}  // namespace
}  // namespace qm
