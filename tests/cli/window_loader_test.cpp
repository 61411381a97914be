// The window lives in a library that only the window's path loads: the program without it
// still runs its headless commands, and a missing or broken library is a clear error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/window_loader.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace qm::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kExe = QUILLMOR_EXE;
const fs::path kLibrary = kExe.parent_path() / "libquillmor-window.so";

class WindowLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kLibrary)) GTEST_SKIP() << "built without the window";
    fs::copy_file(kExe, dir_ / "quillmor");
  }
  test::Outcome Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--store", dir_ / "store.dat"});
    auto env = test::IsolatedEnvironment(dir_.path());
    return test::ChildProcess(dir_ / "quillmor", {std::move(args), env, test::kPipe, test::kPipe})
        .Finish();
  }
  test::TempDir dir_;
};

TEST_F(WindowLibrary, HeadlessCommandsNeitherNeedItNorLinkQt) {
  const test::Outcome version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, HasSubstr("quillmor"));
  EXPECT_EQ(Run({"--list"}).status, 0);

  const test::Outcome ldd = test::ChildProcess("/usr/bin/ldd", {{kExe}, {}, test::kPipe}).Finish();
  ASSERT_EQ(ldd.status, 0);
  EXPECT_THAT(ldd.out, Not(HasSubstr("libQt")));
}

TEST_F(WindowLibrary, MissingOrBrokenLibraryIsNamedWithTheReason) {
  const test::Outcome missing = Run({});
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("libquillmor-window.so"));
  EXPECT_THAT(missing.err, HasSubstr("No such file"));

  dir_.WriteFile("libquillmor-window.so", "not a library");
  const test::Outcome broken = Run({"/B"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_THAT(broken.err, HasSubstr(dir_ / "libquillmor-window.so"));
  EXPECT_THAT(broken.err, HasSubstr("too short"));
}

TEST(WindowLibraryPlaces, BesideTheProgramFirstThenTheInstalledFolder) {
  const auto places = WindowLibraryPlaces("/opt/q/bin");
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0], "/opt/q/bin/libquillmor-window.so");
  EXPECT_THAT(places[1], HasSubstr("/opt/q/bin/../"));
  EXPECT_THAT(places[2], Not(HasSubstr("/opt/q")));
  EXPECT_EQ(fs::path(places[1]).filename(), "libquillmor-window.so");
  EXPECT_EQ(WindowLibraryPlaces("").size(), 1u);
}

}  // namespace
}  // namespace qm::cli
