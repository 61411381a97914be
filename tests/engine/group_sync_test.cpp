// Groups synced on a second thread while the next group is copied: nothing takes its final name
// before its own group's sync is over, every file is placed and reported once and in order, and
// a failed sync fails exactly the files of its group.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "engine/copier.h"
#include "engine/durability_batch.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {
namespace {

// The real file system, called from two threads. Each volume sync waits until the test lets it
// go, and the next one can be made to fail.
class GatedSyncFs : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  bool ThreadSafe() const override { return true; }
  Status SyncVolume(const std::string& p) override {
    std::unique_lock lock(mutex_);
    ++started_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
    if (fail_next_) {
      fail_next_ = false;
      return Error{ErrorKind::kIo, "the disk went away"};
    }
    lock.unlock();
    return ForwardingFileSystem::SyncVolume(p);
  }
  void WaitUntilStarted(int syncs) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return started_ >= syncs; });
  }
  int Started() {
    std::lock_guard lock(mutex_);
    return started_;
  }
  void OpenGate() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void FailNext() {
    std::lock_guard lock(mutex_);
    fail_next_ = true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int started_ = 0;
  bool open_ = false, fail_next_ = false;
};

class GroupSyncTest : public ::testing::Test {
 protected:
  void Copy(const std::string& name, DurabilityBatch& batch) {
    CopyFileWithProgress(
        fs, loop, src, tmp / ("dst/" + name),
        {&batch,
         [this](const FinishedFile& f, const Status& s) {
           outcomes.push_back(std::string(f.target.substr(f.target.rfind('/') + 1)) +
                              (s.ok() ? " placed" : " failed"));
         },
         nullptr, true});
  }
  static std::vector<std::string> Outcomes(int from, int to, const char* how) {
    std::vector<std::string> v;
    for (int i = from; i < to; ++i) v.push_back("f" + std::to_string(i) + how);
    return v;
  }
  bool Exists(const std::string& rel) { return PosixFileSystem().Stat(tmp / rel).ok(); }

  TempDir tmp;
  std::string src = tmp.WriteFile("src/a.txt", "the data");
  GatedSyncFs fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  std::vector<std::string> outcomes;
  const int kGroup = static_cast<int>(DurabilityBatch::kMaxFiles);
};

TEST_F(GroupSyncTest, GroupKeepsItsTemporariesWhileItsSyncRunsAndTheNextIsCopied) {
  DurabilityBatch batch(fs);
  for (int i = 0; i < kGroup; ++i) Copy("f" + std::to_string(i), batch);
  fs.WaitUntilStarted(1);
  // The copying goes on while the first group's sync has not returned, past a second full group.
  const int copied = 2 * kGroup + 1;
  for (int i = kGroup; i < copied; ++i) Copy("f" + std::to_string(i), batch);
  EXPECT_TRUE(outcomes.empty());
  EXPECT_EQ(batch.pending(), static_cast<size_t>(copied));
  EXPECT_EQ(fs.Started(), 1);
  EXPECT_FALSE(Exists("dst/f0"));
  EXPECT_TRUE(Exists("dst/.f0.qmtmp"));

  fs.OpenGate();
  EXPECT_TRUE(batch.Commit());
  EXPECT_EQ(batch.pending(), 0u);
  EXPECT_EQ(fs.Started(), 2);  // what was copied meanwhile took one sync
  EXPECT_EQ(outcomes, Outcomes(0, copied, " placed"));
  EXPECT_EQ(tmp.ReadFile("dst/f0"), "the data");
  EXPECT_FALSE(Exists("dst/.f0.qmtmp"));
}

TEST_F(GroupSyncTest, FailedSyncOnTheSecondThreadFailsOnlyItsOwnGroup) {
  fs.FailNext();
  fs.OpenGate();
  {
    DurabilityBatch batch(fs);
    for (int i = 0; i < kGroup; ++i) Copy("f" + std::to_string(i), batch);
    Copy("f" + std::to_string(kGroup), batch);
    // The batch's end places what is left, the failed group's outcomes first.
  }
  std::vector<std::string> expected = Outcomes(0, kGroup, " failed");
  expected.push_back("f" + std::to_string(kGroup) + " placed");
  EXPECT_EQ(outcomes, expected);
  EXPECT_FALSE(Exists("dst/f0"));
  EXPECT_FALSE(Exists("dst/.f0.qmtmp"));
  EXPECT_TRUE(Exists("dst/f" + std::to_string(kGroup)));
}

TEST_F(GroupSyncTest, SmallGroupAmongFilesPassedOverStartsItsSyncOnceItHasWaitedAWhile) {
  DurabilityBatch batch(fs, &loop);
  // While every file is copied, a small group waits however old it is.
  Copy("f0", batch);
  loop.Advance(DurabilityBatch::kTrickleMs);
  Copy("f1", batch);
  EXPECT_EQ(fs.Started(), 0);
  // Copies among files found up to date trickle: synced without waiting for a full group.
  for (int i = 0; i < 3; ++i) batch.PassedOver();
  Copy("f2", batch);
  fs.WaitUntilStarted(1);
  EXPECT_FALSE(Exists("dst/f2"));
  fs.OpenGate();
  EXPECT_TRUE(batch.Commit());
  EXPECT_EQ(fs.Started(), 1);
  EXPECT_EQ(outcomes, Outcomes(0, 3, " placed"));
}

}  // namespace
}  // namespace qm::test
