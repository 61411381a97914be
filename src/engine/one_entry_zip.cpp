#include "engine/one_entry_zip.h"

#include <array>

#include "platform/utf8.h"

namespace qm {
namespace {

constexpr uint16_t kVersionNeeded = 20;  // Deflate
constexpr uint16_t kMadeOnUnix = 3 << 8 | 63;
constexpr uint16_t kUtf8Name = 1 << 11;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kExtendedTimestamp = 0x5455;
constexpr uint16_t kTimestampSize = 5;  // flags, then the modification second
constexpr uint16_t kExtraSize = 4 + kTimestampSize;

class Bytes {
 public:
  explicit Bytes(size_t capacity) { out_.reserve(capacity); }
  void U16(uint32_t v) { Little(v, 2); }
  void U32(uint32_t v) { Little(v, 4); }
  void Raw(std::span<const std::byte> data) { out_.insert(out_.end(), data.begin(), data.end()); }
  void Text(std::string_view s) { Raw(std::as_bytes(std::span(s.data(), s.size()))); }
  size_t size() const { return out_.size(); }
  std::vector<std::byte> Take() { return std::move(out_); }

 private:
  void Little(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<std::byte>(v >> (8 * i)));
  }
  std::vector<std::byte> out_;
};

// The fields the local and the central header share, from the version needed on.
void CommonFields(Bytes& b, const OneEntryHead& head, uint16_t flags, uint32_t packed_size) {
  b.U16(kVersionNeeded);
  b.U16(flags);
  b.U16(kDeflated);
  b.U16(head.dos_time & 0xFFFF);
  b.U16(head.dos_time >> 16);
  b.U32(head.crc);
  b.U32(packed_size);
  b.U32(head.plain_size);
  b.U16(static_cast<uint32_t>(head.name.size()));
  b.U16(kExtraSize);
}

void TimestampField(Bytes& b, int64_t mtime) {
  b.U16(kExtendedTimestamp);
  b.U16(kTimestampSize);
  b.Raw(std::array{std::byte{1}});
  b.U32(static_cast<uint32_t>(mtime));
}

}  // namespace

std::vector<std::byte> LayOutOneEntryZip(const OneEntryHead& head,
                                         std::span<const std::byte> deflated) {
  const uint16_t flags = IsUtf8BeyondAscii(head.name) ? kUtf8Name : 0;
  const auto packed_size = static_cast<uint32_t>(deflated.size());
  Bytes b(30 + 46 + 22 + 2 * (head.name.size() + kExtraSize) + deflated.size());
  b.U32(0x04034b50);
  CommonFields(b, head, flags, packed_size);
  b.Text(head.name);
  TimestampField(b, head.mtime);
  b.Raw(deflated);

  const size_t directory_at = b.size();
  b.U32(0x02014b50);
  b.U16(kMadeOnUnix);
  CommonFields(b, head, flags, packed_size);
  b.U16(0);  // comment length
  b.U16(0);  // disk number
  b.U16(0);  // internal attributes
  b.U32(head.external_attributes);
  b.U32(0);  // where the local header is
  b.Text(head.name);
  TimestampField(b, head.mtime);
  const size_t directory_size = b.size() - directory_at;

  b.U32(0x06054b50);
  b.U16(0);  // this disk
  b.U16(0);  // the directory's disk
  b.U16(1);  // entries on this disk
  b.U16(1);  // entries in all
  b.U32(static_cast<uint32_t>(directory_size));
  b.U32(static_cast<uint32_t>(directory_at));
  b.U16(0);  // comment length
  return b.Take();
}

}  // namespace qm
