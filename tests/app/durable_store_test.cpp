// The window saves the profile store at each posted change of the table, a burst at most once a
// second, so that a crash or a kill after an edit loses nothing.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/controller_factory.h"

namespace qm::test {
namespace {

using Names = std::vector<std::string>;

class DurableStoreTest : public FormTest {
 protected:
  int Saves() const { return fs.CallCount(FsOp::kRename, "Quillmor.dat"); }
  void Rename(const std::string& name) {
    form->profile_table.SetText(ProfileField::Name, name);
    ASSERT_TRUE(form->profile_table.Post());
  }
  void AddProfile(const std::string& name) {
    ASSERT_TRUE(AppendProfile(form->profile_table, name, dir / "src", dir / "dest"));
    ASSERT_TRUE(form->profile_table.Post());
  }
  // Past the second in which a save holds the next changes back.
  void PassTheSecond() { loop.RunFor(1000); }
};

TEST_F(DurableStoreTest, EachPostedChangeReachesTheStore) {
  Open({"a", "b"});
  Rename("renamed");
  EXPECT_EQ(StoredNames(store), (Names{"renamed", "b"}));

  PassTheSecond();
  AddProfile("c");
  EXPECT_EQ(StoredNames(store), (Names{"renamed", "b", "c"}));

  PassTheSecond();
  ASSERT_TRUE(form->profile_table.MoveTo(2));
  form->profile_table.Delete();
  EXPECT_EQ(StoredNames(store), (Names{"renamed", "c"}));

  PassTheSecond();
  ASSERT_TRUE(form->profile_table.SortBy(ProfileField::Name, false));
  EXPECT_EQ(StoredNames(store), (Names{"renamed", "c"}));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DurableStoreTest, BurstIsSavedAtMostTwiceEndingWithItsLastChange) {
  Open({"a"});
  const int before = Saves();
  for (int i = 0; i < 10; ++i) {
    Rename("n" + std::to_string(i));
    loop.RunFor(50);
  }
  EXPECT_EQ(Saves() - before, 1);
  EXPECT_EQ(StoredNames(store), Names{"n0"});

  PassTheSecond();
  EXPECT_EQ(Saves() - before, 2);
  EXPECT_EQ(StoredNames(store), Names{"n9"});
  loop.RunFor(3000);
  EXPECT_EQ(Saves() - before, 2);
  EXPECT_FALSE(form->session().store_save_timer.Enabled());
}

TEST_F(DurableStoreTest, FailedSaveIsSilentAndTheNextChangeTriesAgain) {
  Open({"a"});
  fs.Fail(FsOp::kCreate, ErrorKind::kReadOnly, dir / "data/");
  Rename("lost");
  PassTheSecond();
  EXPECT_EQ(StoredNames(store), Names{"a"});
  EXPECT_TRUE(dialogs.shown().empty());

  PassTheSecond();
  Rename("kept");
  EXPECT_EQ(StoredNames(store), Names{"kept"});
}

// No close, no signal handler: the kill lands after the post and the profile is on disk.
TEST_F(DurableStoreTest, ProfilePostedBeforeAKillIsInTheStore) {
  WriteStore({"a"});
  ChildProcess child(
      [this] {
        Start();
        PassOneTimeStep();
        AddProfile("new");
        std::printf("posted\n");
        std::fflush(stdout);
        for (;;) pause();
        return 0;
      },
      {.out = kPipe});
  ASSERT_EQ(child.ReadLine(), "posted");
  child.Signal(SIGKILL);
  child.Wait();
  EXPECT_EQ(child.TermSignal(), SIGKILL);
  EXPECT_EQ(StoredNames(store), (Names{"a", "new"}));
}

}  // namespace
}  // namespace qm::test
