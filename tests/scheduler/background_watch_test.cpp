// Scan or skip when a profile falls due, with a fake change watch on the virtual clock: an
// unchanged profile is skipped, and every way a change could have been missed forces a scan.
#include "scheduler/background_watch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/date_time.h"
#include "support/fake_change_watch.h"
#include "support/virtual_message_loop.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class BackgroundWatchTest : public ::testing::Test {
 protected:
  BackgroundWatchTest() { Begin(kSyncOneWay); }

  void Begin(int16_t method, int fail_adds = 0) {
    profile.SetName("Docs");
    profile.SetSrcDir("/src");
    profile.SetDestDir("/dest");
    profile.SetInterval(EncodeTime(0, 0, 2));
    profile.SetSyncMethod(method);
    auto owned = std::make_unique<test::FakeChangeWatch>();
    fake = owned.get();
    fake->fail_adds = fail_adds;
    watch = std::make_unique<BackgroundWatch>(
        std::move(owned), Error{}, loop,
        [this](LogKind, const std::string& text) { records.push_back(text); },
        std::vector<std::string>{"/src/own-log.txt"});
    watch->Start(std::vector<ProfileRecord>{profile});
  }
  // The profile falls due after `ms`; true when it is scanned, and then its pass runs.
  bool Due(uint64_t ms = 2000, bool fails = false) {
    loop.Advance(ms);
    if (!watch->ScanWhenDue(profile)) return false;
    Pass(fails);
    return true;
  }
  void Pass(bool fails = false) {
    RunSnapshot item;
    item.Profile = profile;
    item.SrcFiles.Add("/src/a", std::make_unique<ScannedFile>());
    watch->ProfileStarted(item);
    if (fails) watch->FileDone({FileAction::kFailed, FileAction::kCopied, "/src/a", "/dest/a"});
    watch->ProfileFinished(item);
  }

  ProfileRecord profile;
  ui::VirtualMessageLoop loop;
  test::FakeChangeWatch* fake = nullptr;
  std::unique_ptr<BackgroundWatch> watch;
  std::vector<std::string> records;
};

TEST_F(BackgroundWatchTest, UnchangedProfileIsSkippedAfterOneCompletePass) {
  EXPECT_TRUE(Due()) << "nothing is known before the first pass";
  EXPECT_FALSE(Due());
  EXPECT_FALSE(Due());
  EXPECT_EQ(watch->Find("Docs")->files, 1);
  EXPECT_THAT(fake->trees, SizeIs(1)) << "a one-way destination is not watched";
}

TEST_F(BackgroundWatchTest, ChangeIsScannedOnceButOwnFilesAndTemporariesAreNot) {
  Due();
  fake->Change("/src", "/src/own-log.txt");
  fake->Change("/src", "/src/.a.qmtmp");
  EXPECT_FALSE(Due());
  fake->Change("/src", "/src/a");
  EXPECT_TRUE(Due());
  EXPECT_FALSE(Due());
}

TEST_F(BackgroundWatchTest, MarksAreClearedWhenTheScanStartsNotWhenThePassEnds) {
  Due();
  fake->Change("/src", "/src/a");
  loop.Advance(2000);
  ASSERT_TRUE(watch->ScanWhenDue(profile));
  fake->Change("/src", "/src/b");  // edited while the pass runs
  watch->ReadEvents();
  Pass();
  EXPECT_TRUE(Due());
}

TEST_F(BackgroundWatchTest, OverflowTheDailyPassAndAChangedRootEachForceAScan) {
  Due();
  fake->Overflow();
  EXPECT_TRUE(Due());
  EXPECT_FALSE(Due(kFullPassEveryMs - 2000));
  EXPECT_TRUE(Due(2000)) << "24 hours after the last full pass";
  fake->identity["/src"] = 7;  // remounted: no event reaches the old watch
  EXPECT_TRUE(Due());
  fake->identity["/dest"] = 7;
  EXPECT_TRUE(Due());
  EXPECT_FALSE(Due());
}

TEST_F(BackgroundWatchTest, IncompleteOrStoppedOrWritingPassIsFollowedByAScan) {
  EXPECT_TRUE(Due(2000, /*fails=*/true));
  EXPECT_TRUE(Due());
  EXPECT_FALSE(Due());

  fake->Change("/src", "/src/a");
  loop.Advance(2000);
  ASSERT_TRUE(watch->ScanWhenDue(profile));
  RunSnapshot item;
  item.Profile = profile;
  watch->ProfileStarted(item);
  watch->ProfileDropped(item);  // stopped
  EXPECT_TRUE(Due());

  fake->Change("/src", "/src/a");
  loop.Advance(2000);
  ASSERT_TRUE(watch->ScanWhenDue(profile));
  watch->ProfileStarted(item);
  watch->FileDone({FileAction::kCopied, FileAction::kCopied, "/src/a", "/dest/a"});
  watch->ProfileFinished(item);
  EXPECT_TRUE(Due()) << "the counts of the written destination are not known";
  EXPECT_FALSE(Due());
}

TEST_F(BackgroundWatchTest, FailedWatchFallsBackToFullPassesWithOneRecordNamingTheLimit) {
  watch = nullptr;
  Begin(kSyncOneWay, /*fail_adds=*/2);  // at the start and when it first falls due
  EXPECT_TRUE(Due());
  EXPECT_TRUE(Due()) << "watched again, and scanned since the watch is new";
  EXPECT_FALSE(Due());
  ASSERT_THAT(records, SizeIs(1));
  EXPECT_THAT(records[0], HasSubstr("fs.inotify.max_user_watches"));
  EXPECT_THAT(records[0], HasSubstr("\"/src\""));

  // A folder that appears later and cannot be watched does the same.
  fake->queued.push_back({ChangeEvent::Kind::kWatchFailed, fake->trees.begin()->first, "/src/new",
                          Error{ErrorKind::kNoSpace, "full"}});
  EXPECT_TRUE(Due());
  EXPECT_THAT(records, SizeIs(1)) << "one record per profile";
}

TEST_F(BackgroundWatchTest, TwoWayProfileWatchesBothFoldersAndAGoneRootIsWatchedAgain) {
  watch = nullptr;
  Begin(kSyncBothWays);
  EXPECT_THAT(fake->trees, SizeIs(2));
  Due();
  fake->Change("/dest", "/dest/b");
  EXPECT_TRUE(Due());
  EXPECT_FALSE(Due());
  fake->queued.push_back({ChangeEvent::Kind::kTreeGone, fake->trees.begin()->first, "/src", {}});
  EXPECT_TRUE(Due()) << "a root that went is watched again and scanned";
  EXPECT_THAT(fake->trees, SizeIs(2));
  EXPECT_FALSE(Due());
  EXPECT_THAT(records, IsEmpty());
}

}  // namespace
}  // namespace qm
