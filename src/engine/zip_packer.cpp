#include "engine/zip_packer.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <span>
#include <vector>

#include "engine/copier.h"
#include "engine/loop_turns.h"
#include "engine/one_entry_zip.h"
#include "platform/date_time.h"
#include "platform/path_style.h"

namespace qm {
namespace {

[[noreturn]] void Fail(ErrorKind kind, std::string text) {
  throw FileError(Error{kind, std::move(text)});
}

// Files up to this size are deflated whole by libdeflate, several times faster than libzip's
// own Deflate at its highest level and no larger; bigger ones stream through libzip, so that
// memory stays bounded.
constexpr int64_t kWholeFileMax = int64_t{4} << 20;
constexpr size_t kReadChunk = size_t{64} << 10;
// libdeflate's level 6 packs this program's typical files a little smaller than zlib's 9.
constexpr int kWholeFileLevel = 6;
// The extra field with the exact modification second, as Unix zip tools write it.
constexpr zip_uint16_t kExtendedTimestamp = 0x5455;

struct CompressorDeleter {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// One source file as libzip reads it: through our FileSystem, so faults can be injected and
// messages are processed while the entry is compressed. A small file is handed to libzip
// already deflated, with its size and checksum.
struct EntrySource {
  FileSystem& fs;
  ui::MessageLoop& loop;
  RunObserver* observer = nullptr;
  libdeflate_compressor* compressor = nullptr;  // null: libzip deflates
  std::exception_ptr abandoned;  // what Update() threw: it cannot pass through libzip
  std::string path;
  int64_t size = 0;
  std::unique_ptr<ReadableFile> file;
  zip_error_t error;
  std::optional<Error> failure;  // our own error, kept for the message libzip cannot carry
  // The whole file deflated, once made.
  bool deflated = false;
  std::vector<std::byte> packed;
  size_t packed_size = 0, read_at = 0;
  uint64_t plain_size = 0;
  uint32_t crc = 0;

  EntrySource(FileSystem& f, ui::MessageLoop& l, RunObserver* o, libdeflate_compressor* c,
              std::string p, int64_t s)
      : fs(f),
        loop(l),
        observer(o),
        compressor(s <= kWholeFileMax ? c : nullptr),
        path(std::move(p)),
        size(s) {
    zip_error_init(&error);
  }
  ~EntrySource() { zip_error_fini(&error); }

  zip_int64_t Fail(int zip_code, Error cause) {
    failure = std::move(cause);
    zip_error_set(&error, zip_code, 0);
    return -1;
  }

  // Lets the run go on between reads: false, with the error set, when it was abandoned.
  bool Tick() {
    if (observer != nullptr) {
      try {
        observer->Update();
      } catch (...) {
        abandoned = std::current_exception();
        Fail(ZIP_ER_CANCELLED, Error{ErrorKind::kOther, "Abandoned"});
        return false;
      }
    }
    LoopTurn(loop);
    return true;
  }

  // Reads the file to its end, as streaming would, and deflates it in one call.
  bool DeflateWhole() {
    Result<std::unique_ptr<ReadableFile>> opened = fs.OpenRead(path);
    if (!opened.ok()) {
      Fail(ZIP_ER_OPEN, opened.error());
      return false;
    }
    std::vector<std::byte> plain(static_cast<size_t>(size > 0 ? size : 0) + 1);
    size_t got = 0;
    for (;;) {
      if (got == plain.size()) plain.resize(plain.size() * 2);  // it grew since it was listed
      if (!Tick()) return false;
      const size_t want = std::min(kReadChunk, plain.size() - got);
      Result<size_t> n = opened.value()->Read(std::span(plain).subspan(got, want));
      if (!n.ok()) {
        Fail(ZIP_ER_READ, n.error());
        return false;
      }
      // Only an empty read is the end: a fault may cut one short and fail the next.
      if (n.value() == 0) break;
      got += n.value();
    }
    packed.resize(libdeflate_deflate_compress_bound(compressor, got));
    packed_size =
        libdeflate_deflate_compress(compressor, plain.data(), got, packed.data(), packed.size());
    if (packed_size == 0) {
      Fail(ZIP_ER_INTERNAL, Error{ErrorKind::kOther, "Cannot compress " + path});
      return false;
    }
    plain_size = got;
    crc = libdeflate_crc32(0, plain.data(), got);
    deflated = true;
    return true;
  }

