#include "fault_harness.h"

#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "engine/engine_loop.h"
#include "engine/scan.h"
#include "profiles/log_kind.h"

namespace qm::test {

namespace stdfs = std::filesystem;

TreeState ReadTree(const std::string& root) {
  TreeState out;
  if (!stdfs::exists(root)) return out;
  for (const auto& e : stdfs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const std::string path = e.path().string();
    Result<DirEntry> st = PosixFileSystem().Stat(path);
    out[stdfs::relative(e.path(), root).string()] =
        FileState{ReadWholeFile(path), st.ok() ? st.value().time : 0};
  }
  return out;
}

void PrintTo(const FileState& state, std::ostream* os) {
  *os << "{" << state.content.size() << " bytes, hash " << std::hex
      << std::hash<std::string>{}(state.content) << ", DOS time " << state.time << std::dec << "}";
}

std::vector<std::string> RecordingHost::Texts(LogKind kind) const {
  std::vector<std::string> out;
  for (const Record& r : log)
    if (r.kind == kind) out.push_back(r.text);
  return out;
}

MidCopyFs::MidCopyFs(FileSystem& inner, std::string path_suffix, int64_t after_bytes,
                     std::function<void()> action)
    : ForwardingFileSystem(inner),
      suffix_(std::move(path_suffix)),
      after_bytes_(after_bytes),
      action_(std::move(action)) {}

namespace {

class MidCopyFile final : public ForwardingReadableFile {
 public:
  MidCopyFile(std::unique_ptr<ReadableFile> inner, int64_t after_bytes,
              std::function<void()>& action)
      : ForwardingReadableFile(std::move(inner)), after_bytes_(after_bytes), action_(action) {}
  Result<size_t> Read(std::span<std::byte> buffer) override {
    ActIfDue();
    Result<size_t> n = inner().Read(buffer);
    if (n.ok()) read_ += static_cast<int64_t>(n.value());
    return n;
  }
  // The in-kernel copy stops where the action is due, so it runs between the same bytes.
  Result<int64_t> CopyData(FileSystem& fs, WritableFile& to, int64_t max_bytes) {
    ActIfDue();
    if (action_ && read_ < after_bytes_) max_bytes = std::min(max_bytes, after_bytes_ - read_);
    Result<int64_t> n = fs.CopyData(inner(), to, max_bytes);
    if (n.ok()) read_ += n.value();
    return n;
  }

 private:
  void ActIfDue() {
    if (read_ >= after_bytes_ && action_) {
      auto act = std::move(action_);
      action_ = nullptr;
      act();
    }
  }

