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

// A record: a header byte with kOwnKey and the name's length (or kLongName, and the length in
// two more bytes), the name as found, then its key when it has one of its own.
constexpr uint8_t kOwnKey = 0x80;
constexpr uint8_t kLengthBits = 0x7F;
constexpr uint8_t kLongName = 0x7E;
constexpr uint8_t kBlockEnd = 0xFF;  // the rest of the block is unused: the next record begins
                                     // the next block

struct Header {
  size_t size;  // the header's bytes
  size_t name_len;
  bool own_key;
};

Header ReadHeader(const char* at) {
  const auto* p = reinterpret_cast<const unsigned char*>(at);
  const bool own_key = (p[0] & kOwnKey) != 0;
  const size_t len = p[0] & kLengthBits;
  if (len != kLongName) return {1, len, own_key};
  return {3, p[1] | (size_t{p[2]} << 8), own_key};
}

size_t RecordSize(const Header& h) {
  return h.size + h.name_len * (h.own_key ? 2 : 1);
}

}  // namespace

FileList::Arena& FileList::Arena::operator=(const Arena& other) {
  if (this == &other) return *this;
  blocks_.clear();
  for (const auto& block : other.blocks_) {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    std::memcpy(blocks_.back().get(), block.get(), kBlockSize);
  }
  used_ = other.used_;
  return *this;
}

char* FileList::Arena::Reserve(size_t n, uint32_t& at) {
  if (n > kBlockSize) throw std::length_error("name too long for the file list");
  if (blocks_.empty() || used_ + n > kBlockSize) {
    if (blocks_.size() >= (size_t{1} << (32 - kBlockBits))) {
      throw std::length_error("file list too large");
    }
    // Not zeroed: the unused end of the last block is never touched, so it takes no memory.
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    // The block left behind says where its bytes end, for readers walking from record to record.
    if (blocks_.size() > 1 && used_ < kBlockSize)
      blocks_[blocks_.size() - 2][used_] = static_cast<char>(kBlockEnd);
    used_ = 0;
  }
  at = static_cast<uint32_t>(((blocks_.size() - 1) << kBlockBits) + used_);
  used_ += n;
  return blocks_.back().get() + (at & (kBlockSize - 1));
}

uint32_t FileList::Arena::Store(std::string_view s) {
  uint32_t at = 0;
  if (!s.empty()) std::memcpy(Reserve(s.size(), at), s.data(), s.size());
  return at;
}

void FileList::Arena::Clear() {
  blocks_.clear();
  used_ = 0;
}

size_t FileList::Arena::MemoryUsed() const {
  return blocks_.size() * kBlockSize + blocks_.capacity() * sizeof(void*);
}

FileList& FileList::operator=(const FileList& other) {
  if (this == &other) return *this;
  Clear();
  count_ = other.count_;
  runs_ = other.runs_;
  dirs_ = other.dirs_;
  names_ = other.names_;
  dir_texts_ = other.dir_texts_;
  big_sizes_ = other.big_sizes_;
  for (const auto& block : other.blocks_) {
    blocks_.push_back(std::make_unique_for_overwrite<Block>());
    std::memcpy(blocks_.back().get(), block.get(), sizeof(Block));
  }
  return *this;
}

