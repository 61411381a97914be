// The engine's surroundings for its tests: an observer that keeps every event of the run and
// plays the run controller's stop, real files in a temporary directory and a virtual clock.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/backup_pass.h"
#include "engine/engine_context.h"
#include "engine/engine_loop.h"
#include "engine/scan.h"
#include "platform/file_system.h"
#include "support/forwarding_file_system.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {

// The real file system, except that paths below `full_prefix` sit on a full volume mounted at
// `full_mount`: creating files there fails and the free space is tiny.
class FullVolumeFs : public ForwardingFileSystem {
 public:
  explicit FullVolumeFs(FileSystem& real) : ForwardingFileSystem(real) {}
  std::string full_prefix;
  std::string full_mount = "/mnt/full";
  bool fail_volume_sync = false;

  Result<std::unique_ptr<WritableFile>> Create(const std::string& p) override {
    if (OnFull(p)) return Error{ErrorKind::kNoSpace, "No space left on device"};
    return ForwardingFileSystem::Create(p);
  }
  Result<int64_t> FreeSpace(const std::string& p) override {
    if (OnFull(p)) return int64_t{32768};
    return ForwardingFileSystem::FreeSpace(p);
  }
  Result<std::string> MountPointOf(const std::string& p) override {
    if (OnFull(p)) return full_mount;
    return ForwardingFileSystem::MountPointOf(p);
  }
  Status SyncVolume(const std::string& p) override {
    if (fail_volume_sync) return Error{ErrorKind::kIo, "Input/output error"};
    return ForwardingFileSystem::SyncVolume(p);
  }

 private:
  bool OnFull(const std::string& p) const {
    return !full_prefix.empty() && p.compare(0, full_prefix.size(), full_prefix) == 0;
  }
};

// One event of the run observer, with its texts copied.
struct SeenEvent {
  std::string what;  // "queued", "started", "pass", "copied", "failed", "status"... (see Line)
  // The profile's name for a profile event; the file for a file event; the directory, status
  // text or error text otherwise.
  std::string source;
  std::string target;
  FileAction attempted = FileAction::kCopied;
  int64_t bytes = 0;
  bool sync = false;
  FileFailure failure = FileFailure::kError;
  std::string drive;
  PassKind pass = PassKind::kBackup;
  RemovalSkip skip = RemovalSkip::kSourceIncomplete;
  Error refusal;      // of a folder lock
  int64_t files = 0;  // both file lists of the profile, as the event came

  // The event in one line: "started P", "pass forward P", "copied S -> T", "failed pack S -> T:
  // drive not ready on D", "deleted D", "locked P: M", "status Ready."...
  std::string Line() const {
    static constexpr const char* kPasses[] = {"backup", "forward", "back"};
    static constexpr const char* kAttempts[] = {"copy", "pack", "delete", "copy back", ""};
    static constexpr const char* kWhy[] = {"", ": drive not ready on ", ": time not set",
                                           ": no free kept-copy number", ": unlisted target"};
    std::string line = what;
    if (what == "pass") line += std::string(" ") + kPasses[static_cast<int>(pass)];
    if (what == "failed") line += std::string(" ") + kAttempts[static_cast<int>(attempted)];
    if (!source.empty()) line += " " + source;
    if (!target.empty()) line += " -> " + target;
    if (what == "failed") line += kWhy[static_cast<int>(failure)] + drive;
    if (what == "removal skipped")
      line += skip == RemovalSkip::kSourceEmpty ? ": source empty" : ": source incomplete";
    if (what == "locked") line += ": " + refusal.message;
    return line;
  }
};

// A front end in miniature: it keeps every event of the run, answers the break question and
// plays the run controller's stop after a yes.
class FakeHost : public RunObserver {
 public:
  std::vector<SeenEvent> events;
  std::pair<int64_t, int64_t> progress{-1, -1};  // the last (done, total) of a copy
  int copies_ended = 0;
  // The sources of the failures the break question was asked about.
  std::vector<std::string> breaks_asked;
  // Answers the break question; without it the run goes on.
  std::function<bool(const FileEvent&)> answer_break;
  // Runs when a break was accepted: the run controller's stop.
  std::function<void()> on_break;
  // Runs at every update of the run, where a front end may abandon it.
  std::function<void()> on_update;
  // Runs after each file event is kept.
  std::function<void(const FileEvent&)> on_file_done;