  int64_t after_bytes_;
  int64_t read_ = 0;
  std::function<void()>& action_;
};

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

Result<std::unique_ptr<ReadableFile>> MidCopyFs::OpenRead(const std::string& p) {
  Result<std::unique_ptr<ReadableFile>> f = ForwardingFileSystem::OpenRead(p);
  if (!f.ok() || !EndsWith(p, suffix_) || !action_) return f;
  return std::unique_ptr<ReadableFile>(
      std::make_unique<MidCopyFile>(std::move(f.value()), after_bytes_, action_));
}

Result<int64_t> MidCopyFs::CopyData(ReadableFile& from, WritableFile& to, int64_t max_bytes) {
  if (auto* file = dynamic_cast<MidCopyFile*>(&from)) return file->CopyData(inner(), to, max_bytes);
  return ForwardingFileSystem::CopyData(from, to, max_bytes);
}

std::string Bytes(size_t size, char seed) {
  std::string out(size, '\0');
  uint32_t x = 2463534242u ^ static_cast<uint8_t>(seed);
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = static_cast<char>(x);
  }
  return out;
}

void Overwrite(const std::string& path, const std::string& content, long long mtime) {
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  SetMTime(path, mtime);
}

FaultMatrixTest::FaultMatrixTest() {
  src = tmp.MakeDir("src");
  dest = tmp.MakeDir("dest");
}

FaultMatrixTest::~FaultMatrixTest() = default;

std::string FaultMatrixTest::WriteSrc(const std::string& rel, const std::string& content,
                                      long long mtime) {
  const std::string path = tmp.WriteFile("src/" + rel, content);
  SetMTime(path, mtime);
  return path;
}

std::string FaultMatrixTest::WriteDest(const std::string& rel, const std::string& content,
                                       long long mtime) {
  const std::string path = tmp.WriteFile("dest/" + rel, content);
  SetMTime(path, mtime);
  return path;
}

ProfileRecord FaultMatrixTest::Profile(bool remove_deleted) const {
  ProfileRecord p;
  p.SetEnabled(true);
  p.SetName("Fault");
  p.SetSrcDir(src);
  p.SetDestDir(dest);
  p.SetFileMask("*.*");
  p.SetInclDirs(true);
  p.SetRemoveDeleted(remove_deleted);
  return p;
}

FileSystem& FaultMatrixTest::ActiveFs() {
  if (mid_copy) return *mid_copy;
  return fs;
}

void FaultMatrixTest::Run(const ProfileRecord& profile, const std::function<void()>& after_queue) {
  ui::VirtualMessageLoop loop;
  RegionalFormats formats;
  RunState state;
  NamedList<RunSnapshot> run_list;
  // Runs lock their folders here rather than in the user's home.
  state.LockDirectory = tmp / "locks";
  state.SyncStateDirectory = tmp / "data";
  host.stop = [&] { state.Running = false; };
  host.SetBreakDialogs(&dialogs);
  EngineContext ctx{ActiveFs(), loop, loop, formats, state, run_list, host.observers};
  state.Running = true;
  state.Mode = RunMode::kSelected;
  const std::vector<ProfileRecord> selected{profile};
  RunSelectedProfiles(ctx, selected, [&](const ProfileRecord& p) {
    QueueProfile(ctx, p);
    if (after_queue) after_queue();
  });
  EXPECT_FALSE(state.Running);
  EXPECT_FALSE(state.EngineBusy);
}

void FaultMatrixTest::Rerun(const ProfileRecord& profile) {
  fs.ClearFaults();
  mid_copy.reset();
  host.log.clear();
  Run(profile);
  EXPECT_EQ(ErrorCount(), 0);
}

void FaultMatrixTest::Snapshot() {
  src_before = ReadTree(src);
  dest_before = ReadTree(dest);
}

void FaultMatrixTest::ExpectSourceUntouched() const {
  EXPECT_EQ(ReadTree(src), src_before);
}

void FaultMatrixTest::ExpectNoTemporaries() const {
  for (const auto& e : stdfs::recursive_directory_iterator(dest)) {
    const std::string name = e.path().filename().string();
    EXPECT_NE(name.front(), '.') << "temporary left: " << e.path();
  }
}

void FaultMatrixTest::ExpectDestinationSound() const {
  const TreeState now = ReadTree(dest);
  const TreeState source = ReadTree(src);
  for (const auto& [rel, state] : now) {
    const auto old = dest_before.find(rel);
    const auto from = source.find(rel);
    const bool is_old = old != dest_before.end() && old->second == state;
    const bool is_copy = from != source.end() && from->second == state;
    EXPECT_TRUE(is_old || is_copy) << rel << " is neither its old version nor a copy of the "
                                   << "source (" << state.content.size() << " bytes)";
  }
  for (const auto& [rel, state] : dest_before)
    EXPECT_TRUE(now.count(rel)) << rel << " went missing from the destination";
  ExpectNoTemporaries();
}

void FaultMatrixTest::ExpectDestinationMirrorsSource() const {
  EXPECT_EQ(ReadTree(dest), ReadTree(src));
  ExpectNoTemporaries();
}

void FaultMatrixTest::ExpectErrorNaming(const std::string& path) const {
  for (const std::string& text : host.Texts(LogKind::kError))
    if (text.find(path) != std::string::npos) return;
  ADD_FAILURE() << "no error record names " << path;
}

int FaultMatrixTest::ErrorCount() const {
  return static_cast<int>(host.Texts(LogKind::kError).size());
}

}  // namespace qm::test
