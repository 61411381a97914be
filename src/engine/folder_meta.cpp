#include "engine/folder_meta.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/path_style.h"

namespace qm {

FolderFinisher::FolderFinisher(FileSystem& fs, const std::string& from_root,
                               const std::string& to_root, Refused refused)
    : fs_(fs),
      from_root_(AddDirSeparator(from_root)),
      to_root_(AddDirSeparator(to_root)),
      refused_(std::move(refused)) {}

FolderFinisher::~FolderFinisher() {
  try {
    Finish();
  } catch (...) {
    // Already unwinding: a folder left owner-only gives nothing away.
  }
}

std::string FolderFinisher::SourceOf(const std::string& dir) const {
  const std::string d = AddDirSeparator(dir);
  if (d.compare(0, to_root_.size(), to_root_) != 0) return {};
  return RemoveDirSeparator(from_root_ + d.substr(to_root_.size()));
}

Status FolderFinisher::MakeFolders(const std::string& dir) {
  const std::string d = RemoveDirSeparator(dir);
  if (d.empty() || IsDirectory(d)) return Status::Ok();
  const std::string parent = RemoveDirSeparator(std::string(DirectoryPart(d)));
  if (!parent.empty() && parent != d) {
    if (Status s = MakeFolders(parent); !s.ok()) return s;
  }
  Status made = fs_.CreatePrivateDirectory(d);
  if (!made.ok()) return IsDirectory(d) ? Status::Ok() : made;
  noted_.insert(d);
  Touched(parent);
  return Status::Ok();
}

bool FolderFinisher::IsDirectory(const std::string& dir) {
  Result<DirEntry> st = fs_.StatLink(dir);
  return st.ok() && st.value().is_directory();
}

void FolderFinisher::Touched(const std::string& dir) {
  const std::string d = RemoveDirSeparator(dir);
  if (!SourceOf(d).empty()) noted_.insert(d);
}

void FolderFinisher::Finish() {
  std::vector<std::string> dirs(noted_.begin(), noted_.end());
  noted_.clear();
  std::stable_sort(dirs.begin(), dirs.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  bool told = false;
  for (const std::string& dir : dirs) {
    Result<FileMeta> source = fs_.StatMeta(SourceOf(dir));
    if (!source.ok() || !source.value().is_directory()) continue;
    if (fs_.ApplyMeta(dir, source.value(), kMetaAll) == MetaApplied::kModesRefused && !told &&
        refused_) {
      told = true;
      refused_(dir);
    }
  }
}

}  // namespace qm