  static zip_int64_t Callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto& s = *static_cast<EntrySource*>(user);
    switch (cmd) {
      case ZIP_SOURCE_OPEN: {
        if (s.compressor != nullptr) {
          s.read_at = 0;
          return 0;
        }
        Result<std::unique_ptr<ReadableFile>> opened = s.fs.OpenRead(s.path);
        if (!opened.ok()) return s.Fail(ZIP_ER_OPEN, opened.error());
        s.file = std::move(opened.value());
        return 0;
      }
      case ZIP_SOURCE_READ: {
        if (!s.Tick()) return -1;
        if (s.compressor != nullptr) {
          const size_t n = std::min<size_t>(len, s.packed_size - s.read_at);
          if (n > 0) std::memcpy(data, s.packed.data() + s.read_at, n);
          s.read_at += n;
          return static_cast<zip_int64_t>(n);
        }
        Result<size_t> n = s.file->Read(std::span(static_cast<std::byte*>(data), len));
        if (!n.ok()) return s.Fail(ZIP_ER_READ, n.error());
        return static_cast<zip_int64_t>(n.value());
      }
      case ZIP_SOURCE_CLOSE:
        s.file.reset();
        s.packed = {};  // the sizes and checksum stay for libzip's last look
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.error);
        if (st == nullptr) return -1;
        zip_stat_init(st);
        if (s.compressor != nullptr) {
          // libzip asks before it opens: the data must be ready to describe.
          if (!s.deflated && !s.DeflateWhole()) return -1;
          st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
          st->size = s.plain_size;
          st->comp_size = s.packed_size;
          st->comp_method = ZIP_CM_DEFLATE;
          st->crc = s.crc;
          return sizeof(*st);
        }
        // The size lets libzip decide on ZIP64 for a large file before it writes the header.
        st->valid = ZIP_STAT_SIZE;
        st->size = static_cast<zip_uint64_t>(s.size);
        return sizeof(*st);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, len);
      case ZIP_SOURCE_FREE:
        return 0;  // owned by the packer
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
      default:
        zip_error_set(&s.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }
};

// An archive being written under its temporary name; discarded and removed unless committed.
class ArchiveWriter {
 public:
  ArchiveWriter(FileSystem& fs, std::string temp) : fs_(fs), temp_(std::move(temp)) {}
  ~ArchiveWriter() {
    if (zip_ != nullptr) zip_discard(zip_);
    if (!committed_) (void)RemoveTemporary(fs_, temp_);
  }
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

  void Open() {
    // Made owner-only first: libzip writes the archive beside it with the mode it finds, so it
    // is never more open than its source, not even while it is written.
    Result<std::unique_ptr<WritableFile>> made = fs_.CreateTemporary(temp_);
    if (!made.ok()) Fail(made.error().kind, "Cannot create file " + temp_);
    (void)made.value()->Close();
    int code = 0;
    zip_ = zip_open(fs_.NativePath(temp_).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (zip_ == nullptr) {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string text = "Cannot create file " + temp_ + ": " + zip_error_strerror(&error);
      zip_error_fini(&error);
      Fail(ErrorKind::kIo, std::move(text));
    }
  }
  zip_t* zip() { return zip_; }
  // Writes the archive; on failure the handle is discarded by the destructor.
  bool Close() {
    if (zip_close(zip_) != 0) return false;
    zip_ = nullptr;
    return true;
  }
  std::string LastError() { return zip_ != nullptr ? zip_strerror(zip_) : std::string(); }
  void Committed() { committed_ = true; }

 private:
  FileSystem& fs_;
  std::string temp_;
  zip_t* zip_ = nullptr;
  bool committed_ = false;
};

class LibzipPacker final : public ZipPacker {
 public:
  LibzipPacker(FileSystem& fs, ui::MessageLoop& loop, RunObserver* observer)
      : fs_(fs),
        loop_(loop),
        observer_(observer),
        compressor_(libdeflate_alloc_compressor(kWholeFileLevel)) {}

  void Reset() override {
    archive_.clear();
    files_.clear();
    archive_time_.reset();
    archive_meta_.reset();
  }
  void ClearFiles() override { files_.clear(); }
  void SetArchiveName(const std::string& archive) override { archive_ = archive; }
  void AddPath(const std::string& path) override { files_.push_back(path); }
  void SetArchiveTime(DosDateTime time) override { archive_time_ = time; }
  bool ModesRefused() const override { return refused_; }

