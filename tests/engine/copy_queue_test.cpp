// Small files copied two at a time on the real file system: every copy whole, with its time, and
// reported once, in the order of the source list, among files copied one by one or found up to
// date.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/copy_queue.h"
#include "engine_loop_fixture.h"

namespace qm::test {
namespace {

class CopyQueueTest : public EngineTest {};

TEST_F(CopyQueueTest, CopiesAreWholeAndReportedInTheOrderOfTheSourceList) {
  const int files = static_cast<int>(CopyQueue::kMaxFiles) + 40;
  for (int i = 0; i < files; ++i) {
    Write("d" + std::to_string(i % 9) + "/f" + std::to_string(i), "content " + std::to_string(i),
          kNoon + i);
  }
  // One found up to date and one too large to wait in the queue, among the others.
  WriteDest("d3/f30", "content 30", kNoon + 30);
  Write("d5/large", std::string(CopyQueue::kMaxFileBytes + 1, 'L'), kNoon);

  state.Running = true;
  EngineContext ctx = Ctx(PosixFileSystem());
  QueueProfile(ctx, Profile("P"));
  RunSnapshot& item = run_list.Object(0);
  ASSERT_EQ(RunBackupPass(ctx, item), PassOutcome::kCompleted);

  // Copies are told of as they are placed, after their group's sync; in the list's order.
  std::vector<std::string> expected, seen;
  for (size_t i = 0; i < item.SrcFiles.Count(); ++i) {
    if (item.SrcFiles.Text(i) != Src("d3/f30")) expected.push_back(item.SrcFiles.Text(i));
  }
  for (const SeenEvent& e : host.events) {
    if (e.what == "copied") seen.push_back(e.source);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(host.Count("up to date"), 1);
  EXPECT_EQ(host.copies_ended, files);
  EXPECT_EQ(item.FilesDone, files + 2);  // one up to date counts its copy too
  for (const auto& e : std::filesystem::recursive_directory_iterator(dest)) {
    if (e.is_directory()) continue;
    const std::string name = e.path().lexically_relative(dest).string();
    EXPECT_EQ(tmp.ReadFile("dest/" + name), tmp.ReadFile("src/" + name)) << name;
    EXPECT_EQ(std::filesystem::last_write_time(e.path()),
              std::filesystem::last_write_time(Src(name)))
        << name;
  }
}

TEST_F(CopyQueueTest, ATwoWaySyncCopiesEachWayAndSaysWhichWay) {
  for (int i = 0; i < 40; ++i) {
    Write("d" + std::to_string(i % 3) + "/a" + std::to_string(i), "a" + std::to_string(i), kNoon);
    WriteDest("d" + std::to_string(i % 4) + "/b" + std::to_string(i), "b" + std::to_string(i),
              kNoon);
  }
  ProfileRecord p = Profile("P");
  p.SetSyncMethod(kSyncBothWays);
  state.Running = true;
  state.Mode = RunMode::kSelected;
  EngineContext ctx = Ctx(PosixFileSystem());
  RunSelectedProfiles(ctx, std::vector{p}, [&](const ProfileRecord& r) { QueueProfile(ctx, r); });

  EXPECT_EQ(host.Count("copied"), 40);
  EXPECT_EQ(host.Count("copied back"), 40);
  for (const SeenEvent& e : host.events) {
    if (e.what != "copied" && e.what != "copied back") continue;
    EXPECT_TRUE(e.sync) << e.Line();
    EXPECT_EQ(tmp.ReadFile(e.target.substr(tmp.path().size() + 1)),
              tmp.ReadFile(e.source.substr(tmp.path().size() + 1)))
        << e.Line();
    EXPECT_EQ(e.source.find(e.what == "copied" ? "/src/" : "/dest/"), tmp.path().size())
        << e.Line();
  }
}

}  // namespace
}  // namespace qm::test