  // The lines of the events named `whats`, in order; of every event when none is named.
  std::vector<std::string> Lines(std::initializer_list<std::string_view> whats = {}) const {
    std::vector<std::string> out;
    for (const SeenEvent& e : events)
      if (whats.size() == 0 || std::find(whats.begin(), whats.end(), e.what) != whats.end())
        out.push_back(e.Line());
    return out;
  }
  // The events a log record is written for: what the run did, to which profile and file.
  std::vector<std::string> Recorded() const {
    return Lines({"started", "finished", "locked", "pass", "unreadable", "removal skipped",
                  "copied", "packed", "deleted", "copied back", "failed"});
  }
  // The files that reached their target: copied, packed or copied back.
  std::vector<std::string> Transferred() const {
    return Lines({"copied", "packed", "copied back"});
  }
  std::vector<std::string> Failures() const {
    return Lines({"failed", "locked", "unreadable", "removal skipped"});
  }
  int Count(std::string_view what) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const SeenEvent& e) { return e.what == what; }));
  }
  // The first event named `what`.
  const SeenEvent& Event(std::string_view what) const {
    for (const SeenEvent& e : events)
      if (e.what == what) return e;
    ADD_FAILURE() << "no event " << what;
    static const SeenEvent none;
    return none;
  }

  void ProfileQueued(const RunSnapshot& i) noexcept override { Add("queued", i); }
  void ProfileTaken(const RunSnapshot& i) noexcept override { Add("taken", i); }
  void ProfileLeftList() override { Add("left list"); }
  void ProfileScanned(const RunSnapshot& i) noexcept override { Add("scanned", i); }
  void ProfileStarted(const RunSnapshot& i) noexcept override { Add("started", i); }
  void ProfileFinished(const RunSnapshot& i) noexcept override { Add("finished", i); }
  void ProfileDropped(const RunSnapshot& i) noexcept override { Add("dropped", i); }
  void ProfileLocked(const RunSnapshot& i, const Error& refusal) noexcept override {
    Add("locked", i).refusal = refusal;
  }
  void PassStarted(PassKind pass, const RunSnapshot& i) noexcept override {
    Add("pass", i).pass = pass;
  }
  void SourceUnreadable(std::string_view dir) noexcept override { Add("unreadable", dir); }
  void CacheSkipped(std::string_view dir) noexcept override { Add("cache skipped", dir); }
  void SpecialFileSkipped(std::string_view path) noexcept override { Add("special skipped", path); }
  void ModesNotKept(std::string_view volume) noexcept override { Add("modes not kept", volume); }
  void RemovalSkipped(const RunSnapshot& i, RemovalSkip why) noexcept override {
    Add("removal skipped", i).skip = why;
  }
  void FileUpToDate(std::string_view source) noexcept override { Add("up to date", source); }
  void FileDone(const FileEvent& e) noexcept override {
    static constexpr const char* kNames[] = {"copied", "packed", "deleted", "copied back",
                                             "failed"};
    SeenEvent& seen = Add(kNames[static_cast<int>(e.action)], e.source);
    seen.target = e.target;
    seen.attempted = e.attempted;
    seen.bytes = e.bytes;
    seen.sync = e.sync;
    seen.failure = e.failure;
    seen.drive = e.drive;
    if (on_file_done) on_file_done(e);
  }
  void StatusChanged(std::string_view text) noexcept override { Add("status", text); }
  void BatchFinished() override { Add("batch finished"); }
  void BreakAccepted() override {
    Add("break accepted");
    if (on_break) on_break();
  }
  void RunFailed(std::string_view text) override { Add("run failed", text); }
  void EngineStopped() noexcept override { Add("engine stopped"); }
  void FileProgress(int64_t done, int64_t total) noexcept override { progress = {done, total}; }
  void FileCopyEnded() noexcept override { ++copies_ended; }
  void Update() override {
    if (on_update) on_update();
  }
  bool AskBreak(const FileEvent& failed) override {
    breaks_asked.emplace_back(failed.source);
    return answer_break && answer_break(failed);
  }

 private:
  SeenEvent& Add(const char* what, std::string_view subject = {}) {
    SeenEvent& e = events.emplace_back();
    e.what = what;
    e.source = subject;
    return e;
  }
  SeenEvent& Add(const char* what, const RunSnapshot& item) {
    SeenEvent& e = Add(what, item.Profile.Name());
    e.files = static_cast<int64_t>(item.SrcFiles.Count() + item.DestFiles.Count());
    return e;
  }
};

