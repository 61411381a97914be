#include "engine/temporary_names.h"

#include <cstdio>
#include <functional>

#include "platform/path_style.h"

namespace qm {

namespace {

constexpr std::string_view kSuffix = ".qmtmp";

}  // namespace

std::string TempCopyName(const std::string& target) {
  // File names are limited to 255 bytes. A name too long to take the 7 extra bytes is cut, and
  // a hash of the whole name keeps the temporary names of two such files apart.
  constexpr size_t kNameMax = 255;
  std::string name(FileNamePart(target));
  if (name.size() + 1 + kSuffix.size() > kNameMax) {
    char hash[18];
    std::snprintf(hash, sizeof hash, "~%016zx", std::hash<std::string>{}(name));
    name.resize(kNameMax - 1 - kSuffix.size() - (sizeof hash - 1));
    name += hash;
  }
  return std::string(DirectoryPart(target)) + "." + name + std::string(kSuffix);
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() < 1 + kSuffix.size() + 1 || name[0] != '.') return false;
  if (name.ends_with(kSuffix)) return true;
  // The archiver writes "<its target>.XXXXXX" and renames it over its target.
  constexpr size_t kRandom = 6;
  if (name.size() < 1 + kSuffix.size() + 1 + kRandom + 1) return false;
  const std::string_view head = name.substr(0, name.size() - kRandom - 1);
  return name[name.size() - kRandom - 1] == '.' && head.ends_with(kSuffix);
}

bool NeverListed(std::string_view name) {
  return name.empty() || IsTemporaryName(name);
}

}  // namespace qm
