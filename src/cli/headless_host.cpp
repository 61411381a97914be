#include "cli/headless_host.h"

#include <ostream>

#include "cli/signals.h"
#include "platform/clock.h"
#include "stats/log_writer.h"

namespace qm::cli {

void RunDialogs::ShowErrorBox(const std::string& text) {
  tally_.CountFailure();
  if (BeforeOutput) BeforeOutput();
  ConsoleDialogs::ShowErrorBox(text);
}

void RunDialogs::ShowApplicationError(const std::string& text) {
  tally_.CountFailure();
  if (BeforeOutput) BeforeOutput();
  ConsoleDialogs::ShowApplicationError(text);
}

std::string PreviewLine(const FileEvent& event) {
  const std::string source(event.source);
  const std::string target(event.target);
  switch (event.action) {
    case FileAction::kCopied:
      return "copy " + source + " -> " + target;
    case FileAction::kPacked:
      return "pack " + source + " -> " + target;
    case FileAction::kDeleted:
      return "delete " + source;
    case FileAction::kCopiedBack:
      return "copy back " + source + " -> " + target;
    case FileAction::kFailed:
      break;
  }
  return {};
}

HeadlessHost::HeadlessHost(TForm1& form, RunTally& tally, ProgressLine& line, std::ostream& out,
                           std::ostream& err, const RegionalFormats& formats, HostOptions options,
                           RunObserver* watcher)
    : FormHost(form),
      tally_(tally),
      line_(line),
      out_(out),
      err_(err),
      formats_(formats),
      options_(options),
      watcher_(watcher) {}

void HeadlessHost::WriteLog(TLogKind kind, const std::string& text) {
  tally_.CountRecord(kind);
  if (options_.verbose) {
    line_.Clear();
    err_ << FormatLogLine(kind, text, SystemClock().Now(), formats_) << "\n" << std::flush;
  }
  // A preview writes no log.
  if (!options_.dry_run) form_.WriteLog(kind, text);
}

void HeadlessHost::ProfileQueued(const TDataItem& item) noexcept {
  FormHost::ProfileQueued(item);
  if (watcher_) watcher_->ProfileQueued(item);
}

void HeadlessHost::ProfileScanned(const TDataItem& item) noexcept {
  FormHost::ProfileScanned(item);
  if (watcher_) watcher_->ProfileScanned(item);
}

void HeadlessHost::EngineStopped() noexcept {
  FormHost::EngineStopped();
  if (watcher_) watcher_->EngineStopped();
}

void HeadlessHost::ProfileStarted(const TDataItem& item) noexcept {
  FormHost::ProfileStarted(item);
  item_ = &item;
  progress_.profile = item.Profile.Name();
  progress_.files_total = static_cast<int64_t>(item.SrcFiles.Count());
  progress_.files_done = 0;
  progress_.current_file.clear();
  Draw(/*throttled=*/false);
  if (watcher_) watcher_->ProfileStarted(item);
}

void HeadlessHost::ProfileFinished(const TDataItem& item) noexcept {
  FormHost::ProfileFinished(item);
  item_ = nullptr;
  line_.Clear();
  if (watcher_) watcher_->ProfileFinished(item);
}

void HeadlessHost::ProfileDropped(const TDataItem& item) noexcept {
  item_ = nullptr;
  line_.Clear();
  if (watcher_) watcher_->ProfileDropped(item);
}

void HeadlessHost::FileUpToDate(std::string_view source) noexcept {
  ++progress_.files_done;
  if (watcher_) watcher_->FileUpToDate(source);
}

void HeadlessHost::FileDone(const FileEvent& event) noexcept {
  tally_.Count(event);
  const FileAction what = event.action == FileAction::kFailed ? event.attempted : event.action;
  // Only the source files count towards the line's "done of to do".
  if (what == FileAction::kCopied || what == FileAction::kPacked) ++progress_.files_done;
  bytes_before_file_ += event.bytes;
  progress_.bytes = bytes_before_file_;
  if (options_.dry_run && !options_.quiet) {
    if (const std::string text = PreviewLine(event); !text.empty()) {
      line_.Clear();
      out_ << text << "\n" << std::flush;
    }
  }
  if (watcher_) watcher_->FileDone(event);
  FormHost::FileDone(event);
}

void HeadlessHost::StatusChanged(std::string_view text) noexcept {
  FormHost::StatusChanged(text);
  if (watcher_) watcher_->StatusChanged(text);
}

void HeadlessHost::FileProgress(int64_t done, int64_t total) noexcept {
  progress_.bytes = bytes_before_file_ + done;
  if (watcher_) watcher_->FileProgress(done, total);
}

void HeadlessHost::Update() {
  if (Interrupted()) {
    // Also the stop request, for the parts of a run that do not call Update().
    form_.State.Running = false;
    AbandonIfInterrupted();
  }
  Draw(/*throttled=*/true);
  if (watcher_) watcher_->Update();
}

void HeadlessHost::Draw(bool throttled) {
  if (item_ == nullptr) return;
  progress_.current_file = item_->CurrentFile;
  line_.Draw(progress_, throttled);
}

}  // namespace qm::cli
