// The change watch on inotify: one watch descriptor per folder, shared by every tree that holds
// the folder (the kernel hands out one descriptor per inode and instance).
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/change_watch.h"

namespace qm {

namespace {

// Events that change something. Opening, reading and closing a file unwritten (a backup
// reading its source) raise none of these.
constexpr uint32_t kChangeMask = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                 IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kWatchMask = kChangeMask | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

bool Below(const std::string& path, const std::string& dir) {
  return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}

std::string Child(const std::string& dir, const char* name) {
  return dir == "/" ? "/" + std::string(name) : dir + "/" + name;
}

class InotifyChangeWatch final : public ChangeWatch {
 public:
  explicit InotifyChangeWatch(int fd) : fd_(fd) {}
  ~InotifyChangeWatch() override { close(fd_); }

  int Descriptor() const override { return fd_; }

  Result<int> AddTree(const std::string& root, bool recursive) override {
    std::string top = root;
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    const int tree = next_tree_++;
    trees_[tree] = Tree{top, -1, recursive};
    Result<int> root_wd = WatchBelow(top, {tree}, recursive, /*top_may_vanish=*/false);
    if (!root_wd.ok()) {
      RemoveTree(tree);
      return root_wd.error();
    }
    trees_[tree].root_wd = root_wd.value();
    return tree;
  }

  void RemoveTree(int tree) override {
    trees_.erase(tree);
    for (auto it = folders_.begin(); it != folders_.end();) {
      it->second.trees.erase(tree);
      if (it->second.trees.empty()) {
        inotify_rm_watch(fd_, it->first);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::vector<ChangeEvent> ReadEvents() override {
    std::vector<ChangeEvent> out;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        Handle(*e, out);
      }
    }
    return out;
  }

  std::optional<FolderIdentity> Identify(const std::string& dir) override {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }

  size_t WatchCount() const override { return folders_.size(); }

 private:
  struct Folder {
    std::string path;
    std::set<int> trees;
  };
  struct Tree {
    std::string root;
    int root_wd = -1;
    bool recursive = false;
  };

  // Watches `top` (and, when `recursive`, the folders below it) for `trees`; returns the watch
  // of `top`. A folder below that vanishes while the walk runs is no failure: its parent has
  // seen it go.
  Result<int> WatchBelow(const std::string& top, const std::set<int>& trees, bool recursive,
                         bool top_may_vanish) {
    int top_wd = -1;
    std::vector<std::string> stack{top};
    while (!stack.empty()) {
      const std::string dir = std::move(stack.back());
      stack.pop_back();
      const bool is_top = top_wd < 0;
      const int wd = inotify_add_watch(fd_, dir.c_str(), kWatchMask);
      if (wd < 0) {
        const int err = errno;
        if ((!is_top || top_may_vanish) && (err == ENOENT || err == ENOTDIR)) {
          if (is_top) return -1;
          continue;
        }
        return ErrorFromErrno(err, "Can not watch folder", dir);
      }
      if (is_top) top_wd = wd;
      Folder& folder = folders_[wd];
      folder.path = dir;
      folder.trees.insert(trees.begin(), trees.end());
      if (!recursive) break;
      DIR* d = opendir(dir.c_str());
      if (d == nullptr) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) continue;
        return ErrorFromErrno(err, "Can not list folder", dir);
      }
      while (const dirent* entry = readdir(d)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        bool is_dir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
          struct stat st {};
          is_dir = fstatat(dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (is_dir) stack.push_back(Child(dir, name));
      }
      closedir(d);
    }
    return top_wd;
  }

  void TreesGone(const std::set<int>& trees, std::vector<ChangeEvent>& out) {
    for (int tree : trees) {
      if (!trees_.count(tree)) continue;
      out.push_back({ChangeEvent::Kind::kTreeGone, tree, trees_[tree].root, {}});
      RemoveTree(tree);
    }
  }

  std::set<int> TreesRootedAt(int wd) const {
    std::set<int> rooted;
    for (const auto& [tree, t] : trees_)
      if (t.root_wd == wd) rooted.insert(tree);
    return rooted;
  }

  // A folder moved away: its watches and those below it go, since their paths are stale. A
  // move within the tree watches it again under its new name.
  void ForgetBelow(const std::string& path, std::vector<ChangeEvent>& out) {
    std::set<int> gone;
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it->second.path == path || Below(it->second.path, path)) {
        const std::set<int> rooted = TreesRootedAt(it->first);
        gone.insert(rooted.begin(), rooted.end());
        inotify_rm_watch(fd_, it->first);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
    TreesGone(gone, out);
  }

  void Handle(const inotify_event& e, std::vector<ChangeEvent>& out) {
    if (e.mask & IN_Q_OVERFLOW) {
      out.push_back({ChangeEvent::Kind::kOverflow, 0, {}, {}});
      return;
    }
    auto it = folders_.find(e.wd);
    if (it == folders_.end()) return;
    const std::string dir = it->second.path;
    const std::set<int> trees = it->second.trees;
    if (e.mask & (IN_IGNORED | IN_UNMOUNT)) {
      // The folder is watched no more (deleted, or its volume unmounted); an unmount anywhere
      // in a tree leaves the tree's folders below it unwatched.
      folders_.erase(it);
      if (e.mask & IN_UNMOUNT)
        TreesGone(trees, out);
      else
        TreesGone(TreesRootedAt(e.wd), out);
      return;
    }
    if (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      // Below a root its parent reports the change; a root that goes ends its trees.
      TreesGone(TreesRootedAt(e.wd), out);
      return;
    }
    const std::string path = e.len > 0 ? Child(dir, e.name) : dir;
    for (int tree : trees) out.push_back({ChangeEvent::Kind::kChanged, tree, path, {}});
    if (!(e.mask & IN_ISDIR)) return;
    if (e.mask & IN_MOVED_FROM) ForgetBelow(path, out);
    if (e.mask & (IN_CREATE | IN_MOVED_TO)) {
      std::set<int> recursive;
      for (int tree : trees)
        if (trees_.count(tree) && trees_[tree].recursive) recursive.insert(tree);
      if (recursive.empty()) return;
      Result<int> added = WatchBelow(path, recursive, true, /*top_may_vanish=*/true);
      if (!added.ok()) {
        for (int tree : recursive)
          out.push_back({ChangeEvent::Kind::kWatchFailed, tree, path, added.error()});
      }
    }
  }

  const int fd_;
  int next_tree_ = 1;
  std::unordered_map<int, Folder> folders_;  // by watch descriptor
  std::map<int, Tree> trees_;
};

}  // namespace

Result<std::unique_ptr<ChangeWatch>> MakeKernelChangeWatch() {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno, "Can not watch folders", "");
  return std::unique_ptr<ChangeWatch>(std::make_unique<InotifyChangeWatch>(fd));
}

uint64_t WatchLimit() {
  std::ifstream in("/proc/sys/fs/inotify/max_user_watches");
  uint64_t limit = 0;
  if (!(in >> limit)) return 0;
  return limit;
}

}  // namespace qm
