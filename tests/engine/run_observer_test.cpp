// What the engine tells its observer about a run: one event per profile step and per file, typed,
// with the paths and bytes a front end needs, and no log text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "engine/engine_loop_fixture.h"
#include "engine/kept_copy_names.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;

class RunObserverTest : public EngineTest {
 protected:
  // The profile and file events as "what subject".
  std::vector<std::string> Whats() const {
    static const std::set<std::string> kShown = {"queued",      "started", "finished", "dropped",
                                                 "up to date",  "copied",  "packed",   "deleted",
                                                 "copied back", "failed"};
    std::vector<std::string> out;
    for (const SeenEvent& e : host.events)
      if (kShown.count(e.what)) out.push_back(e.what + " " + e.source);
    return out;
  }
  const SeenEvent& Event(const std::string& what) const { return host.Event(what); }
};

TEST_F(RunObserverTest, BackupPassReportsEachFileOnceAndTyped) {
  Write("new.txt", "new!", kNoon);
  Write("same.txt", "same", kNoon);
  WriteDest("same.txt.1", "same", kNoon);
  Write("changed.txt", "changed", kNoon);
  WriteDest("changed.txt.1", "old", kDayBefore);
  WriteDest("gone.txt", "gone", kDayBefore);
  Write("full/x.txt", "x", kNoon);
  fs.full_prefix = Dest("full");

  const std::string zip_src = tmp.MakeDir("zsrc");
  const std::string zip_dest = tmp.MakeDir("zdest");
  tmp.WriteFile("zsrc/packed.txt", "packed");
  ProfileRecord plain = Profile("Plain", kKeepSequence);
  plain.SetRemoveDeleted(true);
  ProfileRecord zip = Profile("Zip", kKeepNone, /*zip=*/true);
  zip.SetSrcDir(zip_src);
  zip.SetDestDir(zip_dest);
  StartSelected({plain, zip});

  EXPECT_THAT(Whats(), ElementsAre("queued Plain", "queued Zip", "started Plain",
                                   "failed " + Src("full/x.txt"), "up to date " + Src("same.txt"),
                                   // Copies are reported when their group is made durable.
                                   "copied " + Src("changed.txt"), "copied " + Src("new.txt"),
                                   "deleted " + Dest("gone.txt"), "finished Plain", "started Zip",
                                   "packed " + zip_src + "/packed.txt", "finished Zip"));
  // The kept copy is a new numbered name beside the old one, which stays.
  EXPECT_EQ(Event("copied").target, Dest("changed.txt.2"));
  EXPECT_EQ(Event("copied").bytes, 7);
  EXPECT_EQ(tmp.ReadFile("dest/changed.txt.1"), "old");
  EXPECT_EQ(Event("failed").attempted, FileAction::kCopied);
  EXPECT_EQ(Event("failed").target, Dest("full/x.txt.2"));
  EXPECT_EQ(Event("packed").target, zip_dest + "/packed.txt.zip");
  EXPECT_GT(Event("packed").bytes, 0);
  EXPECT_EQ(Event("deleted").target, "");
  EXPECT_THAT(host.breaks_asked, ElementsAre(Src("full/x.txt")));
}

TEST_F(RunObserverTest, ReverseSynchronisationIsCopiedBackAndProgressReachesTheSize) {
  WriteDest("back.txt", std::string(40000, 'b'), kNoon);
  ProfileRecord p = Profile("Sync");
  p.SetSyncMethod(kSyncBothWays);
  StartSelected(p);
  EXPECT_THAT(host.events, testing::Contains(Field(&SeenEvent::what, "copied back")));
  EXPECT_EQ(Event("copied back").source, Dest("back.txt"));
  EXPECT_EQ(Event("copied back").target, Src("back.txt"));
  EXPECT_EQ(Event("copied back").bytes, 40000);
  EXPECT_THAT(Whats(), ElementsAre("queued Sync", "started Sync", "copied back " + Dest("back.txt"),
                                   "finished Sync"));
  EXPECT_EQ(host.progress, (std::pair<int64_t, int64_t>{40000, 40000}));
}

}  // namespace
}  // namespace qm::test
