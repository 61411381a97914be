// Two-way profiles run as the real program on real folders: a file edited on both sides since
// the last run keeps both versions, and a run without a trustworthy state behaves as before.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/sync_state.h"
#include "profiles/profile_record.h"
#include "support/child_process.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/user_lock_files.h"

namespace qm::cli {
namespace {

namespace stdfs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr long long kNoon = 1717243200;

class SyncConflict : public ::testing::Test {
 protected:
  SyncConflict() {
    src_ = dir_.MakeDir("src");
    dest_ = dir_.MakeDir("dest");
    Write("src/f.txt", "first", kNoon);
    WriteStore(src_, dest_);
  }
  ~SyncConflict() override { test::RemoveUserLockFiles({src_, dest_}); }

  void WriteStore(const std::string& src, const std::string& dest) {
    ProfileRecord p = test::BackupProfile("Both", src, dest);
    p.SetSyncMethod(kSyncBothWays);
    test::WriteStoreFile(dir_ / "store.dat", {p});
  }
  void Write(const std::string& rel, const std::string& content, long long mtime) {
    test::SetMTime(dir_.WriteFile(rel, content), mtime);
  }
  // Both sides edited: the source earlier, the destination later.
  void EditBothSides() {
    Write("src/f.txt", "edit on A", kNoon + 100);
    Write("dest/f.txt", "edit on B", kNoon + 200);
  }
  test::Outcome Quillmor(std::vector<std::string> args = {}) {
    args.insert(args.end(), {"--run", "Both", "-v", "--store", dir_ / "store.dat"});
    return test::RunQuillmor(dir_.path(), std::move(args));
  }
  std::string StatePath(const std::string& src, const std::string& dest) {
    return SyncState::PathFor(dir_ / "data/Quillmor", src, dest);
  }
  // The files in `folder` whose names begin with "f.txt.conflict-".
  std::vector<std::string> ConflictCopies(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : stdfs::directory_iterator(folder))
      if (e.path().filename().string().starts_with("f.txt.conflict-"))
        found.push_back(e.path().string());
    return found;
  }

