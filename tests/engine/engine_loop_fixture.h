// A main window in miniature for engine tests: the controls the engine writes, a host that
// records every log record and plays the run controller's stop, real files in a temporary
// directory, a virtual clock and scripted dialogs.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/backup_pass.h"
#include "engine/engine_context.h"
#include "engine/process_run_list.h"
#include "engine/scan.h"
#include "platform/file_system.h"
#include "support/forwarding_file_system.h"
#include "support/scripted_dialogs.h"
#include "support/store_file.h"
#include "support/temp_dir.h"
#include "support/viewing_host.h"
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

struct LogRecord {
  TLogKind kind;
  std::string text;
  bool operator==(const LogRecord&) const = default;
};

// One event of the run observer, with its paths copied.
struct SeenEvent {
  std::string what;  // "queued", "started", "finished", "dropped", "up to date", "copied"...
  std::string source, target;
  FileAction attempted = FileAction::kCopied;
  int64_t bytes = 0;
};

class FakeHost : public ViewingHost {
 public:
  FakeHost() { Watch(seen_); }

  std::vector<SeenEvent> events;
  std::pair<int64_t, int64_t> progress{-1, -1};  // the last (done, total) of a copy
  std::vector<LogRecord> log;
  int operated = 0;
  int stat_updates = 0;
  int tray_on = 0;
  std::function<void()> stop_work;
  std::function<void()> start_click;
  // The sources of the failures the break question was asked about.
  std::vector<std::string> breaks_asked;
  // Answers the break question when set, if the window's dialogs did not break the run.
  std::function<bool(const FileEvent&)> answer_break;
  // Runs at every update of the run, where a front end may abandon it.
  std::function<void()> on_update;

  void WriteLog(TLogKind kind, const std::string& text) override { log.push_back({kind, text}); }
  void CountOperatedFile() override { ++operated; }
  void StatTimerTimer() override { ++stat_updates; }
  void StopWork() override { stop_work(); }
  void bStartClick() override { start_click(); }
  void SetTrayAnimation(bool on) override { tray_on += on ? 1 : 0; }

  std::vector<std::string> Texts(TLogKind kind) const {
    std::vector<std::string> out;
    for (const auto& r : log)
      if (r.kind == kind) out.push_back(r.text);
    return out;
  }
  bool Logged(const std::string& prefix) const {
    for (const auto& r : log)
      if (r.text.rfind(prefix, 0) == 0) return true;
    return false;
  }

 private:
  // Copies what the run reports into the host's lists.
  class Seen final : public RunObserver {
   public:
    explicit Seen(FakeHost& host) : host_(host) {}
    void ProfileQueued(const TDataItem& i) noexcept override { Add("queued", i.Profile.Name()); }
    void ProfileStarted(const TDataItem& i) noexcept override { Add("started", i.Profile.Name()); }
    void ProfileFinished(const TDataItem& i) noexcept override {
      Add("finished", i.Profile.Name());
    }
    void ProfileDropped(const TDataItem& i) noexcept override { Add("dropped", i.Profile.Name()); }
    void FileUpToDate(std::string_view source) noexcept override {
      Add("up to date", std::string(source));
    }
    void FileProgress(int64_t done, int64_t total) noexcept override {
      host_.progress = {done, total};
    }
    void FileDone(const FileEvent& e) noexcept override {
      static constexpr const char* kNames[] = {"copied", "packed", "deleted", "copied back",
                                               "failed"};
      host_.events.push_back({kNames[static_cast<int>(e.action)], std::string(e.source),
                              std::string(e.target), e.attempted, e.bytes});
    }
    void Update() override {
      if (host_.on_update) host_.on_update();
    }
    bool AskBreak(const FileEvent& failed) override {
      host_.breaks_asked.emplace_back(failed.source);
      return host_.answer_break && host_.answer_break(failed);
    }

   private:
    void Add(const char* what, std::string subject) {
      host_.events.push_back({what, std::move(subject), {}, FileAction::kCopied, 0});
    }
    FakeHost& host_;
  };
  Seen seen_{*this};
};

