// The real window, offscreen, told to end by a signal while a question box is open: it saves
// and exits instead of waiting for an answer nobody gives.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

namespace stdfs = std::filesystem;

TEST(WindowSignalTest, SaveAndQuitWhileAQuestionBoxIsOpen) {
  for (const int sig : {SIGTERM, SIGHUP}) {
    TempDir tmp;
    // With no profile table the window asks whether to make a profile, just after it shows.
    const std::string store = tmp / "Quillmor.dat";
    ChildProcess window = StartQuillmor(
        tmp.path(), {.args = {"--store", store}, .env = {{"QT_QPA_PLATFORM", "offscreen"}}});
    // The question's box is open by then; the signal arrives while its own loop runs.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    window.Signal(sig);
    EXPECT_EQ(window.Wait(), 0) << "signal " << sig;
    EXPECT_TRUE(stdfs::exists(store)) << "the profile table was not saved";
  }
}

}  // namespace
}  // namespace qm::test
