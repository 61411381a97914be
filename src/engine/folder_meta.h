// Folders of a copied tree: made owner-only while their files arrive, then given the mode,
// owner and time of their source folders once the pass is done with them.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace qm {

class FolderFinisher {
 public:
  // Told the path of a folder whose volume refused its mode or owner.
  using Refused = std::function<void(const std::string& path)>;

  // Folders below (and at) `to_root` take after their counterparts below `from_root`.
  FolderFinisher(FileSystem& fs, const std::string& from_root, const std::string& to_root,
                 Refused refused = {});
  // Finishes what is noted; whatever fails stays as it is.
  ~FolderFinisher();
  FolderFinisher(const FolderFinisher&) = delete;
  FolderFinisher& operator=(const FolderFinisher&) = delete;

  // Creates `dir` and every missing parent, readable by the owner alone until finished. The
  // first failure is returned; a folder that exists already is no failure.
  Status MakeFolders(const std::string& dir);
  // `dir` gained or lost an entry: its time has to be set again.
  void Touched(const std::string& dir);
  // Gives every noted folder, deepest first (a parent's time is set after its children are
  // done with), the mode, owner and time of its source folder; then forgets them.
  void Finish();

 private:
  // The source folder of `dir`, or "" when `dir` is not below the target root.
  std::string SourceOf(const std::string& dir) const;
  bool IsDirectory(const std::string& dir);

  FileSystem& fs_;
  std::string from_root_;  // with a trailing separator
  std::string to_root_;
  Refused refused_;
  std::set<std::string> noted_;  // folders, without a trailing separator
};

}  // namespace qm
