// A change watch whose events a test delivers by hand, whose next AddTree can be made to fail,
// and whose folders' identities a test can change (a remount).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/change_watch.h"

namespace qm::test {

class FakeChangeWatch : public ChangeWatch {
 public:
  int Descriptor() const override { return -1; }
  Result<int> AddTree(const std::string& root, bool /*recursive*/) override {
    ++adds;
    if (fail_adds > 0) {
      --fail_adds;
      return Error{ErrorKind::kNoSpace, "Can not watch folder \"" + root + "\": No space left"};
    }
    trees[next_] = root;
    return next_++;
  }
  void RemoveTree(int tree) override { trees.erase(tree); }
  std::vector<ChangeEvent> ReadEvents() override { return std::exchange(queued, {}); }
  std::optional<FolderIdentity> Identify(const std::string& dir) override {
    return FolderIdentity{1, identity[dir]};
  }
  size_t WatchCount() const override { return trees.size(); }

  // A change below `root` for every tree watching exactly that root.
  void Change(const std::string& root, const std::string& path) {
    for (const auto& [tree, r] : trees)
      if (r == root) queued.push_back({ChangeEvent::Kind::kChanged, tree, path, {}});
  }
  void Overflow() { queued.push_back({ChangeEvent::Kind::kOverflow, 0, {}, {}}); }

  std::map<int, std::string> trees;  // tree -> root
  std::vector<ChangeEvent> queued;
  std::map<std::string, uint64_t> identity;  // inode per folder, 0 unless set
  int fail_adds = 0;
  int adds = 0;

 private:
  int next_ = 1;
};

}  // namespace qm::test
