// The record form of a profile against byte arrays built by hand from the layout.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "profile_fixture.h"

namespace qm {
namespace {

using F = ProfileField;
using test::WiredTable;

// A record image: all zero, with the given bytes placed at `offset`.
struct Image {
  ProfileRecord::Bytes bytes{};
  Image& At(size_t offset, std::initializer_list<int> values) {
    for (int v : values) bytes[offset++] = static_cast<std::byte>(v);
    return *this;
  }
  Image& Text(size_t offset, const std::string& text) {
    bytes[offset] = static_cast<std::byte>(text.size());
    std::memcpy(&bytes[offset + 1], text.data(), text.size());
    return *this;
  }
};

ProfileRecord FromRow(const ProfileTable& table) {
  ProfileRecord record;
  ProfileFromRow(table, record);
  return record;
}

TEST(RecordCodec, EveryFieldLandsAtItsOffsetLittleEndian) {
  WiredTable w;
  ProfileTable& t = w.table;
  t.Append();
  t.SetBool(F::Enabled, true);
  t.SetText(F::Name, "Docs");
  t.SetText(F::SrcDir, "/home/a");
  t.SetText(F::DestDir, "/mnt/b");
  t.SetText(F::FileMask, "*.txt");
  t.SetBool(F::InclDirs, false);
  t.SetInt(F::CopyCriteria, -2);
  t.SetInt(F::SyncMethod, kSyncBothWays);
  ASSERT_TRUE(t.SetDateTime(F::LastRun, 46000.5));
  ASSERT_TRUE(t.SetDateTime(F::NextRun, 46000.25));
  t.SetInt(F::KeepCopyKind, kKeepDateTime);
  t.SetInt(F::PSDone, 0x1234);
  t.SetBool(F::doZIP, true);
  t.SetInt(F::zipMode, 9);
  t.SetBool(F::RemoveDeleted, true);
  ASSERT_TRUE(t.SetDateTime(F::Interval, 10.0 / 1440));
  t.SetBool(F::UseStartTimeEndTime, true);
  ASSERT_TRUE(t.SetDateTime(F::StartTime, 0.25));
  ASSERT_TRUE(t.SetDateTime(F::FinishTime, 0.75));

  Image expected;
  expected.At(0, {1})
      .Text(1, "Docs")
      .Text(42, "/home/a")
      .Text(298, "/mnt/b")
      .Text(554, "*.txt")
      .At(810, {0})
      .At(811, {0xfe, 0xff})
      .At(813, {0x01, 0x00})
      .At(815, {0, 0, 0, 0, 0x10, 0x76, 0xe6, 0x40})
      .At(823, {0, 0, 0, 0, 0x08, 0x76, 0xe6, 0x40})
      .At(831, {0x02, 0x00})
      .At(833, {0x34, 0x12})
      .At(835, {1})
      .At(836, {0x09, 0x00})
      .At(838, {1})
      .At(839, {0x1c, 0xc7, 0x71, 0x1c, 0xc7, 0x71, 0x7c, 0x3f})
      .At(847, {1})
      .At(848, {0, 0, 0, 0, 0, 0, 0xd0, 0x3f})
      .At(856, {0, 0, 0, 0, 0, 0, 0xe8, 0x3f});
  EXPECT_EQ(FromRow(t).bytes(), expected.bytes);
}

TEST(RecordCodec, RowFromRecordAndBackGivesTheSameBytes) {
  Image image;
  image.At(0, {1}).Text(1, "Photos").Text(42, "/a").Text(298, "/b").Text(554, "*.jpg;*.png");
  image.At(811, {0x05, 0x00}).At(815, {0, 0, 0, 0, 0x10, 0x76, 0xe6, 0x40});
  image.At(836, {0x07, 0x00}).At(848, {0, 0, 0, 0, 0, 0, 0xd0, 0x3f});
  WiredTable w;
  w.table.Append();
  ASSERT_TRUE(ProfileToRow(ProfileRecord(image.bytes), w.table).ok());
  EXPECT_EQ(w.table.AsText(F::FileMask), "*.jpg;*.png");
  EXPECT_EQ(w.table.AsInt(F::CopyCriteria), 5);
  EXPECT_EQ(FromRow(w.table).bytes(), image.bytes);
}

TEST(RecordCodec, NameAtTheTablesLimitAndUnsetFields) {
  WiredTable w;
  ProfileTable& t = w.table;
  t.SetText(F::Name, std::string(30, 'n'));  // on an empty table: adds a row with defaults
  t.SetText(F::Name, std::string(31, 'n'));  // the 31st character is cut
  ProfileRecord r = FromRow(t);
  EXPECT_EQ(static_cast<int>(r.bytes()[1]), 30);
  for (size_t i = 32; i <= 41; ++i) EXPECT_EQ(static_cast<int>(r.bytes()[i]), 0) << i;

  // A row that never got an Interval (no defaults wired) writes eight zero bytes.
  ProfileTable bare;
  bare.SetText(F::Name, "x");
  ProfileRecord b = FromRow(bare);
  for (size_t i = 839; i < 847; ++i) EXPECT_EQ(static_cast<int>(b.bytes()[i]), 0) << i;
  EXPECT_EQ(b.Interval(), 0.0);
}

TEST(RecordCodec, LongTextsFromARecordAreCutToTheTablesSizes) {
  ProfileRecord record;
  record.SetName(std::string(40, 'N'));
  record.SetSrcDir(std::string(255, 's'));
  record.SetDestDir(std::string(253, 'd') + "\xc3\xa9");  // 255 bytes ending in a 2-byte char
  record.SetFileMask(std::string(255, 'm'));
  WiredTable w;
  w.table.Append();
  ASSERT_TRUE(ProfileToRow(record, w.table).ok());
  EXPECT_EQ(w.table.AsText(F::Name), std::string(30, 'N'));
  EXPECT_EQ(w.table.AsText(F::SrcDir), std::string(254, 's'));
  EXPECT_EQ(w.table.AsText(F::DestDir), std::string(253, 'd'));  // never half a character
  EXPECT_EQ(w.table.AsText(F::FileMask), std::string(255, 'm'));
}

TEST(RecordCodec, DamagedLengthBytesReadOnlyTheFieldsCapacity) {
  Image image;
  image.At(1, {200});  // a name length beyond the 40 bytes the record has room for
  for (size_t i = 2; i <= 41; ++i) image.bytes[i] = std::byte{'q'};
  image.At(42, {'x'});  // first byte of the next field, not part of the name
  ProfileRecord record(image.bytes);
  EXPECT_EQ(record.Name(), std::string(40, 'q'));
}

TEST(RecordCodec, Utf8TextsAreCutAtCharacterBoundaries) {
  const std::string e = "\xc3\xa9";  // é, two bytes
  std::string name;
  for (int i = 0; i < 16; ++i) name += e;  // 32 bytes
  WiredTable w;
  w.table.SetText(F::Name, name);
  EXPECT_EQ(w.table.AsText(F::Name).size(), 30u);
  w.table.SetText(F::Name, std::string(29, 'a') + "\xe2\x82\xac");  // 29 + a 3-byte euro sign
  EXPECT_EQ(w.table.AsText(F::Name), std::string(29, 'a'));

  ProfileRecord record;
  record.SetName(std::string(39, 'a') + e);  // 41 bytes: the é does not fit in 40
  EXPECT_EQ(record.Name(), std::string(39, 'a'));
}

TEST(RecordCodec, AnyNonZeroBooleanByteReadsTrueAndWritesBackAsOne) {
  Image image;
  image.At(0, {2}).At(810, {0xff}).Text(1, "n").Text(42, "/s").Text(298, "/d");
  WiredTable w;
  w.table.Append();
  ASSERT_TRUE(ProfileToRow(ProfileRecord(image.bytes), w.table).ok());
  EXPECT_TRUE(w.table.AsBool(F::Enabled));
  EXPECT_TRUE(w.table.AsBool(F::InclDirs));
  ProfileRecord back = FromRow(w.table);
  EXPECT_EQ(static_cast<int>(back.bytes()[0]), 1);
  EXPECT_EQ(static_cast<int>(back.bytes()[810]), 1);
}

TEST(RecordCodec, StartAndFinishTimeLoseTheirDatePart) {
  ProfileRecord record;
  record.SetStartTime(38000.75);  // a date with 18:00
  record.SetFinishTime(-1.25);    // before 1899-12-30, 06:00
  WiredTable w;
  w.table.Append();
  ASSERT_TRUE(ProfileToRow(record, w.table).ok());
  EXPECT_EQ(w.table.AsDateTime(F::StartTime), 0.75);
  EXPECT_EQ(w.table.AsDateTime(F::FinishTime), 0.25);
  EXPECT_EQ(FromRow(w.table).StartTime(), 0.75);
}

TEST(RecordCodec, StoredValuesComeInWithoutTheEditingRules) {
  ProfileRecord record;
  record.SetName("keep");
  record.SetSrcDir("/s");
  record.SetDestDir("/d");
  record.SetSyncMethod(kSyncOneWay);
  record.SetRemoveDeleted(false);
  record.SetKeepCopyKind(kKeepDateTime);
  record.SetdoZIP(false);
  WiredTable w;
  w.table.Append();  // the defaults set doZIP; the record's value must win
  ASSERT_TRUE(ProfileToRow(record, w.table).ok());
  ASSERT_TRUE(w.table.Post());
  EXPECT_EQ(w.table.AsInt(F::KeepCopyKind), kKeepDateTime);
  EXPECT_FALSE(w.table.AsBool(F::doZIP));
}

TEST(RecordCodec, ReservedBytesAreZeroWhateverTheRecordHeldBefore) {
  ProfileRecord record;
  record.bytes().fill(std::byte{0xAB});
  WiredTable w;
  w.Add("p");
  ProfileFromRow(w.table, record);
  for (size_t i = ProfileRecord::kReserved; i < ProfileRecord::kSize; ++i)
    ASSERT_EQ(static_cast<int>(record.bytes()[i]), 0) << i;
  // So are the bytes after each text.
  for (size_t i = 3; i <= 41; ++i) ASSERT_EQ(static_cast<int>(record.bytes()[i]), 0) << i;
}

TEST(RecordCodec, DateTimesTheTableCannotHoldAreRefused) {
  ProfileRecord record;
  record.SetLastRun(-700000.0);  // before the year 1
  WiredTable w;
  w.table.Append();
  Status s = ProfileToRow(record, w.table);
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.error().message.find("LastRun"), std::string::npos);
}

}  // namespace
}  // namespace qm
