#include "engine/sync_state.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <span>
#include <utility>

namespace qm {

namespace {

constexpr std::string_view kMagic = "QMSYNC1\n";
// A state larger than this is not ours: 100,000 files take about 3 MiB.
constexpr size_t kMaxStateBytes = size_t{1} << 30;

uint64_t Fnv1a(std::string_view bytes) {
  uint64_t h = 1469598103934665603ull;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

void PutFixed(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, std::string_view text) {
  PutVarint(out, text.size());
  out.append(text);
}

// Reads the format back; every read fails once the bytes run out or make no sense.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  bool Varint(uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (rest_.empty()) return false;
      const auto b = static_cast<unsigned char>(rest_.front());
      rest_.remove_prefix(1);
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  bool Fixed32(uint32_t& v) {
    if (rest_.size() < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<unsigned char>(rest_[i])) << (8 * i);
    rest_.remove_prefix(4);
    return true;
  }
  bool Bytes(size_t n, std::string_view& out) {
    if (rest_.size() < n) return false;
    out = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return true;
  }
  bool Text(std::string_view& out) {
    uint64_t n = 0;
    return Varint(n) && Bytes(n, out);
  }
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace

std::string SyncState::PathFor(const std::string& data_dir, const std::string& src,
                               const std::string& dest) {
  std::string key = src;
  key.push_back('\0');
  key += dest;
  std::array<char, 17> hex{};
  std::snprintf(hex.data(), hex.size(), "%016llx", static_cast<unsigned long long>(Fnv1a(key)));
  std::string path = data_dir;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path + "sync-" + hex.data() + ".state";
}

SyncState::Loaded SyncState::Read(FileSystem& fs, const std::string& path, const std::string& src,
                                  const std::string& dest, std::string* bytes_read) {
  entries_.clear();
  names_.clear();
  Result<std::unique_ptr<ReadableFile>> file = fs.OpenRead(path);
  if (!file.ok())
    return file.error().kind == ErrorKind::kNotFound ? Loaded::kMissing : Loaded::kUnreadable;
  std::string bytes;
  std::array<std::byte, 65536> buffer;
  for (;;) {
    Result<size_t> n = file.value()->Read(buffer);
    if (!n.ok()) return Loaded::kUnreadable;
    if (n.value() == 0) break;
    bytes.append(reinterpret_cast<const char*>(buffer.data()), n.value());
    if (bytes.size() > kMaxStateBytes) return Loaded::kUnreadable;
  }
  const Loaded loaded = Parse(bytes, src, dest);
  if (bytes_read != nullptr) *bytes_read = std::move(bytes);
  return loaded;
}

SyncState::Loaded SyncState::Parse(std::string_view bytes, const std::string& src,
                                   const std::string& dest) {
  entries_.clear();
  names_.clear();
  auto fail = [this](Loaded why) {
    entries_.clear();
    names_.clear();
    return why;
  };
  if (bytes.size() < kMagic.size() + 8 || bytes.substr(0, kMagic.size()) != kMagic)
    return fail(Loaded::kUnreadable);
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  Reader sum(bytes.substr(bytes.size() - 8));
  uint32_t lo = 0, hi = 0;
  if (!sum.Fixed32(lo) || !sum.Fixed32(hi) || ((uint64_t{hi} << 32) | lo) != Fnv1a(body))
    return fail(Loaded::kUnreadable);

  Reader in(body.substr(kMagic.size()));
  std::string_view s, d;
  uint64_t count = 0;
  if (!in.Text(s) || !in.Text(d) || !in.Varint(count)) return fail(Loaded::kUnreadable);
  if (s != src || d != dest) return fail(Loaded::kOtherFolders);
  if (count > body.size()) return fail(Loaded::kUnreadable);
  entries_.reserve(count);
  std::string previous;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t shared = 0, src_code = 0, dest_code = 0;
    std::string_view suffix;
    if (!in.Varint(shared) || shared > previous.size() || !in.Text(suffix))
      return fail(Loaded::kUnreadable);
    previous.resize(shared);
    previous.append(suffix);
    // Sorted and unique, or Find would miss entries.
    if (!entries_.empty() && !(NameOf(entries_.back()) < previous))
      return fail(Loaded::kUnreadable);
    Entry e{static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(previous.size()), {}};
    names_ += previous;
    if (!in.Varint(src_code)) return fail(Loaded::kUnreadable);
    if (src_code != 0) {
      e.state.src.size = static_cast<int64_t>(src_code - 1);
      if (!in.Fixed32(e.state.src.time)) return fail(Loaded::kUnreadable);
    }
    if (!in.Varint(dest_code)) return fail(Loaded::kUnreadable);
    if (dest_code == 1) {
      e.state.dest = e.state.src;
    } else if (dest_code > 1) {
      e.state.dest.size = static_cast<int64_t>(dest_code - 2);
      if (!in.Fixed32(e.state.dest.time)) return fail(Loaded::kUnreadable);
    }
    entries_.push_back(e);
  }
  if (!in.AtEnd()) return fail(Loaded::kUnreadable);
  return Loaded::kLoaded;
}

void SyncState::Add(std::string_view name, const PairState& state) {
  entries_.push_back(
      {static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(name.size()), state});
  names_ += name;
}

void SyncState::Reserve(size_t files) {
  entries_.reserve(files);
}

std::optional<PairState> SyncState::Find(std::string_view name) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                             [this](const Entry& e, std::string_view n) { return NameOf(e) < n; });
  if (it == entries_.end() || NameOf(*it) != name) return std::nullopt;
  return it->state;
}

std::string SyncState::Serialize(const std::string& src, const std::string& dest) {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [this](const Entry& a, const Entry& b) { return NameOf(a) < NameOf(b); });
  entries_.erase(
      std::unique(entries_.begin(), entries_.end(),
                  [this](const Entry& a, const Entry& b) { return NameOf(a) == NameOf(b); }),
      entries_.end());
  std::string out(kMagic);
  PutText(out, src);
  PutText(out, dest);
  PutVarint(out, entries_.size());
  std::string_view previous;
  for (const Entry& e : entries_) {
    const std::string_view name = NameOf(e);
    const size_t shared =
        std::mismatch(previous.begin(), previous.end(), name.begin(), name.end()).first -
        previous.begin();
    PutVarint(out, shared);
    PutText(out, name.substr(shared));
    const SideState& s = e.state.src;
    const SideState& d = e.state.dest;
    PutVarint(out, s.present() ? static_cast<uint64_t>(s.size) + 1 : 0);
    if (s.present()) PutFixed(out, s.time, 4);
    if (!d.present()) {
      PutVarint(out, 0);
    } else if (s.present() && d == s) {
      PutVarint(out, 1);
    } else {
      PutVarint(out, static_cast<uint64_t>(d.size) + 2);
      PutFixed(out, d.time, 4);
    }
    previous = name;
  }
  PutFixed(out, Fnv1a(out), 8);
  return out;
}

}  // namespace qm
