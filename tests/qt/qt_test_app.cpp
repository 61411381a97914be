// One QApplication for the whole test program, made before the first test and destroyed after
// the last one: destroying it from a static at exit would run after Qt's own globals are gone.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace qm::test {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // No display is needed: windows are drawn into memory.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[8] = "test_qt";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// Each test keeps its windows' options, autostart entries, data files and background locks in
// a directory of its own.
class ConfigPerTest : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    char dir[] = "/tmp/quillmor-qt-test-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    dir_ = dir;
    setenv("QUILLMOR_CONFIG_DIR", (dir_ + "/config").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ + "/xdg").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ + "/xdg-data").c_str(), 1);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
    dir_.clear();
  }

 private:
  std::string dir_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);
[[maybe_unused]] const bool kConfigPerTest = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ConfigPerTest);
  return true;
}();

}  // namespace
}  // namespace qm::test