class EngineTest : public ::testing::Test {
 protected:
  explicit EngineTest(TDateTime start = 46000.5) : loop(start) {
    src = tmp.MakeDir("src");
    dest = tmp.MakeDir("dest");
    host.View({lStatus, lCurrentFile, lStartedAt, lFinishExpectedAt, lProfilesToPperate, StatTimer},
              loop, formats, state, RunList);
    state.LockDirectory = tmp / "locks";
    host.SetBreakDialogs(&dialogs);
    host.stop_work = [this] {
      state.Running = false;
      lStatus.SetCaption("Stoped.");
    };
    // The run controller's stop direction; the engine never clicks it to start.
    host.start_click = [this] {
      state.Mode = RunMode::kIdle;
      host.StopWork();
      bStart.SetCaption("Start selected");
      bStartBackground.SetEnabled(true);
    };
  }

  EngineContext Ctx() { return Ctx(fs, host); }
  // The same run on another file system, or reporting to another host.
  EngineContext Ctx(FileSystem& on) { return Ctx(on, host); }
  EngineContext Ctx(EngineHost& reporting_to) { return Ctx(fs, reporting_to); }
  EngineContext Ctx(FileSystem& on, EngineHost& reporting_to) {
    return EngineContext{on,          loop,  loop,    dialogs,
                         formats,     state, RunList, CopyProgressControls{psFile, lpsCurrentFile},
                         reporting_to};
  }

  // Queues `p` through `ctx` for a "Start selected" run that the test then drives itself.
  TDataItem& QueueSelected(EngineContext& ctx, const TProfileRecord& p) {
    state.Running = true;
    state.Mode = RunMode::kSelected;
    QueueProfile(ctx, p);
    return RunList.Object(0);
  }

  // Queues `p` alone and runs only its backup pass; the snapshot stays for inspection.
  TDataItem& RunBackupOnly(const TProfileRecord& p) {
    state.Running = true;
    RunList.Clear();
    EngineContext ctx = Ctx();
    QueueProfile(ctx, p);
    TDataItem& item = RunList.Object(0);
    backup_outcome = RunBackupPass(ctx, item);
    return item;
  }

  TProfileRecord Profile(const std::string& name, int16_t keep = 0, bool zip = false) {
    TProfileRecord p = test::BackupProfile(name, src, dest);
    p.SetKeepCopyKind(keep);
    p.SetdoZIP(zip);
    return p;
  }

  // The "Start selected" run as the controller starts it.
  void StartSelected(const std::vector<TProfileRecord>& profiles) {
    state.Running = true;
    state.Mode = RunMode::kSelected;
    bStart.SetCaption("Stop");
    bStartBackground.SetEnabled(false);
    EngineContext ctx = Ctx();
    RunSelectedProfiles(ctx, profiles, [&](const TProfileRecord& p) { QueueProfile(ctx, p); });
  }
  void StartSelected(const TProfileRecord& profile) { StartSelected(std::vector{profile}); }

  // Background mode: queues `profiles` at once, runs the engine until `stop_at_ms`.
  void RunInBackground(const std::vector<TProfileRecord>& profiles, uint64_t stop_at_ms) {
    state.Running = true;
    state.Mode = RunMode::kBackground;
    bStart.SetEnabled(false);
    bStartBackground.SetCaption("Stop");
    EngineContext ctx = Ctx();
    for (const auto& p : profiles) QueueProfile(ctx, p);
    loop.At(stop_at_ms, [this] {
      state.Mode = RunMode::kIdle;
      host.StopWork();
    });
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
  ScriptedDialogs dialogs;
  RegionalFormats formats;
  RunState state;
  TWList<TDataItem> RunList;
  ui::Label lStatus{"lStatus"}, lCurrentFile{"lCurrentFile"}, lpsCurrentFile{"lpsCurrentFile"},
      lStartedAt{"lStartedAt"}, lFinishExpectedAt{"lFinishExpectedAt"},
      lProfilesToPperate{"lProfilesToPperate"};
  ui::ProgressBar psFile{"psFile"};
  ui::Button bStart{"bStart", "Start selected"};
  ui::Button bStartBackground{"bStartBackground", "Start in background"};
  ui::Timer StatTimer{loop, "StatTimer", 1500};
  FakeHost host;
  PassOutcome backup_outcome = PassOutcome::kCompleted;  // of the last RunBackupOnly
};

// 2024-06-01 12:00:00 UTC and a day before it, as file times.
inline constexpr long long kNoon = 1717243200;
inline constexpr long long kDayBefore = kNoon - 86400;

}  // namespace qm::test
