#include "cli/headless_host.h"

#include <ostream>

#include "cli/signals.h"
#include "profiles/log_kind.h"
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

HeadlessHost::HeadlessHost(RunSession& session, RunTally& tally, ProgressLine& line,
                           std::ostream& out, std::ostream& err, RunDialogs& dialogs,
                           HostOptions options, RunObserver* watcher)
    : session_(session),
      tally_(tally),
      line_(line),
      err_(err),
      options_(options),
      events_(session.state, tally, line, out, options),
      failures_(dialogs),
      watcher_(watcher) {
  session_.SetBreakDialogs(nullptr);
  record_connection_ = session_.RecordMade.Connect(
      [this](LogKind kind, const std::string& text) { Record(kind, text); });
  session_.Watch(events_);
  if (watcher_ != nullptr) session_.Watch(*watcher_);
  session_.Watch(failures_);
}

HeadlessHost::~HeadlessHost() {
  session_.Unwatch(failures_);
  if (watcher_ != nullptr) session_.Unwatch(*watcher_);
  session_.Unwatch(events_);
  session_.RecordMade.Disconnect(record_connection_);
}

void HeadlessHost::Record(LogKind kind, const std::string& text) {
  tally_.CountRecord(kind);
  if (options_.verbose) {
    line_.Clear();
    err_ << FormatLogLine(kind, text, session_.clock().Now(), session_.formats()) << "\n"
         << std::flush;
  }
}

void HeadlessEvents::ProfileStarted(const RunSnapshot& item) noexcept {
  item_ = &item;
  progress_.profile = item.Profile.Name();
  progress_.files_total = static_cast<int64_t>(item.SrcFiles.Count());
  progress_.files_done = 0;
  progress_.current_file.clear();
  Draw(/*throttled=*/false);
}

void HeadlessEvents::ProfileFinished(const RunSnapshot& /*item*/) noexcept {
  item_ = nullptr;
  line_.Clear();
}

void HeadlessEvents::ProfileDropped(const RunSnapshot& /*item*/) noexcept {
  item_ = nullptr;
  line_.Clear();
}

void HeadlessEvents::FileUpToDate(std::string_view /*source*/) noexcept {
  ++progress_.files_done;
}

void HeadlessEvents::FileDone(const FileEvent& event) noexcept {
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
}

void HeadlessEvents::SyncConflict(const ConflictEvent& event) noexcept {
  if (options_.dry_run && !options_.quiet) {
    line_.Clear();
    out_ << "conflict " << event.src << " <-> " << event.dest << "\n" << std::flush;
  }
}

void HeadlessEvents::FileProgress(int64_t done, int64_t /*total*/) noexcept {
  progress_.bytes = bytes_before_file_ + done;
}

void HeadlessEvents::Update() {
  if (Interrupted()) {
    // Also the stop request, for the parts of a run that do not call Update().
    state_.Running = false;
    AbandonIfInterrupted();
  }
  Draw(/*throttled=*/true);
}

void HeadlessEvents::Draw(bool throttled) {
  if (item_ == nullptr) return;
  progress_.current_file = item_->CurrentFile;
  line_.Draw(progress_, throttled);
}

}  // namespace qm::cli
