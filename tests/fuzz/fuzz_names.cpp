// Feeds arbitrary destination lists to the name reduction, the destination index and the
// target-path rule, and checks them against the plain list walk they stand for.
// Input: one flags byte (bit 0 doZIP, bits 1-2 KeepCopyKind), then lines; each line is one
// time byte followed by a name. The first line is the source file, the rest the destination.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/destination_index.h"
#include "engine/kept_copy_names.h"
#include "platform/clock.h"
#include "platform/path_style.h"
#include "profiles/file_list.h"
#include "profiles/named_list.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Entry {
  std::string name;
  qm::DosDateTime time;
};

std::vector<Entry> ParseLines(std::string_view body) {
  std::vector<Entry> out;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view line = body.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    // A few distinct times make "at least as new" go both ways; the top bit set tests the
    // unsigned comparison of dates after 2043.
    const auto t = static_cast<uint8_t>(line[0]);
    out.push_back({std::string(line.substr(1)), (t & 0x80u ? 0x80000000u : 0u) + (t & 0x0fu)});
  }
  return out;
}

// The walk the backup pass describes: every entry reduced in list order, M raised on the way,
// entries of the source's name marked until the first one at least as new.
struct Walk {
  std::vector<size_t> matched;
  bool copy = true;
  int64_t M = 0;
};

Walk WalkList(const std::vector<Entry>& dest, const Entry& source, bool zip, int16_t kind) {
  Walk w;
  for (size_t i = 0; i < dest.size(); ++i) {
    const std::optional<std::string> reduced = qm::StripKeepSuffix(dest[i].name, zip, kind, w.M);
    if (!reduced || *reduced != source.name) continue;
    w.matched.push_back(i);
    if (source.time <= dest[i].time) {
      w.copy = false;
      break;
    }
  }
  return w;
}

void CheckIndex(const std::vector<Entry>& dest, const Entry& source, bool zip, int16_t kind) {
  qm::NamedList<qm::ScannedFile> list;
  for (const Entry& e : dest) {
    auto item = std::make_unique<qm::ScannedFile>();
    item->Name = e.name;
    item->Time = static_cast<int32_t>(e.time);
    list.Add("/dest/" + e.name, std::move(item));
  }
  const qm::DestinationIndex index(list, zip, kind);
  const auto pairing = index.Pair(source.name, source.time);
  const Walk walk = WalkList(dest, source, zip, kind);
  Require(pairing.copy_needed == walk.copy);
  Require(std::vector<size_t>(pairing.matched.begin(), pairing.matched.end()) == walk.matched);
  Require(pairing.M == walk.M);
}

void CheckNewCopyNames(std::string_view file_name, int16_t kind, int64_t M) {
  if (file_name.find('/') != std::string_view::npos) return;
  const std::string copy = qm::NewCopyName(file_name, kind, M, "10-12-2004_2-14-36");
  int64_t m = 0;
  const auto reduced = qm::StripKeepSuffix(copy, false, kind, m);
  // A copy the program names itself must pair with its source again.
  Require(reduced.has_value() && *reduced == file_name);
  if (kind == qm::kKeepSequence) Require(m == M + 1);
  int64_t mz = 0;
  const auto reduced_zip = qm::StripKeepSuffix(copy + ".zip", true, kind, mz);
  Require(reduced_zip.has_value() && *reduced_zip == file_name);
}

void CheckTargetPath(std::string_view rel, std::string_view name) {
  // Only well-formed relative directories: no empty level, no leading or trailing separator.
  if (name.empty() || name.find('/') != std::string_view::npos) return;
  if (!rel.empty() && (rel.front() == '/' || rel.back() == '/')) return;
  if (rel.find("//") != std::string_view::npos) return;
  const std::string sub = rel.empty() ? "" : std::string(rel) + "/";
  const std::string full = "/src/root/" + sub + std::string(name);
  const std::string target = qm::TargetPath(full, "/src/root", "/dest", name);
  // The copy lands below the destination in the source file's own subdirectory, whichever way
  // the roots are written.
  Require(target == "/dest/" + sub + std::string(name));
  Require(qm::TargetPath(full, "/src/root/", "/dest/", name) == target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool zip = (data[0] & 1) != 0;
  const auto kind = static_cast<int16_t>((data[0] >> 1) % 3);
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<Entry> lines = ParseLines(body);
  if (lines.empty()) return 0;

  const Entry& source = lines.front();
  const std::vector<Entry> dest(lines.begin() + 1, lines.end());
  CheckIndex(dest, source, zip, kind);

  int64_t m = 0;
  for (const Entry& e : dest) (void)qm::StripKeepSuffix(e.name, zip, kind, m);
  // Sequence numbers are read up to one below the largest integer, so the next copy's number
  // (m + 1) always fits and reads back.
  if (m >= 0 && m < INT64_MAX - 2) CheckNewCopyNames(source.name, kind, m);

  const size_t slash = source.name.rfind('/');
  if (slash != std::string::npos)
    CheckTargetPath(std::string_view(source.name).substr(0, slash),
                    std::string_view(source.name).substr(slash + 1));
  else
    CheckTargetPath("", source.name);
  return 0;
}
