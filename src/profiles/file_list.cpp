// The compact file list of a snapshot.
#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "profiles/file_list.h"
#include "profiles/named_list.h"

namespace qm {

using FileList = NamedList<ScannedFile>;

namespace {

constexpr int64_t kLargestInlineSize = (int64_t{1} << 47) - 1;
constexpr uint8_t kLongName = 0xFF;  // a length of 255 or more: two more bytes follow

}  // namespace

FileList& FileList::operator=(const FileList& other) {
  if (this == &other) return *this;
  Clear();
  count_ = other.count_;
  runs_ = other.runs_;
  dirs_ = other.dirs_;
  big_sizes_ = other.big_sizes_;
  arena_used_ = other.arena_used_;
  constexpr size_t kEntries = size_t{1} << kEntryBits, kBytes = size_t{1} << kArenaBits;
  for (const auto& block : other.entry_blocks_) {
    entry_blocks_.push_back(std::make_unique_for_overwrite<Entry[]>(kEntries));
    std::copy_n(block.get(), kEntries, entry_blocks_.back().get());
  }
  for (const auto& block : other.arena_blocks_) {
    arena_blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBytes));
    std::memcpy(arena_blocks_.back().get(), block.get(), kBytes);
  }
  return *this;
}

char* FileList::Reserve(size_t n, uint32_t& at) {
  constexpr size_t kBytes = size_t{1} << kArenaBits;
  if (n > kBytes) throw std::length_error("name too long for the file list");
  if (arena_blocks_.empty() || arena_used_ + n > kBytes) {
    if (arena_blocks_.size() >= (size_t{1} << (32 - kArenaBits))) {
      throw std::length_error("file list too large");
    }
    // Not zeroed: the unused end of the last block is never touched, so it takes no memory.
    arena_blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBytes));
    arena_used_ = 0;
  }
  at = static_cast<uint32_t>(((arena_blocks_.size() - 1) << kArenaBits) + arena_used_);
  arena_used_ += n;
  return arena_blocks_.back().get() + (at & (kBytes - 1));
}

uint32_t FileList::Store(std::string_view s) {
  uint32_t at = 0;
  if (!s.empty()) std::memcpy(Reserve(s.size(), at), s.data(), s.size());
  return at;
}

uint32_t FileList::AddDirectory(std::string_view path, std::string_view name_prefix) {
  if (path.size() > std::numeric_limits<uint32_t>::max() - 1) {
    throw std::length_error("path too long for the file list");
  }
  Dir d{};
  d.path = Store(path);
  d.path_len = static_cast<uint32_t>(path.size());
  // The prefix is usually the path's tail: share those bytes instead of storing them twice.
  if (path.size() >= name_prefix.size() &&
      path.substr(path.size() - name_prefix.size()) == name_prefix) {
    d.prefix = d.path + static_cast<uint32_t>(path.size() - name_prefix.size());
  } else {
    d.prefix = Store(name_prefix);
  }
  d.prefix_len = static_cast<uint32_t>(name_prefix.size());
  dirs_.push_back(d);
  return static_cast<uint32_t>(dirs_.size() - 1);
}

void FileList::AddFile(uint32_t dir, std::string_view name, std::string_view name_key,
                       uint32_t time, int64_t size, uint32_t attr) {
  if (name.size() > std::numeric_limits<uint16_t>::max() || name_key.size() != name.size()) {
    throw std::length_error("file name too long for the list: " + std::string(name));
  }
  if (count_ >= std::numeric_limits<uint32_t>::max()) throw std::length_error("file list too long");
  const bool own_key = name_key != name;
  const size_t header = name.size() < kLongName ? 1 : 3;
  Entry e{};
  char* p = Reserve(header + name.size() * (own_key ? 2 : 1), e.name);
  if (header == 1) {
    *p++ = static_cast<char>(name.size());
  } else {
    *p++ = static_cast<char>(kLongName);
    *p++ = static_cast<char>(name.size() & 0xFF);
    *p++ = static_cast<char>(name.size() >> 8);
  }
  // A name given whole in the directory text is empty here, and an empty view may hold null.
  if (!name.empty()) std::memcpy(p, name.data(), name.size());
  if (own_key) {
    std::memcpy(p + name.size(), name_key.data(), name.size());
    e.flags |= kOwnKey;
  }
  e.time = time;
  e.attr = attr & 0xFF;
  if (size >= 0 && size <= kLargestInlineSize) {
    e.size = size;
  } else {
    e.flags |= kBigSize;
    big_sizes_.emplace_back(static_cast<uint32_t>(count_), size);
  }
  constexpr size_t kEntries = size_t{1} << kEntryBits;
  if (count_ == entry_blocks_.size() * kEntries) {
    entry_blocks_.push_back(std::make_unique_for_overwrite<Entry[]>(kEntries));
  }
  At(count_) = e;
  if (runs_.empty() || runs_.back().dir != dir) {
    runs_.push_back({static_cast<uint32_t>(count_), dir});
  }
  ++count_;
}

