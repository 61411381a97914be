// Real volumes mounted by a test (root in CI) at a folder of its own, for the runs whose outcome
// a volume decides: one that fills up, goes away or keeps no modes.
#pragma once

#include <sys/mount.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace qm::test {

inline bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A volume mounted at `dir` for the test, unmounted (lazily, whatever holds it) at its end.
class Mounted {
 public:
  explicit Mounted(std::string dir) : dir_(std::move(dir)) {}
  ~Mounted() {
    if (mounted_) (void)::umount2(dir_.c_str(), MNT_DETACH);
    if (!loop_.empty()) (void)Shell("losetup -d " + loop_);
  }
  Mounted(const Mounted&) = delete;
  Mounted& operator=(const Mounted&) = delete;

  bool Tmpfs(const std::string& options) {
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    return mounted_;
  }
  bool Remount(const std::string& options) {
    return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) == 0;
  }
  // An exFAT image file through FUSE, on a loop device.
  bool Exfat(const std::string& image) {
    FILE* out = nullptr;
    if (!Shell("truncate -s 32M '" + image + "'") || !Shell("mkfs.exfat '" + image + "'") ||
        (out = ::popen(("losetup -f --show '" + image + "' 2>/dev/null").c_str(), "r")) ==
            nullptr) {
      return false;
    }
    char device[64] = {};
    if (std::fgets(device, sizeof device, out) != nullptr) loop_ = device;
    ::pclose(out);
    if (!loop_.empty() && loop_.back() == '\n') loop_.pop_back();
    mounted_ = !loop_.empty() && Shell("mount.exfat-fuse " + loop_ + " '" + dir_ + "'");
    return mounted_;
  }
  // Gone from its place at once, as a pulled drive is; whoever holds it open keeps it.
  void Detach() {
    ASSERT_EQ(::umount2(dir_.c_str(), MNT_DETACH), 0);
    mounted_ = false;
  }

 private:
  std::string dir_;
  std::string loop_;
  bool mounted_ = false;
};

}  // namespace qm::test
