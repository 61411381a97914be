// The state file of a two-way profile: what is written is read back, and nothing damaged or
// foreign is trusted.
#include "engine/sync_state.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

TEST(SyncState, ReadsBackWhatItWrote) {
  SyncState written;
  // Out of order, sharing prefixes, one side missing, sides that differ, sizes past 32 bits.
  written.Add("docs/b.txt", {{5, 100}, {5, 100}});
  written.Add("docs/a.txt", {{7, 200}, {}});
  written.Add("docs", {{}, {3, 300}});
  written.Add("big.bin", {{int64_t{1} << 40, 400}, {9, 0xFFFFFFFF}});
  const std::string bytes = written.Serialize("/src", "/dest");

  SyncState read;
  ASSERT_EQ(read.Parse(bytes, "/src", "/dest"), SyncState::Loaded::kLoaded);
  EXPECT_EQ(read.Count(), 4u);
  EXPECT_EQ(read.Find("docs/b.txt")->dest, (SideState{5, 100}));
  EXPECT_FALSE(read.Find("docs/a.txt")->dest.present());
  EXPECT_FALSE(read.Find("docs")->src.present());
  EXPECT_EQ(read.Find("big.bin")->src.size, int64_t{1} << 40);
  EXPECT_EQ(read.Find("big.bin")->dest, (SideState{9, 0xFFFFFFFF}));
  EXPECT_FALSE(read.Find("docs/c.txt"));
  EXPECT_FALSE(read.Find("doc"));
  EXPECT_EQ(read.Serialize("/src", "/dest"), bytes);
}

TEST(SyncState, DamagedOrForeignStateIsNotTrusted) {
  SyncState written;
  written.Add("a.txt", {{1, 1}, {1, 1}});
  const std::string bytes = written.Serialize("/src", "/dest");

  SyncState read;
  EXPECT_EQ(read.Parse(bytes, "/src", "/other"), SyncState::Loaded::kOtherFolders);
  EXPECT_EQ(read.Count(), 0u);
  EXPECT_EQ(read.Parse(bytes.substr(0, bytes.size() - 1), "/src", "/dest"),
            SyncState::Loaded::kUnreadable);
  for (size_t at : {size_t{0}, size_t{12}, bytes.size() - 10}) {
    std::string flipped = bytes;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x20);
    EXPECT_EQ(read.Parse(flipped, "/src", "/dest"), SyncState::Loaded::kUnreadable) << at;
  }
  EXPECT_EQ(read.Parse("", "/src", "/dest"), SyncState::Loaded::kUnreadable);
  // The folders decide the file's name.
  EXPECT_NE(SyncState::PathFor("/d", "/a", "/bc"), SyncState::PathFor("/d", "/ab", "/c"));
  EXPECT_EQ(SyncState::PathFor("/d", "/a", "/b").rfind("/d/sync-", 0), 0u);
}

}  // namespace
}  // namespace qm
