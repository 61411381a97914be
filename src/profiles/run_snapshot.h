// One run snapshot: a queued profile and the files found for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "profiles/file_list.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"

namespace qm {

// One run snapshot: the profile as it was when queued and the files found then.
class RunSnapshot {
 public:
  virtual ~RunSnapshot() = default;

  ProfileRecord Profile;
  NamedList<ScannedFile> SrcFiles;  // text: full path as found; object: the file
  NamedList<ScannedFile> DestFiles;
  TDateTime StartedAt = 0;
  int32_t FilesDone = 0;
  int32_t FilesLeft = 0;
  std::string CurrentFile;
  // A directory of the source (or destination) tree could not be listed: the list may lack
  // files that exist, so nothing may be deleted on the strength of their absence.
  bool SrcScanFailed = false;
  std::string SrcScanError;
  bool DestScanFailed = false;
  std::string DestScanError;
  // Every directory of each tree that could not be listed, as the scan named it.
  std::vector<std::string> SrcUnlistedDirs;
  std::vector<std::string> DestUnlistedDirs;
  // The source's top directory holds any entry at all: a file list that the masks left empty
  // over it is no sign of an emptied (or unplugged and remade) source.
  bool SrcTopHasEntries = false;
  // Folders skipped as caches (both trees), and the source's special files that were selected
  // but cannot be copied.
  std::vector<std::string> CacheDirs;
  std::vector<std::string> SpecialFiles;
  // Not scanned: nothing changed since the profile's last complete pass, whose passes found
  // every one of its `UnchangedFiles` files up to date. The lists stay empty.
  bool Unchanged = false;
  int64_t UnchangedFiles = 0;
};

// The files of both lists, or of the last complete pass for an unchanged snapshot.
inline int64_t FileCount(const RunSnapshot& item) {
  return item.Unchanged ? item.UnchangedFiles
                        : static_cast<int64_t>(item.SrcFiles.Count() + item.DestFiles.Count());
}

}  // namespace qm