  int Pack() override {
    const std::string temp = PackToTemporary();
    ArchiveWriter placed(fs_, temp);  // removes the temporary unless it is renamed
    // Made durable before it takes the name, so the archive's time never vouches for data
    // a power cut could still take.
    // A read-only archive (of a read-only source) is opened for its sync all the same.
    const bool temp_read_only = HasAttributes(fs_, temp, faReadOnly);
    if (temp_read_only) (void)fs_.SetReadOnly(temp, false);
    Result<std::unique_ptr<WritableFile>> reopened = fs_.OpenAppend(temp);
    if (!reopened.ok()) Fail(reopened.error().kind, "Cannot write file " + archive_);
    if (Status s = reopened.value()->Sync(); !s.ok()) {
      Fail(s.error().kind, "Cannot write file " + archive_);
    }
    (void)reopened.value()->Close();
    if (temp_read_only) (void)fs_.SetReadOnly(temp, true);
    // A read-only archive is replaced like a read-only copy; it keeps the attribute if not.
    const bool was_read_only = HasAttributes(fs_, archive_, faReadOnly);
    if (was_read_only) (void)fs_.SetReadOnly(archive_, false);
    if (Status s = fs_.Rename(temp, archive_); !s.ok()) {
      if (was_read_only) (void)fs_.SetReadOnly(archive_, true);
      Fail(s.error().kind, "Cannot create file " + archive_);
    }
    placed.Committed();
    return entries_;
  }

  std::string PackToTemporary() override {
    if (archive_.empty()) Fail(ErrorKind::kInvalid, "No archive name given");
    if (files_.empty()) Fail(ErrorKind::kInvalid, "No file to compress into " + archive_);

    const std::string temp = TempCopyName(archive_);
    (void)RemoveTemporary(fs_, temp);  // a stale temporary of an interrupted pack
    refused_ = false;
    entries_added_ = 0;

    if (files_.size() == 1 && PackSmallFile(files_.front(), temp)) return temp;

    // Declared before the writer: discarding an unwritten archive still calls the sources.
    std::vector<std::unique_ptr<EntrySource>> sources;
    ArchiveWriter writer(fs_, temp);
    writer.Open();
    for (const std::string& path : files_) AddEntry(writer.zip(), path, sources);

    if (!writer.Close()) {
      for (const auto& s : sources) {
        if (s->abandoned) std::rethrow_exception(s->abandoned);
      }
      for (const auto& s : sources) {
        if (s->failure) Fail(s->failure->kind, s->failure->message);
      }
      Fail(ErrorKind::kIo, "Cannot write file " + archive_ + ": " + writer.LastError());
    }
    // The archive file is as private as the file it holds.
    if (archive_meta_) {
      refused_ =
          fs_.ApplyMeta(temp, *archive_meta_, kMetaMode | kMetaOwner) == MetaApplied::kModesRefused;
    }
    if (archive_time_) CheckTimeSet(fs_.SetLastWriteTime(temp, *archive_time_));
    writer.Committed();
    entries_ = entries_added_;
    return temp;
  }

 private:
  // Without its time the archive would pass for newer than its source: no archive then.
  void CheckTimeSet(const Status& s) {
    if (!s.ok()) Fail(s.error().kind, "Cannot set up date and time on file " + archive_);
  }

  // The archive of one regular file small enough to deflate whole is laid out here and written
  // in one call: libzip would write it to a second temporary file of its own, read its header
  // back and rename it over ours, twice the system calls. False, with no archive written, for
  // any other file.
  bool PackSmallFile(const std::string& path, const std::string& temp) {
    if (!compressor_) return false;
    Result<FileMeta> info = fs_.StatMeta(path);
    if (!info.ok()) Fail(info.error().kind, "Cannot open file " + path);
    const FileMeta& meta = info.value();
    if (meta.is_directory()) Fail(ErrorKind::kIsDirectory, "Cannot open file " + path);
    if (meta.is_link() || meta.size > kWholeFileMax) return false;
    archive_meta_ = meta;

    EntrySource source(fs_, loop_, observer_, compressor_.get(), path, meta.size);
    if (!source.DeflateWhole()) {
      if (source.abandoned) std::rethrow_exception(source.abandoned);
      Fail(source.failure->kind, source.failure->message);
    }
    // A file that grew past 4 GiB since it was looked at needs ZIP64 headers: libzip's.
    if (source.plain_size > UINT32_MAX || source.packed_size > UINT32_MAX) return false;
    const std::vector<std::byte> archive = LayOutOneEntryZip(
        {FileNamePart(path), UnixToDosDateTime(static_cast<time_t>(meta.mtime_sec)), meta.mtime_sec,
         ExternalAttributes(meta), source.crc, static_cast<uint32_t>(source.plain_size)},
        std::span(source.packed).first(source.packed_size));

    ArchiveWriter placed(fs_, temp);  // removes the temporary unless it is complete
    Result<std::unique_ptr<WritableFile>> made = fs_.CreateTemporary(temp);
    if (!made.ok()) Fail(made.error().kind, "Cannot create file " + temp);
    WritableFile& out = *made.value();
    if (Status s = out.Write(archive); !s.ok()) {
      Fail(s.error().kind, "Cannot write file " + archive_ + ": " + s.error().message);
    }
    refused_ = out.ApplyMeta(meta, kMetaMode | kMetaOwner) == MetaApplied::kModesRefused;
    if (archive_time_) CheckTimeSet(out.SetLastWriteTime(*archive_time_));
    if (Status s = out.Close(); !s.ok()) {
      Fail(s.error().kind, "Cannot write file " + archive_ + ": " + s.error().message);
    }
    placed.Committed();
    entries_ = 1;
    return true;
  }

