// Backups onto real volumes that fill up, go away or keep no modes. The tests mount them
// themselves (root in CI) and skip where mounting is refused.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "engine_loop_fixture.h"
#include "support/mounted_volume.h"

namespace qm::test {
namespace {

using ::testing::IsEmpty;

class RealVolumeTest : public EngineTest {
 protected:
  RealVolumeTest() : mount_dir(tmp.MakeDir("mnt")), volume(mount_dir) {}

  // A "Start selected" run on the real file system itself, which pins its volumes.
  void StartOnDisk(const ProfileRecord& p) {
    state.Running = true;
    state.Mode = RunMode::kSelected;
    EngineContext ctx = Ctx(PosixFileSystem());
    RunSelectedProfiles(ctx, std::vector{p}, [&](const ProfileRecord& r) { QueueProfile(ctx, r); });
  }

  std::vector<std::string> NamesBelow(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
      names.push_back(e.path().lexically_relative(dir).string());
    return names;
  }

  std::string mount_dir;
  Mounted volume;
};

TEST_F(RealVolumeTest, AFullVolumeGetsWholeCopiesOrFailuresAndTheNextRunCompletes) {
  if (!volume.Tmpfs("size=256k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  dest = tmp.MakeDir("mnt/backup");
  const std::string content(20000, 'c');
  for (int i = 0; i < 30; ++i) Write("f" + std::to_string(i), content, kNoon);
  SetMTime(tmp.WriteFile("mnt/backup/f0", "old copy"), kDayBefore);
  // Whether or not its new copy fits, the old one is whole.
  Write("f0", content, kNoon);

  StartOnDisk(Profile("P"));
  const int copied = host.Count("copied");
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, 30);
  EXPECT_EQ(copied + host.Count("failed"), 30);
  for (const std::string& name : NamesBelow(dest)) {
    EXPECT_EQ(name.find(".qmtmp"), std::string::npos) << name;
    const std::string held = tmp.ReadFile("mnt/backup/" + name);
    EXPECT_TRUE(held == content || (name == "f0" && held == "old copy")) << name;
  }

  ASSERT_TRUE(volume.Remount("size=4m"));
  host.events.clear();
  StartOnDisk(Profile("P"));
  EXPECT_THAT(host.Failures(), IsEmpty());
  EXPECT_EQ(host.Count("copied"), 30 - copied);
}

TEST_F(RealVolumeTest, ABreakOnAFullVolumeLeavesWholeCopiesAndNoTemporaries) {
  if (!volume.Tmpfs("size=256k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  dest = tmp.MakeDir("mnt/backup");
  const std::string content(20000, 'c');
  for (int i = 0; i < 30; ++i) Write("f" + std::to_string(i), content, kNoon);
  host.answer_break = [](const FileEvent&) { return true; };

  StartOnDisk(Profile("P"));
  ASSERT_EQ(host.Count("break accepted"), 1);
  // Nothing is reported after the failure that broke the run.
  EXPECT_EQ(host.Count("failed"), 1);
  EXPECT_EQ(host.events.back().what, "engine stopped");
  for (const std::string& name : NamesBelow(dest)) {
    EXPECT_EQ(name.find(".qmtmp"), std::string::npos) << name;
    EXPECT_EQ(tmp.ReadFile("mnt/backup/" + name), content) << name;
  }
}

TEST_F(RealVolumeTest, AVolumeUnmountedMidRunGetsNothingMoreAndTheRunFails) {
  if (!volume.Tmpfs("size=16m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  dest = mount_dir + "/backup";  // made by the run
  const int files = static_cast<int>(DurabilityBatch::kMaxFiles) * 2;
  for (int i = 0; i < files; ++i)
    Write("d" + std::to_string(i % 7) + "/f" + std::to_string(i), "x", kNoon);
  int updates = 0;
  host.on_update = [&] {
    if (++updates == files / 4) volume.Detach();
  };
  StartOnDisk(Profile("P"));
  host.on_update = nullptr;
  // Nothing reached the disk beneath the mount point, and what was left failed as on a drive
  // that is gone.
  EXPECT_THAT(NamesBelow(mount_dir), IsEmpty());
  EXPECT_GT(host.Count("failed"), files / 2);
  EXPECT_EQ(host.Count("copied") + host.Count("failed"), files);
  EXPECT_FALSE(host.breaks_asked.empty());
  for (const SeenEvent& e : host.events) {
    if (e.what == "failed") {
      EXPECT_EQ(e.failure, FileFailure::kDriveNotReady);
      EXPECT_EQ(e.drive, mount_dir);
    }
  }
}

TEST_F(RealVolumeTest, RemovalsOnAVolumeUnmountedMidPassFailAsOnAMissingDrive) {
  if (!volume.Tmpfs("size=4m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  dest = tmp.MakeDir("mnt/backup");
  Write("kept", "k", kNoon);
  for (int i = 0; i < 10; ++i) tmp.WriteFile("mnt/backup/gone" + std::to_string(i), "g");
  host.on_file_done = [&](const FileEvent& e) {
    if (e.action == FileAction::kDeleted) volume.Detach();
  };
  ProfileRecord p = Profile("P");
  p.SetRemoveDeleted(true);
  StartOnDisk(p);
  host.on_file_done = nullptr;
  EXPECT_EQ(host.Count("deleted"), 1);
  EXPECT_EQ(host.Count("failed"), 9);
  EXPECT_EQ(host.breaks_asked.size(), 9u);
  for (const SeenEvent& e : host.events) {
    if (e.what == "failed") {
      EXPECT_EQ(e.attempted, FileAction::kDeleted);
      EXPECT_EQ(e.failure, FileFailure::kDriveNotReady);
      EXPECT_EQ(e.drive, mount_dir);
    }
  }
}

TEST_F(RealVolumeTest, AConflictVersionIsNotKeptOnAVolumeThatWent) {
  if (!volume.Tmpfs("size=4m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  dest = tmp.MakeDir("mnt/backup");
  Write("f", "first", kNoon);
  ProfileRecord p = Profile("P");
  p.SetSyncMethod(kSyncBothWays);
  StartOnDisk(p);
  ASSERT_EQ(host.Count("copied"), 1);
  // Edited on both sides, the source later: the destination's version is to be kept beside it.
  SetMTime(tmp.WriteFile("mnt/backup/f", "edit on B"), kNoon + 100);
  Write("f", "edit on A", kNoon + 200);
  host.events.clear();
  host.on_update = [&] {
    host.on_update = nullptr;
    volume.Detach();
  };
  StartOnDisk(p);
  const auto kept = std::find_if(host.events.begin(), host.events.end(), [](const SeenEvent& e) {
    return e.what == "failed" && e.target.find("f.conflict-") != std::string::npos;
  });
  ASSERT_NE(kept, host.events.end());
  EXPECT_EQ(kept->failure, FileFailure::kDriveNotReady);
  EXPECT_EQ(kept->drive, mount_dir);
}

TEST_F(RealVolumeTest, ExfatWithoutModesTakesTheCopiesAndIsToldOnce) {
  if (!Shell("command -v mkfs.exfat") || !Shell("command -v mount.exfat-fuse") ||
      !volume.Exfat(tmp / "exfat.img")) {
    GTEST_SKIP() << "cannot mount an exFAT image through FUSE here";
  }
  dest = mount_dir + "/backup";
  Write("private", "secret", kNoon + 1);
  ASSERT_EQ(::chmod(Src("private").c_str(), 0600), 0);
  Write("sub/script", "#!/bin/sh\n", kNoon);
  ASSERT_EQ(::symlink("private", Src("link").c_str()), 0);
  StartOnDisk(Profile("P"));
  EXPECT_EQ(host.Count("copied"), 2);
  EXPECT_EQ(host.Lines({"failed"}),
            std::vector<std::string>{"failed copy " + Src("link") + " -> " + Dest("link")});
  EXPECT_EQ(host.Lines({"modes not kept"}),
            std::vector<std::string>{"modes not kept " + mount_dir});
  EXPECT_EQ(tmp.ReadFile("mnt/backup/private"), "secret");
  // The time is kept, so the next run finds the copies up to date.
  host.events.clear();
  StartOnDisk(Profile("P"));
  EXPECT_EQ(host.Count("copied"), 0);
}

}  // namespace
}  // namespace qm::test
