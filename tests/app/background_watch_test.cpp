// The background mode with its change watch. On the virtual clock with a fake watch: a pass
// without changes is skipped yet tells what a no-change pass tells. With the kernel's watch on
// real folders and the real clock: changes, deletions and a new folder's files are backed up at
// the next due time.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>

#include "app/run_session.h"
#include "platform/date_time.h"
#include "support/controller_factory.h"
#include "support/fake_change_watch.h"
#include "ui/headless_message_loop.h"

namespace qm::test {
namespace {

using ::testing::ElementsAreArray;

class WatchedBackgroundTest : public FormTest {};

TEST_F(WatchedBackgroundTest, UnchangedProfileIsNotScannedButLogsAsANoChangePass) {
  dir.WriteFile("src/a.txt", "one");
  WriteProfileStore(store, [&](ProfileTable& table) {
    ASSERT_TRUE(AppendProfile(table, "Docs", dir / "src", dir / "dest"));
    ASSERT_TRUE(table.SetDateTime(ProfileField::Interval, EncodeTime(0, 0, 3)));
    ASSERT_TRUE(table.Post());
  });
  Start({"/B"});
  FakeChangeWatch* fake = nullptr;
  form->session().make_change_watch = [&]() -> Result<std::unique_ptr<ChangeWatch>> {
    auto watch = std::make_unique<FakeChangeWatch>();
    fake = watch.get();
    return std::unique_ptr<ChangeWatch>(std::move(watch));
  };
  std::vector<std::string> records;
  form->session().RecordMade.Connect([&](LogKind kind, const std::string& text) {
    if (kind == LogKind::kInfo) records.push_back(text);
  });
  PassOneTimeStep();
  std::string copied, skipped_over;
  size_t after_scan = 0, after_skip = 0;
  // 3 s: the first pass copies; 6 s: a scan that finds nothing to do; 9 s: skipped.
  loop.At(7000, [&] {
    after_scan = records.size();
    // Changed without an event: only a scan would see it.
    dir.WriteFile("src/a.txt", "two");
    SetMTime(dir / "src/a.txt", 2'000'000'000);
  });
  loop.At(10'000, [&] {
    skipped_over = dir.ReadFile("dest/a.txt");
    after_skip = records.size();
    fake->Change(dir / "src", dir / "src/a.txt");
  });
  loop.At(13'000, [&] {
    copied = dir.ReadFile("dest/a.txt");
    form->stop_menu_item.Click();
  });
  loop.RunFor(14'000);
  EXPECT_EQ(skipped_over, "one");
  EXPECT_EQ(copied, "two");
  ASSERT_GE(after_scan, 6u);
  ASSERT_EQ(after_skip, after_scan + 3);
  // The skipped pass's records are the no-change scan's, file count included.
  EXPECT_THAT(std::vector(records.begin() + after_scan, records.begin() + after_skip),
              ElementsAreArray(records.begin() + after_scan - 3, records.begin() + after_scan));
}

// The kernel's watch, the real clock and the headless loop; each step waits at most 20 s.
class KernelWatchTest : public ::testing::Test {
 protected:
  struct Step {
    std::function<void()> act;
    std::function<bool()> done;
  };

  KernelWatchTest() { env.UseDirectoriesBelow(dir.path()); }

  void StartSession(bool remove_deleted) {
    WriteProfileStore(store, [&](ProfileTable& table) {
      ASSERT_TRUE(AppendProfile(table, "Docs", dir / "src", dir / "dest"));
      ASSERT_TRUE(table.SetDateTime(ProfileField::Interval, EncodeTime(0, 0, 1)));
      table.SetBool(ProfileField::RemoveDeleted, remove_deleted);
      table.SetBool(ProfileField::InclDirs, true);
      ASSERT_TRUE(table.Post());
    });
    session = std::make_unique<RunSession>(PosixFileSystem(), SystemClock(), loop, dialogs,
                                           RegionalFormats{}, store);
    session->state.LockDirectory = dir / "locks";
    LogOptions log;
    log.dir = dir.path() + "/";
    session->SetLogOptions(log);
    session->RecordMade.Connect(
        [this](LogKind, const std::string& text) { records += text + "\n"; });
    ASSERT_TRUE(session->StartBackgroundMode());
    if (session->background_watch()->WatchCount() == 0) GTEST_SKIP() << records;
  }
  // Runs the background mode through `steps`: each acts, then waits until it is done.
  void Run(std::vector<Step> steps) {
    using Clock = std::chrono::steady_clock;
    size_t at = 0;
    bool acted = false;
    Clock::time_point deadline;
    ui::Timer check(loop, "check", 20, true);
    check.OnTimer = [&] {
      // The outer loop's round may still hold this timer as due after the stop.
      if (at == steps.size()) return;
      if (!acted) {
        steps[at].act();
        acted = true;
        deadline = Clock::now() + std::chrono::seconds(20);
      }
      const bool done = steps[at].done();
      if (!done && Clock::now() < deadline) return;
      const WatchedProfile* p = session->background_watch()->Find("Docs");
      EXPECT_TRUE(done) << "step " << at << " not done in time; watches "
                        << session->background_watch()->WatchCount() << ", complete " << p->complete
                        << ", changed " << p->changed << ", queued " << session->run_list.Count()
                        << ", records:\n"
                        << records;
      acted = false;
      at = done ? at + 1 : steps.size();
      if (at == steps.size()) session->StopBackgroundMode();
    };
    while (session->state.Mode == RunMode::kBackground) loop.WaitForMessages(100);
  }
  // The profile's last pass is over and nothing has changed since it began.
  bool Settled() const {
    const WatchedProfile* p = session->background_watch()->Find("Docs");
    return session->run_list.Empty() && p->complete && !p->changed;
  }
  bool Holds(const std::string& relative, const std::string& content) const {
    return dir.Exists(relative) && dir.ReadFile(relative) == content;
  }

  TempDir dir;
  std::string store = dir / "data/Quillmor.dat";
  ScopedEnv env;
  ui::HeadlessMessageLoop loop;
  ScriptedDialogs dialogs;
  std::unique_ptr<RunSession> session;
  std::string records;
};

TEST_F(KernelWatchTest, ChangedDeletedAndNewFolderFilesAreBackedUpAtTheNextDueTime) {
  dir.WriteFile("src/a.txt", "one");
  dir.WriteFile("src/b.txt", "b");
  StartSession(/*remove_deleted=*/true);
  auto nothing = [] {};
  Run({
      {nothing, [&] { return Holds("dest/b.txt", "b") && Settled(); }},
      {[&] {
         dir.WriteFile("src/a.txt", "two");
         SetMTime(dir / "src/a.txt", std::time(nullptr) + 60);
       },
       [&] { return Holds("dest/a.txt", "two"); }},
      {[&] { std::filesystem::remove(dir / "src/b.txt"); },
       [&] { return !dir.Exists("dest/b.txt"); }},
      // Only the new folder's own watch can see a file written into it after a settled pass.
      {[&] { dir.MakeDir("src/new"); },
       [&] { return session->background_watch()->WatchCount() == 2 && Settled(); }},
      {[&] { dir.WriteFile("src/new/c.txt", "c"); }, [&] { return Holds("dest/new/c.txt", "c"); }},
  });
  EXPECT_EQ(session->background_watch(), nullptr) << "the stop ends the watch";
}

}  // namespace
}  // namespace qm::test
