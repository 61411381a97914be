#include "platform/mount_places.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/path_style.h"

namespace qm {

namespace {

// "/a/b/c" gives "/", "/a", "/a/b", "/a/b/c"; repeated and trailing separators are dropped.
std::vector<std::string> PathAndAncestors(std::string_view path) {
  std::vector<std::string> out{"/"};
  std::string current;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    const size_t end = std::min(path.find('/', i), path.size());
    if (end > i) {
      current += "/";
      current += path.substr(i, end - i);
      out.push_back(current);
    }
    i = end;
  }
  return out;
}

bool DirectlyUnder(std::string_view path, std::string_view dir) {
  if (path.size() <= dir.size() + 1 || path.compare(0, dir.size(), dir) != 0) return false;
  return path[dir.size()] == '/' && path.find('/', dir.size() + 1) == std::string_view::npos;
}

std::string CurrentUser() {
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr) return pw->pw_name;
  return {};
}

PlaceState ProbeFolder(const std::string& path) {
  PlaceState state;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return state;
  state.exists = true;
  if (!S_ISDIR(st.st_mode)) return state;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return state;  // unreadable: not known to be empty
  state.empty = true;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") {
      state.empty = false;
      break;
    }
  }
  ::closedir(dir);
  return state;
}

}  // namespace

std::string NotMountedPlace(std::string_view path, const MountTables& tables, std::string_view user,
                            const PlaceProbe& probe) {
  if (path.empty() || path[0] != '/') return {};
  const std::vector<std::string> mounted = MountedPoints(tables.mountinfo);
  std::set<std::string, std::less<>> in_fstab;
  for (const FstabEntry& e : ParseFstab(tables.fstab)) {
    in_fstab.insert(std::string(WithoutTrailingSeparators(e.mount_point)));
  }
  std::vector<std::string> media_dirs{"/mnt"};
  if (!user.empty()) {
    media_dirs.push_back("/media/" + std::string(user));
    media_dirs.push_back("/run/media/" + std::string(user));
  }

  for (const std::string& place : PathAndAncestors(path)) {
    const bool listed = in_fstab.count(place) > 0;
    const bool removable_place =
        std::any_of(media_dirs.begin(), media_dirs.end(),
                    [&](const std::string& dir) { return DirectlyUnder(place, dir); });
    if (!listed && !removable_place) continue;
    if (std::binary_search(mounted.begin(), mounted.end(), place)) continue;
    const PlaceState state = probe(place);
    if (!state.exists || listed || state.empty) return place;
  }
  return {};
}

std::string NotMountedPlace(std::string_view path) {
  return NotMountedPlace(path, ReadMountTables(), CurrentUser(), ProbeFolder);
}

}  // namespace qm
