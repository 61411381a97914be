#include "engine/archive_reader.h"

#include <zip.h>

#include <memory>
#include <vector>

#include "engine/copier.h"
#include "engine/durability_batch.h"
#include "engine/temporary_names.h"
#include "platform/path_style.h"

namespace qm {
namespace {

constexpr zip_uint16_t kExtendedTimestamp = 0x5455;
constexpr size_t kReadChunk = size_t{1} << 20;

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;
using EntryFile = std::unique_ptr<zip_file_t, EntryCloser>;

Result<Archive> OpenArchive(FileSystem& fs, const std::string& path) {
  int code = 0;
  Archive zip(zip_open(fs.NativePath(path).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!zip) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return Error{ErrorKind::kIo, path + ": " + text};
  }
  if (zip_get_num_entries(zip.get(), 0) < 1)
    return Error{ErrorKind::kIo, path + ": the archive holds no file"};
  return zip;
}

ArchiveEntry Describe(zip_t* zip, zip_uint64_t index) {
  ArchiveEntry entry;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(zip, index, 0, &st) == 0) {
    if (st.valid & ZIP_STAT_NAME) entry.name = st.name;
    if (st.valid & ZIP_STAT_SIZE) entry.meta.size = static_cast<int64_t>(st.size);
    if (st.valid & ZIP_STAT_MTIME) entry.meta.mtime_sec = st.mtime;
  }
  zip_uint8_t opsys = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(zip, index, 0, &opsys, &attributes) == 0 &&
      opsys == ZIP_OPSYS_UNIX)
    entry.meta.mode = attributes >> 16;
  // The exact second, where the DOS time has only two.
  zip_uint16_t len = 0;
  const zip_uint8_t* stamp = zip_file_extra_field_get_by_id(zip, index, kExtendedTimestamp, 0, &len,
                                                            ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
  if (stamp != nullptr && len >= 5 && (stamp[0] & 1) != 0) {
    const uint32_t t = uint32_t{stamp[1]} | uint32_t{stamp[2]} << 8 | uint32_t{stamp[3]} << 16 |
                       uint32_t{stamp[4]} << 24;
    entry.meta.mtime_sec = static_cast<int32_t>(t);
  }
  entry.meta.mtime_nsec = 0;
  entry.meta.atime_sec = entry.meta.mtime_sec;
  entry.meta.uid = 0;
  entry.meta.gid = 0;
  return entry;
}

// Reads entry `index` through to its end, so that libzip checks its CRC.
Status ReadEntry(zip_t* zip, zip_uint64_t index, const std::string& path,
                 const std::function<bool(std::span<const std::byte>)>& sink) {
  EntryFile file(zip_fopen_index(zip, index, 0));
  if (!file) return Error{ErrorKind::kIo, path + ": " + zip_strerror(zip)};
  std::vector<std::byte> buffer(kReadChunk);
  for (;;) {
    const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
    if (n < 0) return Error{ErrorKind::kIo, path + ": " + zip_file_strerror(file.get())};
    if (n == 0) return Status::Ok();
    if (sink && !sink(std::span<const std::byte>(buffer.data(), static_cast<size_t>(n))))
      return Error{ErrorKind::kOther, ""};
  }
}

[[noreturn]] void Fail(const Error& cause, std::string text) {
  throw FileError(Error{cause.kind, std::move(text) + ": " + cause.message});
}

}  // namespace

Result<ArchiveEntry> StatArchive(FileSystem& fs, const std::string& archive) {
  Result<Archive> zip = OpenArchive(fs, archive);
  if (!zip.ok()) return zip.error();
  return Describe(zip.value().get(), 0);
}

Status ReadArchive(FileSystem& fs, const std::string& archive,
                   const std::function<bool(std::span<const std::byte>)>& sink) {
  Result<Archive> zip = OpenArchive(fs, archive);
  if (!zip.ok()) return zip.error();
  const zip_int64_t count = zip_get_num_entries(zip.value().get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    if (Status s = ReadEntry(zip.value().get(), index, archive, i == 0 ? sink : nullptr); !s.ok())
      return s;
  }
  return Status::Ok();
}

int64_t UnpackArchive(FileSystem& fs, ui::MessageLoop& loop, const std::string& archive,
                      const std::string& target, bool may_replace) {
  Result<Archive> opened = OpenArchive(fs, archive);
  if (!opened.ok()) Fail(opened.error(), "Can not read archive " + archive);
  zip_t* zip = opened.value().get();
  const ArchiveEntry entry = Describe(zip, 0);
  const std::string temp = TempCopyName(target);
  (void)RemoveTemporary(fs, temp);  // a stale one of an interrupted run
  MakeDirPath(fs, std::string(DirectoryPart(target)));
  // Removes the temporary on every way out but the rename.
  struct Guard {
    FileSystem& fs;
    const std::string& temp;
    bool placed = false;
    ~Guard() {
      if (!placed) (void)RemoveTemporary(fs, temp);
    }
  } guard{fs, temp};

  int64_t written = 0;
  if (entry.meta.is_link()) {
    std::string text;
    Status read = ReadEntry(zip, 0, archive, [&text](std::span<const std::byte> data) {
      text.append(reinterpret_cast<const char*>(data.data()), data.size());
      return true;
    });
    if (!read.ok()) Fail(read.error(), "Can not read archive " + archive);
    if (Status s = fs.CreateLink(text, temp); !s.ok())
      Fail(s.error(), "Cannot create file " + target);
    (void)fs.ApplyMeta(temp, entry.meta, kMetaTime);
  } else {
    Result<std::unique_ptr<WritableFile>> created = fs.CreateTemporary(temp);
    if (!created.ok()) Fail(created.error(), "Cannot create file " + target);
    WritableFile& out = *created.value();
    Status write_status;
    Status read = ReadEntry(zip, 0, archive, [&](std::span<const std::byte> data) {
      write_status = out.Write(data);
      written += static_cast<int64_t>(data.size());
      loop.ProcessMessages();
      return write_status.ok();
    });
    if (!write_status.ok()) Fail(write_status.error(), "Stream write error");
    if (!read.ok()) Fail(read.error(), "Can not read archive " + archive);
    // The same faithful finish as a copy's: the mode (when the archive was made on Unix) and
    // the exact time, on the descriptor.
    if (entry.meta.mode != 0) {
      (void)out.ApplyMeta(entry.meta, kMetaMode | kMetaTime);
    } else {
      (void)out.SetLastWriteTime(UnixToDosDateTime(entry.meta.mtime_sec));
    }
    if (Status s = out.Sync(); !s.ok()) Fail(s.error(), "Stream write error");
    if (Status s = out.Close(); !s.ok()) Fail(s.error(), "Stream write error");
  }
  const Status placed = may_replace ? fs.Rename(temp, target) : fs.RenameNoReplace(temp, target);
  if (!placed.ok()) Fail(placed.error(), "Cannot create file " + target);
  guard.placed = true;
  (void)fs.SyncDirectory(std::string(DirectoryPart(target)));
  return written;
}

}  // namespace qm
