// Restoring onto a real volume that goes away midway.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/restore_job.h"
#include "engine/durability_batch.h"
#include "support/mounted_volume.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {
namespace {

using ::testing::HasSubstr;

class RecordingHost final : public BackupJobHost {
 public:
  FileSystem& fs() override { return PosixFileSystem(); }
  ui::MessageLoop& loop() override { return loop_; }
  void Record(LogKind, const std::string&) override {}
  void Error(const std::string& text) override { last_error = text; }
  void Line(const std::string&, bool) override {}
  void Progress(int64_t done, int64_t, int64_t, const std::string&) override {
    if (on_progress) on_progress(done);
  }
  bool Stopped() override { return false; }

  std::function<void(int64_t)> on_progress;
  std::string last_error;

 private:
  ui::VirtualMessageLoop loop_;
};

TEST(RestoreOntoAVolume, UnmountedMidwayGetsNothingMoreAndFailsWhatIsLeft) {
  TempDir tmp;
  const std::string mount_dir = tmp.MakeDir("mnt");
  Mounted volume(mount_dir);
  if (!volume.Tmpfs("size=16m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  const int files = 2 * static_cast<int>(DurabilityBatch::kMaxFiles);
  for (int i = 0; i < files; ++i)
    tmp.WriteFile("backup/d" + std::to_string(i % 7) + "/f" + std::to_string(i), "x");

  RecordingHost host;
  host.on_progress = [&, detached = false](int64_t done) mutable {
    if (done < files / 4 || detached) return;
    detached = true;
    volume.Detach();
  };
  RestoreChoice choice;
  choice.to = mount_dir + "/restored";
  choice.lock_directory = tmp.MakeDir("locks");
  const RestoreTally tally =
      RestoreProfile(host, BackupProfile("P", tmp / "src", tmp / "backup"), choice);
  host.on_progress = nullptr;

  // Nothing reached the disk beneath the mount point.
  EXPECT_TRUE(std::filesystem::is_empty(mount_dir));
  EXPECT_GT(tally.failed, files / 2);
  EXPECT_EQ(tally.restored + tally.failed, files);
  EXPECT_THAT(host.last_error, HasSubstr("Drive not ready: " + mount_dir));
}

}  // namespace
}  // namespace qm::test