  test::TempDir dir_;
  std::string src_, dest_;
};

TEST_F(SyncConflict, EditOnBothSidesKeepsBothVersionsAndFails) {
  test::Outcome first = Quillmor();
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_THAT(first.err,
              HasSubstr("No record of an earlier synchronization of " + src_ + " and " + dest_ +
                        ": files changed on both sides can be told only from "
                        "the next run on"));
  // The state names every file of both folders: the owner's alone, even after an old state
  // that others could read is replaced.
  const std::string state = StatePath(src_, dest_);
  auto mode = [](const std::string& path) {
    return static_cast<unsigned>(stdfs::status(path).permissions() & stdfs::perms::all);
  };
  EXPECT_EQ(mode(state), 0600u);
  EXPECT_EQ(mode(dir_ / "data/Quillmor"), 0700u);
  stdfs::permissions(state, stdfs::perms::owner_read | stdfs::perms::owner_write |
                                stdfs::perms::group_read | stdfs::perms::others_read);
  EditBothSides();

  // A preview names the conflict and changes nothing.
  test::Outcome preview = Quillmor({"--dry-run"});
  EXPECT_THAT(preview.out, HasSubstr("conflict " + src_ + "/f.txt <-> " + dest_ + "/f.txt\n"));
  EXPECT_TRUE(ConflictCopies(src_).empty());
  EXPECT_EQ(dir_.ReadFile("src/f.txt"), "edit on A");

  test::Outcome second = Quillmor();
  EXPECT_EQ(second.status, 1) << second.err;
  const std::vector<std::string> kept = ConflictCopies(src_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(test::ReadWholeFile(kept[0]), "edit on A");
  EXPECT_EQ(dir_.ReadFile("src/f.txt"), "edit on B");
  EXPECT_EQ(dir_.ReadFile("dest/f.txt"), "edit on B");
  EXPECT_THAT(second.err,
              HasSubstr("Error: Conflict: " + src_ + "/f.txt and " + dest_ +
                        "/f.txt changed on both sides; the older version is kept as " + kept[0]));
  EXPECT_THAT(second.out, HasSubstr("failed 1"));
  EXPECT_EQ(mode(state), 0600u);

  // The next run carries the kept version across and finds nothing more to tell.
  test::Outcome third = Quillmor();
  EXPECT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(ConflictCopies(dest_).size(), 1u);
  EXPECT_THAT(third.err, Not(HasSubstr("Conflict")));
}

TEST_F(SyncConflict, OneSidedChangesAndDeletionsLoseNothing) {
  Write("src/g.txt", "g", kNoon);
  Write("src/h.txt", "h", kNoon);
  ASSERT_EQ(Quillmor().status, 0);
  Write("dest/f.txt", "edited in B only", kNoon + 200);
  stdfs::remove(src_ + "/g.txt");
  Write("dest/g.txt", "g edited in B", kNoon + 200);
  stdfs::remove(dest_ + "/h.txt");
  Write("src/h.txt", "h edited in A", kNoon + 200);

  test::Outcome o = Quillmor();
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.err, Not(HasSubstr("Conflict")));
  EXPECT_EQ(dir_.ReadFile("src/f.txt"), "edited in B only");
  EXPECT_EQ(dir_.ReadFile("src/g.txt"), "g edited in B");
  EXPECT_EQ(dir_.ReadFile("dest/h.txt"), "h edited in A");
  EXPECT_TRUE(ConflictCopies(src_).empty());
  EXPECT_TRUE(ConflictCopies(dest_).empty());
}

TEST_F(SyncConflict, StateThatIsMissingDamagedOrOfOtherFoldersIsNotTrusted) {
  ASSERT_EQ(Quillmor().status, 0);
  const std::string state = test::ReadWholeFile(StatePath(src_, dest_));

  // The state of src and dest, found for two other folders.
  const std::string src2 = dir_.MakeDir("src2"), dest2 = dir_.MakeDir("dest2");
  Write("src2/f.txt", "edit on A", kNoon + 100);
  Write("dest2/f.txt", "edit on B", kNoon + 200);
  std::ofstream(StatePath(src2, dest2), std::ios::binary) << state;
  WriteStore(src2, dest2);
  test::Outcome other = Quillmor();
  EXPECT_EQ(other.status, 0) << other.err;
  EXPECT_THAT(other.err, HasSubstr("belongs to other folders"));
  EXPECT_EQ(dir_.ReadFile("src2/f.txt"), "edit on B");
  EXPECT_TRUE(ConflictCopies(src2).empty());
  test::RemoveUserLockFiles({src2, dest2});

  // A damaged state: newer wins as without one.
  WriteStore(src_, dest_);
  std::ofstream(StatePath(src_, dest_), std::ios::binary) << state.substr(0, state.size() - 3);
  EditBothSides();
  test::Outcome damaged = Quillmor();
  EXPECT_EQ(damaged.status, 0) << damaged.err;
  EXPECT_THAT(damaged.err, HasSubstr("could not be read: files changed on both sides"));
  EXPECT_EQ(dir_.ReadFile("src/f.txt"), "edit on B");
  EXPECT_TRUE(ConflictCopies(src_).empty());
}

TEST_F(SyncConflict, RunKilledMidwayLeavesThePreviousStateInForce) {
  ASSERT_EQ(Quillmor().status, 0);
  const std::string state = test::ReadWholeFile(StatePath(src_, dest_));
  // The source's edit loses to the destination's in the reverse pass, which a run killed while
  // the forward pass copies a large file never reaches.
  EditBothSides();
  {
    std::ofstream big(src_ + "/big.bin", std::ios::binary);
    const std::string chunk(1 << 20, 'k');
    for (int i = 0; i < 64; ++i) big << chunk;
  }
  test::ChildProcess run =
      test::StartQuillmor(dir_.path(), {.args = {"--run", "Both", "--store", dir_ / "store.dat"}});
  const bool hit = test::PollUntil([&] {
    std::error_code ec;
    return stdfs::file_size(dest_ + "/.big.bin.qmtmp", ec) >= (2u << 20) && !ec;
  });
  run.Signal(SIGKILL);
  run.Wait();
  ASSERT_TRUE(hit) << "the copy was never seen in progress";
  EXPECT_EQ(test::ReadWholeFile(StatePath(src_, dest_)), state);

  test::Outcome next = Quillmor();
  EXPECT_EQ(next.status, 1) << next.err;
  const std::vector<std::string> kept = ConflictCopies(src_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(test::ReadWholeFile(kept[0]), "edit on A");
  EXPECT_EQ(dir_.ReadFile("dest/big.bin").size(), 64u << 20);
}

}  // namespace
}  // namespace qm::cli
