#include "cli/run_command.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "app/form_window.h"
#include "app/main_form_state.h"
#include "app/qmUnit1.h"
#include "cli/console_dialogs.h"
#include "engine/process_run_list.h"
#include "engine/scan.h"
#include "platform/app_paths.h"
#include "profiles/qmProcs.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

namespace {

// The window is never shown: its one-time step after the first show never runs.
class HiddenWindow : public FormWindow {
 public:
  void ShowWindow() override {}
  void HideWindow() override {}
  bool IsWindowVisible() const override { return false; }
};

// Nobody is there to answer: the end-of-run box is left out and the break question is answered
// No without a word, since the error record already tells what failed.
class RunDialogs : public ConsoleDialogs {
 public:
  using ConsoleDialogs::ConsoleDialogs;
  void ShowInformation(const std::string&) override {}
  bool AskErrorYesNo(const std::string&) override { return false; }
};

int TerminalWidth() {
  winsize ws{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

// One line on the terminal for the profile being run, redrawn from the run's events at most a
// few times a second.
class ProgressLine {
 public:
  ProgressLine(ui::MessageLoop& loop, std::ostream& err, bool enabled)
      : loop_(loop), err_(err), enabled_(enabled) {}
  ~ProgressLine() { Finish(); }

  void Started(const TDataItem& item) {
    item_ = &item;
    Draw();
  }
  void Ended() {
    item_ = nullptr;
    Finish();
  }
  void Update() {
    const uint64_t now = loop_.TickCount();
    if (item_ != nullptr && now - last_draw_ >= kIntervalMs) Draw();
  }

 private:
  static constexpr uint64_t kIntervalMs = 200;

  void Finish() {
    if (!drawn_) return;
    err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
  }

  void Draw() {
    last_draw_ = loop_.TickCount();
    if (!enabled_ || item_ == nullptr) return;
    const TDataItem& item = *item_;
    const int64_t total = static_cast<int64_t>(item.SrcFiles.Count() + item.DestFiles.Count());
    const int64_t done = std::min<int64_t>(item.FilesDone, total);
    const int64_t percent = total > 0 ? done * 100 / total : 0;
    std::string line = item.Profile.Name() + ": " + std::to_string(done) + " of " +
                       std::to_string(total) + " files, " + std::to_string(percent) + " %";
    if (!item.CurrentFile.empty()) line += ", " + item.CurrentFile;
    const size_t width = static_cast<size_t>(std::max(TerminalWidth() - 1, 10));
    if (line.size() > width) line = std::string(CutUtf8(line, width));
    err_ << "\r" << line << "\x1b[K" << std::flush;
    drawn_ = true;
  }

  ui::MessageLoop& loop_;
  std::ostream& err_;
  const bool enabled_;
  const TDataItem* item_ = nullptr;
  uint64_t last_draw_ = 0;
  bool drawn_ = false;
};

// The main window as the engine's host; the run's events feed the tally and the progress line.
class WatchingHost : public EngineHost {
 public:
  WatchingHost(TForm1& form, RunTally& tally, ProgressLine& line, RunObserver* watcher)
      : form_(form), tally_(tally), line_(line), watcher_(watcher) {}
  void WriteLog(TLogKind kind, const std::string& text) override {
    tally_.CountRecord(kind);
    form_.WriteLog(kind, text);
  }
  void CountOperatedFile() override { form_.CountOperatedFile(); }
  void StatTimerTimer() override { form_.StatTimerTimer(); }
  void StopWork() override { form_.StopWork(); }
  void bStartClick() override { form_.bStartClick(); }
  void SetTrayAnimation(bool on) override { form_.SetTrayAnimation(on); }
  void SetStatTimerEnabled(bool on) override { form_.SetStatTimerEnabled(on); }

  // The hidden window keeps its run labels and batch start as the shown one would.
  void ProfileQueued(const TDataItem& item) noexcept override {
    form_.ProfileQueued(item);
    if (watcher_) watcher_->ProfileQueued(item);
  }
  void ProfileScanned(const TDataItem& item) noexcept override {
    form_.ProfileScanned(item);
    if (watcher_) watcher_->ProfileScanned(item);
  }
  void EngineStopped() noexcept override {
    form_.EngineStopped();
    if (watcher_) watcher_->EngineStopped();
  }
  void ProfileStarted(const TDataItem& item) noexcept override {
    line_.Started(item);
    if (watcher_) watcher_->ProfileStarted(item);
  }
  void ProfileFinished(const TDataItem& item) noexcept override {
    line_.Ended();
    if (watcher_) watcher_->ProfileFinished(item);
  }
  void ProfileDropped(const TDataItem& item) noexcept override {
    line_.Ended();
    if (watcher_) watcher_->ProfileDropped(item);
  }
  void FileUpToDate(std::string_view source) noexcept override {
    if (watcher_) watcher_->FileUpToDate(source);
  }
  void FileDone(const FileEvent& event) noexcept override {
    tally_.Count(event);
    if (watcher_) watcher_->FileDone(event);
  }
  void StatusChanged(std::string_view text) noexcept override {
    form_.StatusChanged(text);
    if (watcher_) watcher_->StatusChanged(text);
  }
  void FileProgress(int64_t done, int64_t total) noexcept override {
    if (watcher_) watcher_->FileProgress(done, total);
  }
  void Update() override {
    line_.Update();
    if (watcher_) watcher_->Update();
  }

 private:
  TForm1& form_;
  RunTally& tally_;
  ProgressLine& line_;
  RunObserver* watcher_;
};

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

// The rows to run, or the names that match none.
bool SelectProfiles(const ProfileTable& table, const RunRequest& request,
                    std::vector<TProfileRecord>& selected, std::vector<std::string>& unknown) {
  auto add_row = [&](size_t row) {
    selected.emplace_back();
    ProfileFromRow(table.Row(row), selected.back());
  };
  if (request.all) {
    for (size_t row = 0; row < table.RecordCount(); ++row) add_row(row);
    return true;
  }
  for (const std::string& name : request.names) {
    // An exact match wins; otherwise letter case is ignored, as the run list does.
    int found = -1;
    for (size_t row = 0; row < table.RecordCount() && found < 0; ++row)
      if (table.Row(row).Name == name) found = static_cast<int>(row);
    for (size_t row = 0; row < table.RecordCount() && found < 0; ++row)
      if (TWList<TDataItem>::EqualsIgnoreCase(table.Row(row).Name, name))
        found = static_cast<int>(row);
    if (found < 0)
      unknown.push_back(name);
    else
      add_row(static_cast<size_t>(found));
  }
  return unknown.empty();
}

}  // namespace

void RunTally::Count(const FileEvent& event) {
  switch (event.action) {
    case FileAction::kCopied:
    case FileAction::kCopiedBack:
      ++copied;
      break;
    case FileAction::kPacked:
      ++packed;
      break;
    case FileAction::kDeleted:
      ++deleted;
      break;
    case FileAction::kFailed:
      break;
  }
}

void RunTally::CountRecord(TLogKind kind) {
  if (kind == lkError) ++failed;
}

std::string RunTally::Summary() const {
  return "copied " + std::to_string(copied) + ", packed " + std::to_string(packed) + ", deleted " +
         std::to_string(deleted) + ", failed " + std::to_string(failed);
}

int RunProfiles(const RunRequest& request, std::ostream& out, std::ostream& err, bool progress,
                RunObserver* watcher) {
  ui::HeadlessMessageLoop loop;
  RunDialogs dialogs(err);
  HiddenWindow window;
  const std::string store = StorePath(request.store_path);
  TForm1 form(PosixFileSystem(), SystemClock(), loop, dialogs, RegionalFormats::FromLocale(), store,
              {}, window);

  std::vector<TProfileRecord> selected;
  std::vector<std::string> unknown;
  if (!SelectProfiles(form.rmSets, request, selected, unknown)) {
    for (const std::string& name : unknown)
      err << "quillmor: no profile named \"" << name << "\" in " << store << "\n";
    return 2;
  }
  LoadStoredLogOptions(form.registry, form.Log);
  // The window fills this in after its first show; the log goes where it would.
  if (form.Log.deLogDir.Text().empty()) form.Log.deLogDir.SetText(DirectoryOf(store));

  // A "Start selected" run: the daily windows do not apply.
  form.State.Running = true;
  form.State.Mode = RunMode::kSelected;

  RunTally tally;
  {
    ProgressLine line(loop, err, progress);
    WatchingHost host(form, tally, line, watcher);
    const EngineContext base = form.MakeEngineContext();
    EngineContext ctx{base.fs,    base.clock,   base.loop,     base.dialogs, base.formats,
                      base.state, base.RunList, base.controls, host};
    RunSelectedProfiles(ctx, selected, [&ctx](const TProfileRecord& p) { QueueProfile(ctx, p); });
  }
  out << tally.Summary() << "\n";
  return tally.failed > 0 ? 1 : 0;
}

}  // namespace qm::cli
