#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

const std::string kKey = "Software\\Orbanix\\Applications\\Quillmor\\MainForm";

class RegistryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  FaultInjectingFileSystem faults_{PosixFileSystem()};
  std::string config_ = dir_ / "config/Quillmor";  // missing until the first write
  Registry reg_{config_, faults_};

  std::optional<std::string> Read(const std::string& name, Hive hive = Hive::kLocalMachine) {
    // A fresh reader: from the file.
    return Registry(config_, PosixFileSystem()).ReadString(hive, kKey, name);
  }
};

TEST_F(RegistryTest, KeepsValuesPerHiveAcrossInstances) {
  EXPECT_FALSE(Read("Flags").has_value());
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "Flags", "0").ok());
  ASSERT_TRUE(reg_.WriteString(Hive::kCurrentUser, kKey, "Flags", "2").ok());
  EXPECT_EQ(Read("Flags"), "0");
  EXPECT_EQ(Read("Flags", Hive::kCurrentUser), "2");
  EXPECT_NE(reg_.HiveFile(Hive::kLocalMachine), reg_.HiveFile(Hive::kCurrentUser));
  EXPECT_EQ(reg_.ReadString(Hive::kLocalMachine, "Other\\Key", "Flags"), std::nullopt);
}

TEST_F(RegistryTest, KeysAndNamesIgnoreLetterCase) {
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "deLogDir.Text", "/a").ok());
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine,
                               "SOFTWARE\\ORBANIX\\Applications\\Quillmor\\mainform",
                               "DELOGDIR.TEXT", "/b")
                  .ok());
  EXPECT_EQ(Read("delogdir.text"), "/b");
}

TEST_F(RegistryTest, AnyTextRoundTrips) {
  const std::string odd = "C:\\dir=x [y]\r\nline two\t\\n;#";
  const std::string odd_name = "[name=with]\\odd";
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, odd_name, odd).ok());
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "empty", "").ok());
  EXPECT_EQ(Read(odd_name), odd);
  EXPECT_EQ(Read("empty"), "");
}

TEST_F(RegistryTest, DeleteValueRemovesOnlyThatValue) {
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "a", "1").ok());
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "b", "2").ok());
  ASSERT_TRUE(reg_.DeleteValue(Hive::kLocalMachine, kKey, "A").ok());
  EXPECT_FALSE(Read("a").has_value());
  EXPECT_EQ(Read("b"), "2");
  EXPECT_TRUE(reg_.DeleteValue(Hive::kLocalMachine, kKey, "never-there").ok());
}

TEST_F(RegistryTest, FailedWriteLeavesTheOldFileWhole) {
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "eLogLimit.Value", "64").ok());
  const std::string before = test::ReadWholeFile(reg_.HiveFile(Hive::kLocalMachine));

  faults_.FailWritesAfter(10);  // the disk fills up part-way through the new file
  Status s = reg_.WriteString(Hive::kLocalMachine, kKey, "eLogLimit.Value", "128");
  EXPECT_EQ(s.error().kind, ErrorKind::kNoSpace);
  faults_.ClearFaults();
  faults_.Fail(FsOp::kRename, ErrorKind::kIo);  // or the final rename fails
  EXPECT_FALSE(reg_.WriteString(Hive::kLocalMachine, kKey, "eLogLimit.Value", "256").ok());
  faults_.Fail(FsOp::kSync, ErrorKind::kIo);
  EXPECT_FALSE(reg_.WriteString(Hive::kLocalMachine, kKey, "eLogLimit.Value", "512").ok());

  EXPECT_EQ(test::ReadWholeFile(reg_.HiveFile(Hive::kLocalMachine)), before);
  EXPECT_EQ(Read("eLogLimit.Value"), "64");
  // No temporary file is left behind.
  EXPECT_EQ(PosixFileSystem().ListDirectory(config_).value().size(), 1u);
}

TEST_F(RegistryTest, SeveralValuesAreWrittenInOneReplacement) {
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "FLAGS", "1").ok());
  const int renames = faults_.CallCount(FsOp::kRename);
  ASSERT_TRUE(reg_.CreateKey(Hive::kLocalMachine, kKey).ok());
  ASSERT_TRUE(
      reg_.WriteStrings(Hive::kLocalMachine, kKey, {{"Flags", "0"}, {"ShowCmd", "1"}}).ok());
  EXPECT_EQ(faults_.CallCount(FsOp::kRename), renames + 1);
  EXPECT_EQ(Read("flags"), "0");
  EXPECT_EQ(Read("ShowCmd"), "1");
  EXPECT_NE(test::ReadWholeFile(reg_.HiveFile(Hive::kLocalMachine)).find("Flags=0"),
            std::string::npos);  // the new spelling

  faults_.Fail(FsOp::kRename, ErrorKind::kIo);
  EXPECT_FALSE(reg_.WriteStrings(Hive::kLocalMachine, kKey, {{"Flags", "2"}, {"New", "x"}}).ok());
  EXPECT_EQ(Read("Flags"), "0");
  EXPECT_FALSE(Read("New").has_value());
}

TEST_F(RegistryTest, UnreadableHiveIsNotOverwritten) {
  ASSERT_TRUE(reg_.WriteString(Hive::kLocalMachine, kKey, "a", "1").ok());
  faults_.FailAlways(FsOp::kOpenRead, ErrorKind::kAccessDenied);
  EXPECT_FALSE(reg_.ReadString(Hive::kLocalMachine, kKey, "a").has_value());
  EXPECT_EQ(reg_.WriteString(Hive::kLocalMachine, kKey, "b", "2").error().kind,
            ErrorKind::kAccessDenied);
  EXPECT_FALSE(reg_.CreateKey(Hive::kLocalMachine, kKey).ok());
  EXPECT_FALSE(reg_.WriteStrings(Hive::kLocalMachine, kKey, {{"b", "2"}}).ok());
  faults_.ClearFaults();
  EXPECT_EQ(Read("a"), "1");
}

TEST_F(RegistryTest, IgnoresDamagedLines) {
  dir_.WriteFile("config/Quillmor/machine.ini", "stray=before any section\n[" + kKey +
                                                    "\nbroken=1\n[" + kKey +
                                                    "]\r\nno equals sign\r\nFlags=3\r\n");
  EXPECT_EQ(Read("Flags"), "3");
  EXPECT_FALSE(Read("broken").has_value());
  EXPECT_FALSE(Read("stray").has_value());
}

}  // namespace
}  // namespace qm
