#include "wizard/disk_list.h"

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <optional>

#include "platform/path_style.h"
#include "platform/percent.h"
#include "platform/utf8.h"

namespace qm {

namespace {

bool IsUnder(std::string_view path, std::string_view dir) {
  if (dir == "/") return !path.empty() && path[0] == '/';
  return path == dir ||
         (path.size() > dir.size() && path.substr(0, dir.size()) == dir && path[dir.size()] == '/');
}

std::string RightAligned(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// UTF-8 to code points and back; a byte that does not start a valid sequence stands for
// itself, so that no input is lost.
std::u32string Decode(std::string_view s) {
  std::u32string out;
  for (size_t i = 0, len = 1; i < s.size(); i += len) {
    const std::optional<char32_t> c = DecodeUtf8(s, i, len);
    out += c ? *c : static_cast<char32_t>(static_cast<unsigned char>(s[i]));
  }
  return out;
}

void Encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

int64_t RoundMegabytes(int64_t bytes) {
  if (bytes < 0) return 0;
  constexpr int64_t kMb = 1048576;
  return DivideHalfEven(bytes, kMb);
}

const char* VolumeKindCaption(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::kRemovable:
      return "Removeable";
    case VolumeKind::kNetwork:
      return "Network";
    default:
      return "Local disk";
  }
}

std::string DiskLineText(const Volume& volume) {
  return volume.mount_point + ' ' + RightAligned(VolumeKindCaption(volume.kind), 10) +
         RightAligned(std::to_string(RoundMegabytes(volume.free_bytes)), 7) + " Mb free, " +
         RightAligned(std::to_string(RoundMegabytes(volume.total_bytes)), 7) + " Mb total";
}

std::string VolumeLabel(std::string_view mount_point) {
  const std::string_view last = FileNamePart(WithoutTrailingSeparators(mount_point));
  return last.empty() ? "root" : std::string(last);
}

std::string ContainingMountPoint(const std::vector<Volume>& volumes, std::string_view path) {
  std::string best;
  for (const Volume& v : volumes) {
    if (IsUnder(path, v.mount_point) && (best.empty() || v.mount_point.size() > best.size())) {
      best = v.mount_point;
    }
  }
  return best;
}

DiskList BuildDiskList(DiskSource& source) {
  const std::vector<Volume> volumes = source.Volumes();
  const std::string home = source.HomeDirectory();
  std::string home_mount = home.empty() ? std::string() : source.MountPointOf(home);
  if (home_mount.empty() && !home.empty()) home_mount = ContainingMountPoint(volumes, home);

  DiskList list;
  int64_t best_free = 0;
  for (const Volume& v : volumes) {
    DiskLine line;
    line.text = DiskLineText(v);
    line.mount_point = v.mount_point;
    // A user cannot create folders in "/" and often not at the top of other system volumes;
    // the home directory is the place of the user's own on its volume.
    std::vector<std::string> candidates;
    if (!home.empty() && v.mount_point == home_mount) candidates.push_back(AddDirSeparator(home));
    candidates.push_back(AddDirSeparator(v.mount_point));
    line.archive_dir = candidates.front() + "Archive/";
    for (const std::string& base : candidates) {
      if (source.CanCreate(base + "Archive")) {
        line.archive_dir = base + "Archive/";
        line.usable = true;
        break;
      }
    }
    if (v.kind == VolumeKind::kLocal && line.usable && v.free_bytes > best_free) {
      best_free = v.free_bytes;
      list.recommended = v.mount_point;
      list.recommended_index = static_cast<int>(list.lines.size());
    }
    list.lines.push_back(std::move(line));
  }
  return list;
}

std::string FolderNameFromProfileName(std::string_view name) {
  const auto separator = [](char32_t c) {
    return c == U' ' || c == U'(' || c == U')' || c == U'-' || c == U'[' || c == U']' || c == U'_';
  };
  std::string out;
  bool word_start = true;
  for (char32_t c : Decode(name)) {
    const auto wide = static_cast<wint_t>(c);
    const char32_t changed =
        static_cast<char32_t>(word_start ? std::towupper(wide) : std::towlower(wide));
    word_start = separator(c);
    if (c == U' ' || c == U'(' || c == U')') continue;
    Encode(changed, out);
  }
  return out;
}

std::string ProposedProfileName(std::string_view source_path, std::string_view volume_label) {
  // "/home/ann/Docs/" names the same folder as "/home/ann/Docs".
  const std::string_view last = FileNamePart(WithoutTrailingSeparators(source_path));
  return std::string(last) + " (" + std::string(volume_label) + ")";
}

}  // namespace qm