uint32_t FileList::AddDirectory(std::string_view path, std::string_view name_prefix) {
  if (path.size() > std::numeric_limits<uint32_t>::max() - 1) {
    throw std::length_error("path too long for the file list");
  }
  Dir d{};
  d.path = dir_texts_.Store(path);
  d.path_len = static_cast<uint32_t>(path.size());
  // The prefix is usually the path's tail: share those bytes instead of storing them twice.
  if (path.size() >= name_prefix.size() &&
      path.substr(path.size() - name_prefix.size()) == name_prefix) {
    d.prefix = d.path + static_cast<uint32_t>(path.size() - name_prefix.size());
  } else {
    d.prefix = dir_texts_.Store(name_prefix);
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
  // What may fail comes first, so that a failure leaves no record a walk from a mark would read.
  if (count_ == blocks_.size() * kEntries) {
    blocks_.push_back(std::make_unique_for_overwrite<Block>());
    std::fill(std::begin(blocks_.back()->matched), std::end(blocks_.back()->matched), 0);
  }
  const bool new_run = runs_.empty() || runs_.back().dir != dir;
  if (new_run) runs_.reserve(runs_.size() + 1);
  const bool big = size < 0 || size >= kBigSize;
  if (big) big_sizes_.reserve(big_sizes_.size() + 1);
  uint32_t at = 0;
  char* p = names_.Reserve(header + name.size() * (own_key ? 2 : 1), at);

  const uint8_t key_bit = own_key ? kOwnKey : 0;
  if (header == 1) {
    *p++ = static_cast<char>(key_bit | name.size());
  } else {
    *p++ = static_cast<char>(key_bit | kLongName);
    *p++ = static_cast<char>(name.size() & 0xFF);
    *p++ = static_cast<char>(name.size() >> 8);
  }
  // A name given whole in the directory text is empty here, and an empty view may hold null.
  if (!name.empty()) std::memcpy(p, name.data(), name.size());
  if (own_key) std::memcpy(p + name.size(), name_key.data(), name.size());

  Block& block = *blocks_[count_ >> kEntryBits];
  const size_t in_block = count_ & (kEntries - 1);
  if ((in_block & ((size_t{1} << kMarkBits) - 1)) == 0) block.marks[in_block >> kMarkBits] = at;
  Entry& e = block.entries[in_block];
  e.time = time;
  e.attr = attr & 0x7F;
  e.size = big ? kBigSize : static_cast<uint32_t>(size);
  if (big) big_sizes_.emplace_back(static_cast<uint32_t>(count_), size);
  if (new_run) runs_.push_back({static_cast<uint32_t>(count_), dir});
  ++count_;
}

void FileList::Add(std::string_view text, std::unique_ptr<ScannedFile> object) {
  // Texts and names given whole need not share a directory: each gets a table row of its own.
  const uint32_t dir = AddDirectory(text, object->Name);
  AddFile(dir, {}, {}, static_cast<uint32_t>(object->Time), object->Size,
          static_cast<uint32_t>(object->Attr));
  SetMatched(count_ - 1, object->Matched);
}

uint32_t FileList::RecordOf(size_t i) const {
  const Block& block = *blocks_[i >> kEntryBits];
  const size_t in_block = i & (kEntries - 1);
  const uint32_t mark = block.marks[in_block >> kMarkBits];
  size_t steps = in_block & ((size_t{1} << kMarkBits) - 1);
  if (steps == 0) return mark;
  uint32_t names_block = mark >> Arena::kBlockBits;
  const char* bytes = names_.Ptr(names_block << Arena::kBlockBits);
  size_t at = mark & (Arena::kBlockSize - 1);
  for (; steps > 0; --steps) {
    at += RecordSize(ReadHeader(bytes + at));
    if (at == Arena::kBlockSize || static_cast<uint8_t>(bytes[at]) == kBlockEnd) {
      bytes = names_.Ptr(++names_block << Arena::kBlockBits);
      at = 0;
    }
  }
  return (names_block << Arena::kBlockBits) | static_cast<uint32_t>(at);
}

const FileList::Dir& FileList::DirOf(size_t i) const {
  const auto run = std::upper_bound(runs_.begin(), runs_.end(), i,
                                    [](size_t entry, const Run& r) { return entry < r.first; });
  return dirs_[std::prev(run)->dir];
}

FileList::Bare FileList::BareOf(size_t i) const {
  const char* record = names_.Ptr(RecordOf(i));
  const Header h = ReadHeader(record);
  const char* name = record + h.size;
  const std::string_view found(name, h.name_len);
  return {found, h.own_key ? std::string_view(name + h.name_len, h.name_len) : found};
}

std::string FileList::Text(size_t i) const {
  const Dir& d = DirOf(i);
  const std::string_view name = BareOf(i).found;
  std::string text;
  text.reserve(d.path_len + name.size());
  text.append(dir_texts_.Slice(d.path, d.path_len));
  text.append(name);
  return text;
}

void FileList::NameInto(size_t i, std::string& out) const {
  const Dir& d = DirOf(i);
  out.assign(dir_texts_.Slice(d.prefix, d.prefix_len));
  out.append(BareOf(i).own);
}

void FileList::NameAndTextInto(size_t i, std::string& name, std::string& text) const {
  const Dir& d = DirOf(i);
  const Bare bare = BareOf(i);
  name.assign(dir_texts_.Slice(d.prefix, d.prefix_len));
  name.append(bare.own);
  text.assign(dir_texts_.Slice(d.path, d.path_len));
  text.append(bare.found);
}

size_t FileList::NameSize(size_t i) const {
  return DirOf(i).prefix_len + BareOf(i).own.size();
}

bool FileList::NameStartsWith(size_t i, std::string_view prefix) const {
  const Dir& d = DirOf(i);
  const std::string_view dir_part = dir_texts_.Slice(d.prefix, d.prefix_len);
  if (prefix.size() <= dir_part.size()) return dir_part.substr(0, prefix.size()) == prefix;
  const std::string_view own = BareOf(i).own;
  if (prefix.size() > dir_part.size() + own.size()) return false;
  return prefix.substr(0, dir_part.size()) == dir_part &&
         own.substr(0, prefix.size() - dir_part.size()) == prefix.substr(dir_part.size());
}

bool FileList::NameEquals(size_t i, std::string_view name) const {
  const Dir& d = DirOf(i);
  const std::string_view dir_part = dir_texts_.Slice(d.prefix, d.prefix_len);
  const std::string_view own = BareOf(i).own;
  return name.size() == dir_part.size() + own.size() && name.starts_with(dir_part) &&
         name.substr(dir_part.size()) == own;
}

int64_t FileList::Size(size_t i) const {
  const Entry& e = At(i);
  if (e.size != kBigSize) return e.size;
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

int32_t FileList::Matched(size_t i) const {
  const size_t in_block = i & (kEntries - 1);
  return static_cast<int32_t>(
      (blocks_[i >> kEntryBits]->matched[in_block / 64] >> (in_block % 64)) & 1);
}

void FileList::SetMatched(size_t i, int32_t matched) {
  const size_t in_block = i & (kEntries - 1);
  uint64_t& word = blocks_[i >> kEntryBits]->matched[in_block / 64];
  const uint64_t bit = uint64_t{1} << (in_block % 64);
  word = matched != 0 ? word | bit : word & ~bit;
}

void FileList::ClearMatched() {
  for (const auto& block : blocks_)
    std::fill(std::begin(block->matched), std::end(block->matched), 0);
}

void FileList::Clear() {
  count_ = 0;
  blocks_.clear();
  runs_.clear();
  dirs_.clear();
  names_.Clear();
  dir_texts_.Clear();
  big_sizes_.clear();
}

size_t FileList::MemoryUsed() const {
  return sizeof(*this) + blocks_.size() * sizeof(Block) + blocks_.capacity() * sizeof(void*) +
         runs_.capacity() * sizeof(Run) + dirs_.capacity() * sizeof(Dir) + names_.MemoryUsed() +
         dir_texts_.MemoryUsed() + big_sizes_.capacity() * sizeof(big_sizes_.front());
}

}  // namespace qm
