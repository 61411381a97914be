// --dry-run: the preview takes the decisions of the real run on the same trees, prints one line
// per action and changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/headless_host.h"
#include "cli/run_command.h"
#include "profiles/profile_record.h"
#include "support/store_file.h"
#include "support/temp_dir.h"

namespace qm::cli {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

// Every action of a run, as "<action line>", in the order the engine reported them.
struct ActionRecorder : RunObserver {
  std::vector<std::string> actions;
  void FileDone(const FileEvent& event) noexcept override {
    actions.push_back(event.action == FileAction::kFailed ? "failed " + std::string(event.source)
                                                          : PreviewLine(event));
  }
};

// Content, time and mode of every entry below a folder, temporaries and locks included.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> snap;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    lstat(e.path().c_str(), &st);
    std::string value = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec);
    if (e.is_regular_file()) {
      std::ifstream f(e.path(), std::ios::binary);
      value += " " + std::string(std::istreambuf_iterator<char>(f), {});
    }
    snap[e.path().string()] = value;
  }
  return snap;
}

class PreviewTest : public ::testing::Test {
 protected:
  PreviewTest() {
    setenv("XDG_DATA_HOME", (dir_.path() + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1);
    setenv("QUILLMOR_CONFIG_DIR", (dir_.path() + "/config").c_str(), 1);
    // Plain: one new, one changed, one up to date, one deleted at the source.
    Write("plain/src/new.txt", "new", kNew);
    Write("plain/src/changed.txt", "changed", kNew);
    Write("plain/dest/changed.txt", "old", kOld);
    Write("plain/src/same.txt", "same", kOld);
    Write("plain/dest/same.txt", "same", kOld);
    Write("plain/dest/gone.txt", "gone", kOld);
    // Kept: the changed file's older copy is kept under the next number.
    Write("kept/src/doc.txt", "v2", kNew);
    Write("kept/dest/doc.txt.1", "v1", kOld);
    // Zip: a new file and a changed one, each packed into its own archive.
    Write("zip/src/a.txt", std::string(5000, 'a'), kNew);
    Write("zip/src/sub/b.txt", "b", kNew);
    // Both ways: a file newer at the destination goes back.
    Write("both/src/here.txt", "here", kNew);
    Write("both/dest/there.txt", "there", kNew);
  }

  static constexpr long long kOld = 1600000000;
  static constexpr long long kNew = 1700000000;

  void Write(const std::string& rel, const std::string& content, long long mtime) {
    dir_.WriteFile(rel, content);
    test::SetMTime(dir_ / rel, mtime);
  }

  ProfileRecord Profile(const std::string& name) {
    dir_.MakeDir(name + "/dest");
    return test::BackupProfile(name, dir_ / (name + "/src"), dir_ / (name + "/dest"));
  }
  void WriteStore() {
    ProfileRecord plain = Profile("plain");
    plain.SetRemoveDeleted(true);
    ProfileRecord kept = Profile("kept");
    kept.SetKeepCopyKind(1);
    ProfileRecord zip = Profile("zip");
    zip.SetdoZIP(true);
    ProfileRecord both = Profile("both");
    both.SetSyncMethod(1);
    test::WriteStoreFile(dir_ / "store.dat", {plain, kept, zip, both});
  }

  int Run(bool dry_run, ActionRecorder& recorder) {
    RunRequest request;
    request.store_path = dir_ / "store.dat";
    request.lock_directory = dir_ / "locks";
    request.all = true;
    request.dry_run = dry_run;
    out_.str("");
    err_.str("");
    return RunProfiles(request, out_, err_, &recorder);
  }

  TempDir dir_;
  std::ostringstream out_, err_;
};

TEST_F(PreviewTest, ShowsWhatTheRealRunThenDoesAndChangesNothing) {
  WriteStore();
  const auto before = Snapshot(dir_.path());

  ActionRecorder preview;
  ASSERT_EQ(Run(/*dry_run=*/true, preview), 0) << err_.str();
  const std::string preview_out = out_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(Snapshot(dir_.path()), before) << "the preview wrote something";

  ActionRecorder real;
  ASSERT_EQ(Run(/*dry_run=*/false, real), 0) << err_.str();
  EXPECT_EQ(preview.actions, real.actions);

  // One line per action of the real run, then the same counts.
  std::string expected;
  for (const std::string& line : real.actions) expected += line + "\n";
  const std::string counts = out_.str().substr(0, out_.str().find('\n') + 1);
  EXPECT_EQ(preview_out, expected + counts + "dry run: nothing was changed, no log written\n");

  // The cases the trees hold, each seen once.
  const std::string d = dir_.path();
  EXPECT_THAT(real.actions,
              ::testing::UnorderedElementsAre(
                  "copy " + d + "/plain/src/new.txt -> " + d + "/plain/dest/new.txt",
                  "copy " + d + "/plain/src/changed.txt -> " + d + "/plain/dest/changed.txt",
                  "delete " + d + "/plain/dest/gone.txt",
                  "copy " + d + "/kept/src/doc.txt -> " + d + "/kept/dest/doc.txt.2",
                  "pack " + d + "/zip/src/a.txt -> " + d + "/zip/dest/a.txt.zip",
                  "pack " + d + "/zip/src/sub/b.txt -> " + d + "/zip/dest/sub/b.txt.zip",
                  "copy " + d + "/both/src/here.txt -> " + d + "/both/dest/here.txt",
                  "copy back " + d + "/both/dest/there.txt -> " + d + "/both/src/there.txt"));
  EXPECT_EQ(dir_.ReadFile("kept/dest/doc.txt.2"), "v2");
}

TEST_F(PreviewTest, ASourceThatCannotBeListedFailsThePreview) {
  WriteStore();
  std::filesystem::remove_all(dir_ / "plain/src");
  ActionRecorder preview;
  EXPECT_EQ(Run(/*dry_run=*/true, preview), 1);
  EXPECT_THAT(out_.str(), HasSubstr("failed 1"));
  EXPECT_FALSE(dir_.Exists("Quillmor.log"));
}

}  // namespace
}  // namespace qm::cli
