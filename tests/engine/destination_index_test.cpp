#include "engine/destination_index.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qm {
namespace {

// The list walk the index stands for, written out plainly.
DestinationIndex::Pairing Walk(const NamedList<ScannedFile>& dest, bool zip, int16_t kind,
                               const std::string& name, DosDateTime time,
                               std::vector<size_t>& matched) {
  DestinationIndex::Pairing p;
  p.M = 0;
  matched.clear();
  for (size_t i = 0; i < dest.Count(); ++i) {
    const auto reduced = StripKeepSuffix(dest.Object(i).Name, zip, kind, p.M);
    if (!reduced || *reduced != name) continue;
    matched.push_back(i);
    if (time <= static_cast<DosDateTime>(dest.Object(i).Time)) {
      p.copy_needed = false;
      break;
    }
  }
  return p;
}

TEST(DestinationIndex, GivesTheListWalksOutcomeOnRandomLists) {
  const std::vector<std::string> dest_names = {"a.txt",
                                               "a.txt.1",
                                               "a.txt.3",
                                               "a.txt.zip",
                                               "a.txt.2.zip",
                                               "b.txt",
                                               "b.txt.12",
                                               "b.txt.x.zip",
                                               "a.txt.10-12-2004_2-14-36",
                                               "old.2004/readme",
                                               "c",
                                               "c.7",
                                               "c.zip"};
  const std::vector<std::string> source_names = {"a.txt", "b.txt", "c", "old", "zzz"};
  // Times straddle the signed limit, so a signed comparison would be caught.
  const std::vector<int32_t> times = {100, 200, 300, static_cast<int32_t>(0x90000000u)};
  std::mt19937 rng(7);
  auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };

  std::vector<size_t> expected_matched;
  for (int round = 0; round < 400; ++round) {
    NamedList<ScannedFile> dest;
    const size_t count = pick(12);
    for (size_t i = 0; i < count; ++i) {
      auto item = std::make_unique<ScannedFile>();
      const std::string& name = dest_names[pick(dest_names.size())];
      item->Name = name;
      item->Time = times[pick(times.size())];
      dest.Add(name, std::move(item));
    }
    const bool zip = round % 2 == 1;
    const auto kind = static_cast<int16_t>(round / 2 % 3);
    const DestinationIndex index(dest, zip, kind);
    for (const std::string& name : source_names) {
      for (int32_t t : times) {
        const auto time = static_cast<DosDateTime>(t);
        const auto want = Walk(dest, zip, kind, name, time, expected_matched);
        const auto got = index.Pair(name, time);
        SCOPED_TRACE("round " + std::to_string(round) + " source " + name);
        EXPECT_EQ(got.copy_needed, want.copy_needed);
        EXPECT_EQ(std::vector<size_t>(got.matched.begin(), got.matched.end()), expected_matched);
        EXPECT_EQ(got.M, want.M);
      }
    }
  }
}

TEST(DestinationIndex, SequenceExamples) {
  NamedList<ScannedFile> dest;
  auto add = [&dest](std::string name, int32_t time) {
    auto item = std::make_unique<ScannedFile>();
    item->Name = name;
    item->Time = time;
    dest.Add(name, std::move(item));
  };
  add("a.txt.1", 100);
  add("b.txt.4", 500);
  add("a.txt.2", 50);
  const DestinationIndex index(dest, false, kKeepSequence);
  auto older = index.Pair("a.txt", 200);  // a.txt.1 is older: a.txt.5 is next
  EXPECT_TRUE(older.copy_needed);
  EXPECT_EQ(older.M, 4);
  EXPECT_EQ(std::vector<size_t>(older.matched.begin(), older.matched.end()),
            (std::vector<size_t>{0, 2}));
  auto same = index.Pair("a.txt", 100);  // a.txt.1 carries the source's time
  EXPECT_FALSE(same.copy_needed);
  EXPECT_EQ(same.matched.size(), 1u);
  EXPECT_EQ(index.EntriesNamed("a.txt").size(), 2u);
  EXPECT_EQ(index.MaxSequence(), 4);
  EXPECT_TRUE(index.Pair("new.txt", 1).copy_needed);
}

// A destination list and its index of 100,000 kept copies in 2,000 directories: all told
// within 120 bytes a file.
TEST(DestinationIndex, ListAndIndexStayWithin120BytesAFile) {
  NamedList<ScannedFile> dest;
  constexpr size_t kFiles = 100000;
  for (size_t d = 0; d < 2000; ++d) {
    const std::string rel = "level_" + std::to_string(d % 7) + "/folder_" + std::to_string(d) + "/";
    const uint32_t dir = dest.AddDirectory("/media/backup/Archive/Docs/" + rel, rel);
    for (size_t f = 0; f < kFiles / 2000; ++f) {
      const std::string name = "photo_" + std::to_string(d * 50 + f) + ".jpg." + std::to_string(f);
      dest.AddFile(dir, name, name, static_cast<uint32_t>(f), 1, 0x20);
    }
  }
  const DestinationIndex index(dest, false, kKeepSequence);
  EXPECT_LE(dest.MemoryUsed() + index.MemoryUsed(), kFiles * 120);
  EXPECT_EQ(index.EntriesNamed("level_3/folder_3/photo_151.jpg").size(), 1u);
  EXPECT_EQ(index.MaxSequence(), 49);
}

}  // namespace
}  // namespace qm
