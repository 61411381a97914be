#include "engine/copier.h"
#include "engine/loop_turns.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/path_style.h"

namespace qm {
namespace {

// 64 blocks: 1 MiB per read and write.
constexpr size_t kBlocksPerChunk = 64;

[[noreturn]] void Fail(const Error& cause, std::string text) {
  throw FileError(Error{cause.kind, std::move(text)});
}

// Undoes a half-done copy on every way out: the temporary file goes, and the observer hears
// that the copy has ended.
class CopyGuard {
 public:
  CopyGuard(FileSystem& fs, RunObserver* observer) : fs_(fs), observer_(observer) {}
  ~CopyGuard() {
    out_.reset();
    if (!temp_.empty()) (void)RemoveTemporary(fs_, temp_);
    if (observer_ != nullptr) observer_->FileCopyEnded();
  }
  CopyGuard(const CopyGuard&) = delete;
  CopyGuard& operator=(const CopyGuard&) = delete;

  void Track(std::string temp, std::unique_ptr<WritableFile> out = nullptr) {
    temp_ = std::move(temp);
    out_ = std::move(out);
  }
  WritableFile& out() { return *out_; }
  // The temporary file became the target: nothing left to remove.
  void Committed() { temp_.clear(); }

 private:
  FileSystem& fs_;
  RunObserver* observer_;
  std::string temp_;
  std::unique_ptr<WritableFile> out_;
};

// Reads until `buffer` is full or the file ends, so that a short read means the end.
Result<size_t> ReadFull(ReadableFile& in, std::span<std::byte> buffer) {
  size_t total = 0;
  while (total < buffer.size()) {
    Result<size_t> n = in.Read(buffer.subspan(total));
    if (!n.ok()) return n.error();
    if (n.value() == 0) break;
    total += n.value();
  }
  return total;
}

struct KernelCopy {
  size_t bytes = 0;
  bool stopped = false;  // the file system could not go on: copy the rest by hand
};

// Copies up to `max` bytes inside the kernel, until `max` is reached or the source ends.
KernelCopy CopyInKernel(FileSystem& fs, ReadableFile& in, WritableFile& out, size_t max) {
  KernelCopy k;
  while (k.bytes < max) {
    Result<int64_t> n = fs.CopyData(in, out, static_cast<int64_t>(max - k.bytes));
    if (!n.ok()) {
      k.stopped = true;
      break;
    }
    if (n.value() == 0) break;
    k.bytes += static_cast<size_t>(n.value());
  }
  return k;
}

// Puts a complete copy, closed (and synced when there is no batch), under its final name, or
// hands it to the batch.
int64_t PlaceCopy(FileSystem& fs, CopyGuard& guard, FinishedFile finished,
                  const CopyOptions& options) {
  if (options.batch != nullptr) {
    guard.Committed();  // the batch owns the temporary now
    const int64_t bytes = finished.bytes;
    options.batch->Add(std::move(finished), options.done);
    return bytes;
  }
  if (Status placed = PlaceFinished(fs, finished); !placed.ok())
    Fail(placed.error(), "Cannot create file " + finished.target);
  guard.Committed();
  return finished.bytes;
}

// The copy of a symbolic link: a link with the same target text, the link's owner and time.
int64_t CopyLink(FileSystem& fs, const std::string& source, const std::string& target,
                 const Result<DirEntry>& existing, const CopyOptions& options) {
  CopyGuard guard(fs, options.observer);
  if (options.observer != nullptr) options.observer->FileProgress(0, 0);
  Result<std::string> text = fs.ReadLink(source);
  if (!text.ok()) Fail(text.error(), "Cannot open file " + source);
  Result<FileMeta> meta = fs.StatMeta(source);
  if (!meta.ok()) Fail(meta.error(), "Cannot open file " + source);
  const std::string temp = TempCopyName(target);
  (void)RemoveTemporary(fs, temp);  // a stale one of an interrupted run
  Status made = fs.CreateLink(text.value(), temp);
  if (!made.ok() && made.error().kind == ErrorKind::kNotFound) {
    MakeCopyFolders(fs, options.batch, std::string(DirectoryPart(target)));
    made = fs.CreateLink(text.value(), temp);
  }
  if (!made.ok()) Fail(made.error(), "Cannot create file " + target);
  guard.Track(temp);
  const bool refused =
      fs.ApplyMeta(temp, meta.value(), kMetaOwner | kMetaTime) == MetaApplied::kModesRefused;
  const bool replace = options.may_replace && existing.ok();
  const bool read_only = existing.ok() && (existing.value().attr & faReadOnly) != 0;
  return PlaceCopy(fs, guard, {temp, target, replace, read_only, 0, refused}, options);
}

// Where a copy goes: `target`, or into it when it is an existing directory, and what is there
// now. A link there is the old copy of a link: looked at, never followed.
struct Target {
  std::string path;
  Result<DirEntry> existing;
};

Target LookAtTarget(FileSystem& fs, const std::string& source, const std::string& target,
                    bool may_replace) {
  // The one status call beyond the copy itself: is the target a directory, does it exist, is
  // it read-only.
  Target t{target, fs.StatLink(target)};
  if (t.existing.ok() && t.existing.value().is_directory()) {
    t.path = AddDirSeparator(target) + std::string(FileNamePart(source));
    t.existing = fs.StatLink(t.path);
  }
  if (t.existing.ok() && !may_replace) {
    Fail(Error{ErrorKind::kExists, "exists already"}, "Cannot create file " + t.path);
  }
  if (t.existing.ok() && t.existing.value().is_directory()) {
    Fail(Error{ErrorKind::kIsDirectory, "is a directory"}, "Cannot create file " + t.path);
  }
  return t;
}

// Who watches the data being written, and what happens around it.
struct Writing {
  ui::MessageLoop* loop = nullptr;  // turned once per block
  RunObserver* observer = nullptr;  // hears each block; its Update() may abandon the copy
  bool sync_now = false;            // no batch: made durable before it is placed
  // Where missing folders are made; without it a missing folder fails the copy.
  std::function<void(const std::string& dir)> make_folders;
};

// Writes the copy of the regular file `source` under the target's temporary name, tracked by
// `guard` until it is placed, and closes it: complete, with the source's mode, owner and time.
FinishedFile WriteCopy(FileSystem& fs, const std::string& source, const Target& t, bool may_replace,
                       const Writing& w, CopyGuard& guard) {
  const std::string& target = t.path;
  const Result<DirEntry>& existing = t.existing;
  const bool target_read_only = existing.ok() && (existing.value().attr & faReadOnly) != 0;

  // Allocated only when the in-kernel copy cannot be used, and never zero-filled.
  constexpr size_t kChunk = size_t{CopyBufferSize} * kBlocksPerChunk;
  std::unique_ptr<std::byte[]> buffer_storage;
  Result<std::unique_ptr<ReadableFile>> opened = fs.OpenRead(source);
  if (!opened.ok()) Fail(opened.error(), "Cannot open file " + source);
  ReadableFile& in = *opened.value();
  // Nothing stops another program from writing the source while it is read. Its size and time
  // are taken now and compared at the end, so that a copy of a file that changed meanwhile is
  // dropped rather than kept under the new time as if it were complete.
  const Result<DirEntry> at_open = in.Info();
  const int64_t size = at_open.ok() ? at_open.value().size : FileSizeOf(fs, source);

  const int64_t total = size < 0 ? 0 : size;
  if (w.observer != nullptr) w.observer->FileProgress(0, total);

  const std::string temp = TempCopyName(target);
  Result<std::unique_ptr<WritableFile>> created = fs.CreateTemporary(temp);
  if (!created.ok() && created.error().kind == ErrorKind::kNotFound && w.make_folders) {
    // The directories are made only for the first file of a new directory.
    w.make_folders(std::string(DirectoryPart(target)));
    created = fs.CreateTemporary(temp);
  }
  if (!created.ok() && created.error().kind == ErrorKind::kReadOnly) {
    // A stale temporary of ours that somebody made read-only: it is ours to replace.
    (void)fs.SetReadOnly(temp, false);
    created = fs.CreateTemporary(temp);
  }
  if (!created.ok()) Fail(created.error(), "Cannot create file " + target);
  guard.Track(temp, std::move(created.value()));
  WritableFile& out = guard.out();

  // The I/O runs in chunks of kBlocksPerChunk blocks, a few system calls per megabyte; the
  // observer and the message loop are still served once per CopyBufferSize block, at the
  // same byte counts as with one read per block, the final short (or empty) block included.
  int64_t copied = 0;
  bool in_kernel = true;
  for (;;) {
    // A source of a known size ends there: no call is spent only to find its end. One that grew
    // after it was opened fails the check of its size and time below. A size of 0 may be a
    // file whose size the system does not know, so it is read until it ends.
    const size_t want =
        size > 0 ? static_cast<size_t>(std::clamp<int64_t>(size - copied, 0, int64_t{kChunk}))
                 : kChunk;
    // The data need not pass through this process. When the file system cannot copy that way,
    // or fails to, the rest goes by read and write, which name a real fault precisely.
    size_t got = 0;
    if (in_kernel && want > 0) {
      const KernelCopy k = CopyInKernel(fs, in, out, want);
      got = k.bytes;
      in_kernel = !k.stopped;
    }
    if (!in_kernel) {
      if (!buffer_storage) buffer_storage = std::make_unique_for_overwrite<std::byte[]>(kChunk);
      const std::span<std::byte> buffer(buffer_storage.get(), kChunk);
      Result<size_t> n = ReadFull(in, buffer.first(want - got));
      if (!n.ok()) Fail(n.error(), "Stream read error");
      if (n.value() > 0) {
        if (Status s = out.Write(buffer.first(n.value())); !s.ok()) {
          Fail(s.error(), "Stream write error");
        }
      }
      got += n.value();
    }
    // Without a batch the disk starts on this chunk while the next is copied, so the final
    // sync finds little left to write. A batch leaves it all to one volume sync, which writes
    // the whole group in larger, fewer requests.
    if (w.sync_now) out.StartWriteback();
    const bool at_end = got < kChunk;
    size_t steps = (got + CopyBufferSize - 1) / CopyBufferSize;
    if (at_end && got % CopyBufferSize == 0) ++steps;  // the read that found nothing more
    size_t left = got;
    for (size_t step = 0; step < steps; ++step) {
      const size_t block = std::min<size_t>(CopyBufferSize, left);
      left -= block;
      copied += static_cast<int64_t>(block);
      if (w.observer != nullptr) {
        w.observer->FileProgress(copied, total);
        w.observer->Update();  // may abandon the run: the guard removes the temporary
      }
      if (w.loop != nullptr) LoopTurn(*w.loop);
    }
    if (at_end) break;
  }

  const Result<DirEntry> now = in.Info();
  const bool changed = !now.ok() || now.value().size != copied ||
                       (at_open.ok() && at_open.value().time != now.value().time);
  if (changed)
    Fail(Error{ErrorKind::kIo, "the source changed while it was copied"}, "Stream read error");
  // The copy takes the source's mode, owner and exact time as the last look at the open source
  // saw them (no call of its own), on the descriptor, once: the copy reaches its final name
  // only when durable, and is never more open than its source on the way. Where the file
  // system tells no mode, the DOS time is enough for the next run to find it as new as the
  // source. A time that cannot be set leaves a complete copy that is merely newer.
  bool refused = false;
  if (const std::optional<FileMeta> meta = in.Meta()) {
    refused = out.ApplyMeta(*meta, kMetaAll) == MetaApplied::kModesRefused;
  } else {
    (void)out.SetLastWriteTime(now.value().time);
  }
  if (w.sync_now) {
    if (Status s = out.Sync(); !s.ok()) Fail(s.error(), "Stream write error");
  }
  if (Status s = out.Close(); !s.ok()) Fail(s.error(), "Stream write error");
  // A name that was free is taken without replacing: no second status call, and nothing that
  // appeared there meanwhile is overwritten.
  const bool replace = may_replace && existing.ok();
  return {temp, target, replace, target_read_only, copied, refused};
}

}  // namespace

int64_t CopyFileWithProgress(FileSystem& fs, ui::MessageLoop& loop, const std::string& source,
                             const std::string& target, const CopyOptions& options) {
  const Target t = LookAtTarget(fs, source, target, options.may_replace);
  if (options.link) return CopyLink(fs, source, t.path, t.existing, options);
  CopyGuard guard(fs, options.observer);
  Writing w{&loop, options.observer, options.batch == nullptr,
            [&fs, &options](const std::string& dir) { MakeCopyFolders(fs, options.batch, dir); }};
  FinishedFile finished = WriteCopy(fs, source, t, options.may_replace, w, guard);
  return PlaceCopy(fs, guard, std::move(finished), options);
}

FinishedFile CopyToTemporary(FileSystem& fs, const std::string& source, const std::string& target,
                             bool may_replace) {
  const Target t = LookAtTarget(fs, source, target, may_replace);
  CopyGuard guard(fs, nullptr);
  FinishedFile finished = WriteCopy(fs, source, t, may_replace, Writing{}, guard);
  guard.Committed();  // the caller owns the temporary now
  return finished;
}

int RemoveStaleTemporaries(FileSystem& fs, const std::string& root) {
  Result<std::vector<DirEntry>> entries = fs.ListDirectory(root);
  if (!entries.ok()) return 0;
  int removed = 0;
  for (const DirEntry& e : entries.value()) {
    const std::string path = AddDirSeparator(root) + e.name;
    if (e.is_directory()) {
      if (!e.is_link && !NeverListed(e.name)) removed += RemoveStaleTemporaries(fs, path);
    } else if (IsTemporaryName(e.name)) {
      if (RemoveTemporary(fs, path).ok()) ++removed;
    }
  }
  return removed;
}

int64_t FileSizeOf(FileSystem& fs, const std::string& path) {
  Result<DirEntry> e = fs.Stat(path);
  if (!e.ok() || e.value().is_directory()) return -1;
  return e.value().size;
}

bool HasAttributes(FileSystem& fs, const std::string& path, uint32_t attributes) {
  Result<DirEntry> e = fs.Stat(path);
  return e.ok() && (e.value().attr & attributes) == attributes;
}

bool IsDirectory(FileSystem& fs, const std::string& path) {
  Result<DirEntry> e = fs.Stat(path);
  return e.ok() && e.value().is_directory();
}

void MakeCopyFolders(FileSystem& fs, DurabilityBatch* batch, const std::string& dir) {
  FolderFinisher* folders = batch != nullptr ? batch->folders() : nullptr;
  if (folders != nullptr) {
    (void)folders->MakeFolders(dir);
  } else {
    MakeDirPath(fs, dir);
  }
}

void MakeDirPath(FileSystem& fs, const std::string& dir) {
  // Not checked here: a directory that cannot be made fails the creation of the file in it.
  (void)CreateDirectories(fs, RemoveDirSeparator(dir));
}

}  // namespace qm
