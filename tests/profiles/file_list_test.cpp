// The compact file list: what it gives back, and how little it holds.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "profiles/file_list.h"
#include "profiles/named_list.h"

namespace qm {
namespace {

TEST(FileList, GivesBackTextsNamesAndFieldsInOrder) {
  NamedList<ScannedFile> list;
  const uint32_t top = list.AddDirectory("/data/", "");
  const uint32_t sub = list.AddDirectory("C:\\Data\\Docs\\", "docs\\");
  list.AddFile(sub, "A.TXT", "a.txt", 0x58A46000, int64_t{5} << 32, 0x21);
  list.AddFile(top, "b", "b", 7, 0, 0x20);
  auto item = std::make_unique<ScannedFile>();
  item->Name = "given";
  item->Time = -1;
  item->Size = 3;
  item->Matched = 1;
  list.Add("/any/text", std::move(item));
  list.AddFile(top, "b", "b", 8, 1, 0x20);  // equal texts may occur
  const std::string long_name(300, 'x');
  list.AddFile(top, long_name, long_name, 9, int64_t{40} << 20, 0x20);
  list.AddFile(top, "c", "c", 10, 3, 0x01);

  ASSERT_EQ(list.Count(), 6u);
  EXPECT_EQ(list.Name(4), long_name);
  EXPECT_EQ(list.Size(4), int64_t{40} << 20);
  EXPECT_EQ(list.Name(5), "c");
  EXPECT_EQ(list.Size(5), 3);
  EXPECT_EQ(list.Attr(5), 0x01);
  EXPECT_EQ(list.Text(0), "C:\\Data\\Docs\\A.TXT");
  EXPECT_EQ(list.Name(0), "docs\\a.txt");
  std::string name, text;
  list.NameAndTextInto(0, name, text);
  EXPECT_EQ(name + "|" + text, "docs\\a.txt|C:\\Data\\Docs\\A.TXT");
  EXPECT_EQ(list.Text(1), "/data/b");
  EXPECT_EQ(list.Name(1), "b");
  EXPECT_EQ(list.Text(2), "/any/text");
  EXPECT_EQ(list.Text(3), "/data/b");

  const ScannedFile first = list.Object(0);
  EXPECT_EQ(first.Name, "docs\\a.txt");
  EXPECT_EQ(first.Time, 0x58A46000);
  EXPECT_DOUBLE_EQ(first.DateTime, DosDateTimeToDateTime(0x58A46000));
  EXPECT_EQ(first.Size, int64_t{5} << 32);  // all 64 bits
  EXPECT_EQ(first.Attr, 0x21);
  EXPECT_EQ(list.Object(2).Name, "given");
  EXPECT_EQ(list.Time(2), -1);
  EXPECT_EQ(list.Matched(2), 1);

  EXPECT_TRUE(list.NameStartsWith(0, "docs\\a"));
  EXPECT_TRUE(list.NameStartsWith(0, "do"));
  EXPECT_FALSE(list.NameStartsWith(0, "docs\\a.txt2"));
  EXPECT_FALSE(list.NameStartsWith(0, "docs\\A"));
  EXPECT_TRUE(list.NameEquals(0, "docs\\a.txt"));
  EXPECT_FALSE(list.NameEquals(0, "docs\\a.tx"));
  EXPECT_FALSE(list.NameEquals(0, "docs\\a.txt2"));

  list.SetMatched(1, 1);
  EXPECT_EQ(list.Matched(1), 1);
  list.ClearMatched();
  EXPECT_EQ(list.Matched(1) + list.Matched(2), 0);
  list.Clear();
  EXPECT_TRUE(list.Empty());
}

// A tree as the scan fills it: 100,000 files in 2,000 directories eight deep.
TEST(FileList, HoldsATreeInLessThan32BytesAFile) {
  NamedList<ScannedFile> list;
  constexpr int kFiles = 100000, kDirs = 2000;
  for (int d = 0; d < kDirs; ++d) {
    std::string rel;
    for (int level = 0, n = d; level < 8 && (level == 0 || n > 0); ++level, n /= 3) {
      rel += "dir_" + std::to_string(n % 37) + "/";
    }
    const uint32_t dir = list.AddDirectory("/home/user/Documents/" + rel, rel);
    for (int f = 0; f < kFiles / kDirs; ++f) {
      const std::string name = "file_" + std::to_string(d * 50 + f) + ".dat";
      list.AddFile(dir, name, name, 0, 12000, 0x20);
    }
  }
  EXPECT_LT(list.MemoryUsed(), size_t{kFiles} * 32);
  // Every name read back, across the arena's block ends.
  std::string name;
  for (int i = 0; i < kFiles; ++i) {
    list.NameInto(static_cast<size_t>(i), name);
    ASSERT_TRUE(name.ends_with("/file_" + std::to_string(i) + ".dat")) << name;
  }
}

}  // namespace
}  // namespace qm
