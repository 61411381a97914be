#include "platform/path_style.h"

namespace qm {
namespace {

bool EndsWith(std::string_view s, char c) {
  return !s.empty() && s.back() == c;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// "C:\" in the Windows style, "/" in the POSIX style.
bool IsRoot(std::string_view path, const PathStyle& style) {
  if (style.drive_roots) {
    return path.size() == 3 && IsAsciiLetter(path[0]) && path[1] == ':' &&
           path[2] == style.separator;
  }
  return path.size() == 1 && path[0] == style.separator;
}

// What follows `root` in `path`: right after a root that ends with a separator (a drive root
// or "/"), otherwise after the root and the separator behind it.
std::string_view PartAfter(std::string_view path, std::string_view root, const PathStyle& style) {
  const size_t skip = EndsWith(root, style.separator) ? root.size() : root.size() + 1;
  return skip >= path.size() ? std::string_view() : path.substr(skip);
}

}  // namespace

std::string PathStyle::Key(std::string_view name) const {
  std::string key(name);
  if (case_insensitive) {
    for (char& c : key) c = LowerAscii(c);
  }
  return key;
}

const PathStyle& PosixStyle() {
  static const PathStyle style{'/', false, false};
  return style;
}

const PathStyle& WindowsStyle() {
  static const PathStyle style{'\\', true, true};
  return style;
}

std::string AddDirSeparator(std::string_view path, const PathStyle& style) {
  std::string out(path);
  if (path.empty() || EndsWith(path, style.separator)) return out;
  if (style.drive_roots) {
    if (EndsWith(path, ':')) return out;
    if (path.size() == 1 && IsAsciiLetter(path[0])) return out + ':' + style.separator;
  }
  return out + style.separator;
}

std::string RemoveDirSeparator(std::string_view path, const PathStyle& style) {
  if (path.size() <= 1 || !EndsWith(path, style.separator) || IsRoot(path, style)) {
    return std::string(path);
  }
  return std::string(path.substr(0, path.size() - 1));
}

std::string_view WithoutTrailingSeparators(std::string_view path, const PathStyle& style) {
  while (path.size() > 1 && path.back() == style.separator) path.remove_suffix(1);
  return path;
}

std::string DirectoryOf(std::string_view path, const PathStyle& style) {
  const size_t at = path.rfind(style.separator);
  if (at == std::string_view::npos) return ".";
  return std::string(at == 0 ? path.substr(0, 1) : path.substr(0, at));
}

std::string_view DirectoryPart(std::string_view path, const PathStyle& style) {
  const size_t at = path.rfind(style.separator);
  return at == std::string_view::npos ? std::string_view() : path.substr(0, at + 1);
}

std::string_view FileNamePart(std::string_view path, const PathStyle& style) {
  const size_t at = path.rfind(style.separator);
  return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string RelativePrefix(std::string_view dir, std::string_view top, const PathStyle& style) {
  if (top.empty()) return {};
  const std::string root = RemoveDirSeparator(top, style);
  const std::string path = RemoveDirSeparator(dir, style);
  if (path.size() <= root.size()) return {};
  std::string prefix(PartAfter(path, root, style));
  if (!prefix.empty()) prefix += style.separator;
  return prefix;
}

std::string TargetPath(std::string_view full_path, std::string_view from_root,
                       std::string_view to_root, std::string_view new_name,
                       const PathStyle& style) {
  const std::string dir = RemoveDirSeparator(DirectoryPart(full_path, style), style);
  const std::string root = RemoveDirSeparator(from_root, style);
  if (dir.size() <= root.size()) return AddDirSeparator(to_root, style) + std::string(new_name);

  std::string target = RemoveDirSeparator(to_root, style);
  if (!EndsWith(target, style.separator)) target += style.separator;
  target += PartAfter(dir, root, style);
  return AddDirSeparator(target, style) + std::string(new_name);
}

}  // namespace qm