void FileList::Add(std::string_view text, std::unique_ptr<ScannedFile> object) {
  // Texts and names given whole need not share a directory: each gets a table row of its own.
  const uint32_t dir = AddDirectory(text, object->Name);
  AddFile(dir, {}, {}, static_cast<uint32_t>(object->Time), object->Size,
          static_cast<uint32_t>(object->Attr));
  SetMatched(count_ - 1, object->Matched);
}

const FileList::Dir& FileList::DirOf(size_t i) const {
  const auto run = std::upper_bound(runs_.begin(), runs_.end(), i,
                                    [](size_t entry, const Run& r) { return entry < r.first; });
  return dirs_[std::prev(run)->dir];
}

std::string_view FileList::OwnName(size_t i) const {
  const Entry& e = At(i);
  const auto* p = reinterpret_cast<const unsigned char*>(Ptr(e.name));
  size_t len = p[0];
  size_t header = 1;
  if (len == kLongName) {
    len = p[1] | (size_t{p[2]} << 8);
    header = 3;
  }
  const char* name = reinterpret_cast<const char*>(p) + header;
  return {(e.flags & kOwnKey) != 0 ? name + len : name, len};
}

std::string FileList::Text(size_t i) const {
  const Dir& d = DirOf(i);
  const Entry& e = At(i);
  std::string_view name = OwnName(i);
  // The text keeps the name as found, which is stored before its key.
  if ((e.flags & kOwnKey) != 0) name = {name.data() - name.size(), name.size()};
  std::string text;
  text.reserve(d.path_len + name.size());
  text.append(Slice(d.path, d.path_len));
  text.append(name);
  return text;
}

void FileList::NameInto(size_t i, std::string& out) const {
  const Dir& d = DirOf(i);
  out.assign(Slice(d.prefix, d.prefix_len));
  out.append(OwnName(i));
}

size_t FileList::NameSize(size_t i) const {
  return DirOf(i).prefix_len + OwnName(i).size();
}

bool FileList::NameStartsWith(size_t i, std::string_view prefix) const {
  const Dir& d = DirOf(i);
  const std::string_view dir_part = Slice(d.prefix, d.prefix_len);
  const std::string_view own = OwnName(i);
  if (prefix.size() > dir_part.size() + own.size()) return false;
  if (prefix.size() <= dir_part.size()) return dir_part.substr(0, prefix.size()) == prefix;
  return prefix.substr(0, dir_part.size()) == dir_part &&
         own.substr(0, prefix.size() - dir_part.size()) == prefix.substr(dir_part.size());
}

int64_t FileList::Size(size_t i) const {
  const Entry& e = At(i);
  if ((e.flags & kBigSize) == 0) return e.size;
  const auto big = std::lower_bound(
      big_sizes_.begin(), big_sizes_.end(), i,
      [](const std::pair<uint32_t, int64_t>& b, size_t entry) { return b.first < entry; });
  return big->second;
}

std::string FileList::Name(size_t i) const {
  std::string name;
  NameInto(i, name);
  return name;
}

ScannedFile FileList::Object(size_t i) const {
  ScannedFile item;
  NameInto(i, item.Name);
  item.Time = Time(i);
  item.DateTime = DosDateTimeToDateTime(At(i).time);
  item.Size = Size(i);
  item.Attr = Attr(i);
  item.Matched = Matched(i);
  return item;
}

void FileList::SetMatched(size_t i, int32_t matched) {
  Entry& e = At(i);
  if (matched != 0) {
    e.flags |= kMatched;
  } else {
    e.flags &= static_cast<uint8_t>(~kMatched);
  }
}

void FileList::ClearMatched() {
  for (size_t i = 0; i < count_; ++i) At(i).flags &= static_cast<uint8_t>(~kMatched);
}

void FileList::Clear() {
  count_ = 0;
  entry_blocks_.clear();
  runs_.clear();
  dirs_.clear();
  arena_blocks_.clear();
  arena_used_ = 0;
  big_sizes_.clear();
}

size_t FileList::MemoryUsed() const {
  return sizeof(*this) + entry_blocks_.size() * (sizeof(Entry) << kEntryBits) +
         entry_blocks_.capacity() * sizeof(void*) + runs_.capacity() * sizeof(Run) +
         dirs_.capacity() * sizeof(Dir) + (arena_blocks_.size() << kArenaBits) +
         arena_blocks_.capacity() * sizeof(void*) +
         big_sizes_.capacity() * sizeof(big_sizes_.front());
}

}  // namespace qm
