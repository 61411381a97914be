// How paths are spelled: the separator, whether drive roots ("C:\") exist, and whether names
// are compared and keyed without regard to letter case. The program runs with PosixStyle();
// WindowsStyle() exists so that the path rules can be checked against examples written with
// backslashes and drive letters.
#pragma once

#include <string>
#include <string_view>

namespace qm {

struct PathStyle {
  char separator = '/';
  bool drive_roots = false;       // "C:" and "C:\" name drive roots
  bool case_insensitive = false;  // names are keyed in lower case (ASCII letters)

  // Converts a name to the form used as a pairing key: lower case when case-insensitive,
  // unchanged otherwise (a case-sensitive file system may hold A.txt beside a.txt).
  std::string Key(std::string_view name) const;
};

const PathStyle& PosixStyle();
const PathStyle& WindowsStyle();

// Appends a separator unless the path is empty or already ends with one (or with ":" in the
// Windows style, where a lone drive letter becomes that drive's root).
std::string AddDirSeparator(std::string_view path, const PathStyle& style = PosixStyle());
// Drops one trailing separator unless the path is at most one character long or is a root.
std::string RemoveDirSeparator(std::string_view path, const PathStyle& style = PosixStyle());

// Drops every trailing separator, but keeps a lone root separator ("/" stays "/").
std::string_view WithoutTrailingSeparators(std::string_view path,
                                           const PathStyle& style = PosixStyle());

// The folder that holds `path`, without a trailing separator: "." for a bare name and the root
// for a name directly in it ("/x" gives "/").
std::string DirectoryOf(std::string_view path, const PathStyle& style = PosixStyle());
// The directory part of a path, up to and including its last separator ("" when none).
std::string_view DirectoryPart(std::string_view path, const PathStyle& style = PosixStyle());
// The file-name part of a path, after its last separator.
std::string_view FileNamePart(std::string_view path, const PathStyle& style = PosixStyle());

// The path of `dir` relative to the scan's top directory `top`, followed by a separator, or ""
// when `dir` is the top directory itself (or not below it).
std::string RelativePrefix(std::string_view dir, std::string_view top,
                           const PathStyle& style = PosixStyle());

// Where a file listed as `full_path`, scanned below `from_root`, goes below `to_root` under the
// name `new_name`: the same subdirectory (letter case as in `full_path`), then the name.
std::string TargetPath(std::string_view full_path, std::string_view from_root,
                       std::string_view to_root, std::string_view new_name,
                       const PathStyle& style = PosixStyle());

}  // namespace qm
