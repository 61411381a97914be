// A headless run writes its log as the window would: with the log options and the log
// directory stored by the window.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/main_form_state.h"
#include "platform/registry.h"
#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
#include "support/child_process.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/user_lock_files.h"

namespace qm::cli {
namespace {

using test::TempDir;

class StoredLogOptions : public ::testing::Test {
 protected:
  StoredLogOptions() {
    dir_.WriteFile("src/a.txt", "alpha");
    dir_.MakeDir("dest");
    dir_.MakeDir("logs");
    test::WriteStoreFile(dir_ / "store.dat",
                         {test::BackupProfile("docs", dir_ / "src", dir_ / "dest")});
  }

  ~StoredLogOptions() override { test::RemoveUserLockFiles({dir_ / "dest"}); }

  void StoreOption(const std::string& name, const std::string& value) {
    Registry options(dir_ / "config/Quillmor", PosixFileSystem());
    ASSERT_TRUE(
        options.WriteString(Hive::kLocalMachine, MainFormSettings().Key(), name, value).ok());
  }

  int Run() {
    return test::RunQuillmor(dir_.path(), {"--run", "docs", "--store", dir_ / "store.dat"}).status;
  }

  TempDir dir_;
};

TEST_F(StoredLogOptions, AStoredLogSuccessfulCopiesIsObeyed) {
  StoreOption("chLogSucc_Checked", "True");
  StoreOption("deLogDir_Text", dir_ / "logs/");
  ASSERT_EQ(Run(), 0);
  EXPECT_NE(dir_.ReadFile("logs/Quillmor.log").find("a.txt"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("Quillmor.log"));
}

TEST_F(StoredLogOptions, WithoutStoredOptionsSuccessfulCopiesAreNotLogged) {
  StoreOption("deLogDir_Text", dir_ / "logs/");
  ASSERT_EQ(Run(), 0);
  EXPECT_TRUE(!dir_.Exists("logs/Quillmor.log") ||
              dir_.ReadFile("logs/Quillmor.log").find("a.txt") == std::string::npos);
  EXPECT_TRUE(dir_.Exists("dest/a.txt"));
}

}  // namespace
}  // namespace qm::cli
