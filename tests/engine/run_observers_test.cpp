#include "engine/run_observers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/run_abandoned.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;

// Writes "<name>:<event>" into a shared journal, so the order across observers shows.
class Journal final : public RunObserver {
 public:
  Journal(std::string name, std::vector<std::string>& out) : name_(std::move(name)), out_(out) {}
  bool break_answer = false;
  bool abandon = false;

  void ProfileStarted(const RunSnapshot&) noexcept override { Note("started"); }
  void FileDone(const FileEvent& e) noexcept override { Note("done " + std::string(e.source)); }
  void FileProgress(int64_t done, int64_t) noexcept override {
    Note("progress " + std::to_string(done));
  }
  void Update() override {
    Note("update");
    if (abandon) throw RunAbandoned();
  }
  bool AskBreak(const FileEvent&) override {
    Note("asked");
    return break_answer;
  }

 private:
  void Note(const std::string& what) { out_.push_back(name_ + ":" + what); }
  std::string name_;
  std::vector<std::string>& out_;
};

TEST(RunObserversTest, EveryEventReachesEachObserverInTheOrderAdded) {
  std::vector<std::string> seen;
  Journal a("a", seen), b("b", seen);
  RunObservers all;
  all.Add(a);
  all.Add(b);
  RunSnapshot item;
  all.ProfileStarted(item);
  all.FileDone({FileAction::kCopied, FileAction::kCopied, "/s/x", "/d/x", 1});
  all.FileProgress(7, 9);
  all.ProfileQueued(item);  // neither listens: nothing happens
  EXPECT_THAT(seen, ElementsAre("a:started", "b:started", "a:done /s/x", "b:done /s/x",
                                "a:progress 7", "b:progress 7"));
}

TEST(RunObserversTest, TheFirstObserverToBreakEndsTheQuestionAndAnAbandonStopsTheUpdate) {
  std::vector<std::string> seen;
  Journal a("a", seen), b("b", seen), c("c", seen);
  RunObservers all;
  all.Add(a);
  all.Add(b);
  all.Add(c);
  const FileEvent failed{FileAction::kFailed, FileAction::kCopied, "/s/x", "/d/x"};
  EXPECT_FALSE(all.AskBreak(failed));
  b.break_answer = true;
  EXPECT_TRUE(all.AskBreak(failed));
  EXPECT_THAT(seen, ElementsAre("a:asked", "b:asked", "c:asked", "a:asked", "b:asked"));

  seen.clear();
  a.abandon = true;
  EXPECT_THROW(all.Update(), RunAbandoned);
  EXPECT_THAT(seen, ElementsAre("a:update"));
}

}  // namespace
}  // namespace qm::test