class EngineTest : public ::testing::Test {
 protected:
  explicit EngineTest(TDateTime start = 46000.5) : loop(start) {
    src = tmp.MakeDir("src");
    dest = tmp.MakeDir("dest");
    state.LockDirectory = tmp / "locks";
    state.SyncStateDirectory = tmp / "data";
    host.on_break = [this] { Stop(); };
  }

  EngineContext Ctx() { return Ctx(fs, host); }
  // The same run on another file system, or reporting to another observer.
  EngineContext Ctx(FileSystem& on) { return Ctx(on, host); }
  EngineContext Ctx(RunObserver& reporting_to) { return Ctx(fs, reporting_to); }
  EngineContext Ctx(FileSystem& on, RunObserver& reporting_to) {
    return EngineContext{on, loop, loop, formats, state, run_list, reporting_to};
  }

  // The run controller's stop.
  void Stop() {
    state.Mode = RunMode::kIdle;
    state.Running = false;
  }

  // Queues `p` through `ctx` for a "Start selected" run that the test then drives itself.
  RunSnapshot& QueueSelected(EngineContext& ctx, const ProfileRecord& p) {
    state.Running = true;
    state.Mode = RunMode::kSelected;
    QueueProfile(ctx, p);
    return run_list.Object(0);
  }

  // Queues `p` alone and runs only its backup pass; the snapshot stays for inspection.
  RunSnapshot& RunBackupOnly(const ProfileRecord& p) {
    state.Running = true;
    run_list.Clear();
    EngineContext ctx = Ctx();
    QueueProfile(ctx, p);
    RunSnapshot& item = run_list.Object(0);
    backup_outcome = RunBackupPass(ctx, item);
    return item;
  }

  ProfileRecord Profile(const std::string& name, int16_t keep = 0, bool zip = false) {
    ProfileRecord p = test::BackupProfile(name, src, dest);
    p.SetKeepCopyKind(keep);
    p.SetdoZIP(zip);
    return p;
  }

  // The "Start selected" run as the controller starts it.
  void StartSelected(const std::vector<ProfileRecord>& profiles) {
    state.Running = true;
    state.Mode = RunMode::kSelected;
    EngineContext ctx = Ctx();
    RunSelectedProfiles(ctx, profiles, [&](const ProfileRecord& p) { QueueProfile(ctx, p); });
  }
  void StartSelected(const ProfileRecord& profile) { StartSelected(std::vector{profile}); }

  // Background mode: queues `profiles` at once, runs the engine until `stop_at_ms`.
  void RunInBackground(const std::vector<ProfileRecord>& profiles, uint64_t stop_at_ms) {
    state.Running = true;
    state.Mode = RunMode::kBackground;
    EngineContext ctx = Ctx();
    for (const auto& p : profiles) QueueProfile(ctx, p);
    loop.At(stop_at_ms, [this] { Stop(); });
    ProcessRunList(ctx);
  }

  std::string Src(const std::string& rel) const { return src + "/" + rel; }
  std::string Dest(const std::string& rel) const { return dest + "/" + rel; }
  std::string Write(const std::string& rel, const std::string& content, long long mtime) {
    std::string path = tmp.WriteFile("src/" + rel, content);
    SetMTime(path, mtime);
    return path;
  }
  std::string WriteDest(const std::string& rel, const std::string& content, long long mtime) {
    std::string path = tmp.WriteFile("dest/" + rel, content);
    SetMTime(path, mtime);
    return path;
  }

  TempDir tmp;
  std::string src, dest;
  FullVolumeFs fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  RegionalFormats formats;
  RunState state;
  NamedList<RunSnapshot> run_list;
  FakeHost host;
  PassOutcome backup_outcome = PassOutcome::kCompleted;  // of the last RunBackupOnly
};

// 2024-06-01 12:00:00 UTC and a day before it, as file times.
inline constexpr long long kNoon = 1717243200;
inline constexpr long long kDayBefore = kNoon - 86400;

}  // namespace qm::test