  // Made on Unix: the mode in the high half of the external attributes, the DOS bits below.
  static zip_uint32_t ExternalAttributes(const FileMeta& meta) {
    const zip_uint32_t dos =
        meta.is_link() ? 0 : faArchive | ((meta.mode & 0200) == 0 ? faReadOnly : 0);
    return (meta.mode & 0170777) << 16 | dos;
  }

  void AddEntry(zip_t* zip, const std::string& path,
                std::vector<std::unique_ptr<EntrySource>>& sources) {
    // A source that vanished or cannot be read fails the pack: an archive without its file
    // would pass for an up-to-date copy. A link is stored as a link, never followed.
    Result<FileMeta> info = fs_.StatMeta(path);
    if (!info.ok()) Fail(info.error().kind, "Cannot open file " + path);
    const FileMeta& meta = info.value();
    if (meta.is_directory()) Fail(ErrorKind::kIsDirectory, "Cannot open file " + path);
    if (!archive_meta_) {
      archive_meta_ = meta;
      if (meta.is_link()) archive_meta_->mode = 0100644;  // a link's own mode says nothing
    }

    zip_source_t* zs = nullptr;
    if (meta.is_link()) {
      // The target text is the entry's data, stored as the common unzip tools expect.
      Result<std::string> text = fs_.ReadLink(path);
      if (!text.ok()) Fail(text.error().kind, "Cannot open file " + path);
      zs = zip_source_buffer(zip, CopyOf(text.value()), text.value().size(), 1);
    } else {
      auto& source = *sources.emplace_back(
          std::make_unique<EntrySource>(fs_, loop_, observer_, compressor_.get(), path, meta.size));
      zs = zip_source_function(zip, &EntrySource::Callback, &source);
    }
    if (zs == nullptr) Fail(ErrorKind::kOther, zip_strerror(zip));
    const std::string name(FileNamePart(path));
    const zip_int64_t index = zip_file_add(zip, name.c_str(), zs, ZIP_FL_ENC_GUESS);
    if (index < 0) {
      zip_source_free(zs);
      Fail(ErrorKind::kOther, "Cannot add " + path + ": " + zip_strerror(zip));
    }
    const auto i = static_cast<zip_uint64_t>(index);
    // As system seconds: libzip would turn a DOS time back through the zone, a status call on
    // the zone file per archive. The exact second goes in the extended-timestamp field.
    const auto time = static_cast<time_t>(meta.mtime_sec);
    const zip_uint8_t stamp[5] = {
        1, static_cast<zip_uint8_t>(time), static_cast<zip_uint8_t>(time >> 8),
        static_cast<zip_uint8_t>(time >> 16), static_cast<zip_uint8_t>(time >> 24)};
    const zip_uint32_t attributes = ExternalAttributes(meta);
    if (zip_set_file_compression(zip, i, meta.is_link() ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 meta.is_link() ? 0 : 9) != 0 ||
        zip_file_set_mtime(zip, i, time, 0) != 0 ||
        zip_file_extra_field_set(zip, i, kExtendedTimestamp, ZIP_EXTRA_FIELD_NEW, stamp,
                                 sizeof(stamp), ZIP_FL_LOCAL | ZIP_FL_CENTRAL) != 0 ||
        zip_file_set_external_attributes(zip, i, 0, ZIP_OPSYS_UNIX, attributes) != 0) {
      Fail(ErrorKind::kOther, "Cannot set up entry " + name + ": " + zip_strerror(zip));
    }
    ++entries_added_;
  }

  // A copy libzip frees when it is done with it.
  static void* CopyOf(const std::string& text) {
    void* data = std::malloc(text.size() + 1);
    if (data != nullptr) std::memcpy(data, text.data(), text.size());
    return data;
  }

  FileSystem& fs_;
  ui::MessageLoop& loop_;
  RunObserver* observer_;
  Compressor compressor_;  // null when it cannot be had: libzip deflates everything then
  int entries_ = 0;
  std::string archive_;
  std::vector<std::string> files_;
  std::optional<DosDateTime> archive_time_;
  std::optional<FileMeta> archive_meta_;  // of the first file: the archive takes its mode
  bool refused_ = false;
  int entries_added_ = 0;
};

}  // namespace

std::unique_ptr<ZipPacker> MakeZipPacker(FileSystem& fs, ui::MessageLoop& loop,
                                         RunObserver* observer) {
  return std::make_unique<LibzipPacker>(fs, loop, observer);
}

}  // namespace qm
