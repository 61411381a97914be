// The compact file list of a snapshot.
#include <limits>
#include <stdexcept>

#include "profiles/file_list.h"
#include "profiles/named_list.h"

namespace qm {

using FileList = NamedList<ScannedFile>;

uint32_t FileList::Store(std::string_view s) {
  if (arena_.size() + s.size() > std::numeric_limits<uint32_t>::max()) {
    throw std::length_error("file list too large");
  }
  const auto at = static_cast<uint32_t>(arena_.size());
  arena_.insert(arena_.end(), s.begin(), s.end());
  return at;
}

uint32_t FileList::AddDirectory(std::string_view path, std::string_view name_prefix) {
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
  Entry e{};
  e.size = size;
  e.time = time;
  e.dir = dir;
  e.name = Store(name);
  e.name_len = static_cast<uint16_t>(name.size());
  e.attr = static_cast<uint8_t>(attr);
  if (name_key != name) {
    Store(name_key);
    e.flags |= kOwnKey;
  }
  entries_.push_back(e);
}

void FileList::Add(std::string_view text, std::unique_ptr<ScannedFile> object) {
  // Texts and names given whole need not share a directory: each gets a table row of its own.
  const uint32_t dir = AddDirectory(text, object->Name);
  AddFile(dir, {}, {}, static_cast<uint32_t>(object->Time), object->Size,
          static_cast<uint32_t>(object->Attr));
  SetMatched(entries_.size() - 1, object->Matched);
}

std::string FileList::Text(size_t i) const {
  const Entry& e = entries_[i];
  const Dir& d = dirs_[e.dir];
  std::string text;
  text.reserve(d.path_len + e.name_len);
  text.append(Slice(d.path, d.path_len));
  text.append(Slice(e.name, e.name_len));
  return text;
}

void FileList::NameInto(size_t i, std::string& out) const {
  const Entry& e = entries_[i];
  const Dir& d = dirs_[e.dir];
  out.assign(Slice(d.prefix, d.prefix_len));
  out.append(Slice((e.flags & kOwnKey) != 0 ? e.name + e.name_len : e.name, e.name_len));
}

bool FileList::NameStartsWith(size_t i, std::string_view prefix) const {
  const Entry& e = entries_[i];
  const Dir& d = dirs_[e.dir];
  const std::string_view dir_part = Slice(d.prefix, d.prefix_len);
  const std::string_view own =
      Slice((e.flags & kOwnKey) != 0 ? e.name + e.name_len : e.name, e.name_len);
  if (prefix.size() > dir_part.size() + own.size()) return false;
  if (prefix.size() <= dir_part.size()) return dir_part.substr(0, prefix.size()) == prefix;
  return prefix.substr(0, dir_part.size()) == dir_part &&
         own.substr(0, prefix.size() - dir_part.size()) == prefix.substr(dir_part.size());
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
  item.DateTime = DosDateTimeToDateTime(entries_[i].time);
  item.Size = Size(i);
  item.Attr = Attr(i);
  item.Matched = Matched(i);
  return item;
}

void FileList::SetMatched(size_t i, int32_t matched) {
  if (matched != 0) {
    entries_[i].flags |= kMatched;
  } else {
    entries_[i].flags &= static_cast<uint8_t>(~kMatched);
  }
}

void FileList::ClearMatched() {
  for (Entry& e : entries_) e.flags &= static_cast<uint8_t>(~kMatched);
}

void FileList::Clear() {
  entries_.clear();
  dirs_.clear();
  arena_.clear();
}

size_t FileList::MemoryUsed() const {
  return sizeof(*this) + entries_.capacity() * sizeof(Entry) + dirs_.capacity() * sizeof(Dir) +
         arena_.capacity();
}

}  // namespace qm
