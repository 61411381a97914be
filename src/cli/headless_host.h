// The headless run's reading of a run session: the run's events and records feed the tally, the
// progress line, the preview's action lines and the verbose echo.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "app/run_session.h"
#include "cli/console_dialogs.h"
#include "cli/progress_line.h"
#include "cli/run_command.h"
#include "profiles/log_kind.h"

namespace qm::cli {

// Nobody is there to answer: the end-of-run box is left out. Every error box is a failure of
// the run.
class RunDialogs : public ConsoleDialogs {
 public:
  RunDialogs(std::ostream& err, RunTally& tally) : ConsoleDialogs(err), tally_(tally) {}
  void ShowInformation(const std::string&) override {}
  void ShowErrorBox(const std::string& text) override;
  void ShowApplicationError(const std::string& text) override;

  // Runs before a message is printed: the progress line must go first.
  std::function<void()> BeforeOutput;

 private:
  RunTally& tally_;
};

// One line of a preview: "copy <source> -> <target>", "pack ...", "delete <file>",
// "copy back ...". Empty for an event that is not an action.
std::string PreviewLine(const FileEvent& event);

struct HostOptions {
  bool dry_run = false;
  bool verbose = false;
  bool quiet = false;
};

// The headless run's reading of the events: the tally, the progress line and the preview's
// action lines. Its Update() is where SIGINT and SIGTERM stop the run.
class HeadlessEvents final : public RunObserver {
 public:
  HeadlessEvents(RunState& state, RunTally& tally, ProgressLine& line, std::ostream& out,
                 HostOptions options)
      : state_(state), tally_(tally), line_(line), out_(out), options_(options) {}

  void ProfileStarted(const RunSnapshot& item) noexcept override;
  void ProfileFinished(const RunSnapshot& item) noexcept override;
  void ProfileDropped(const RunSnapshot& item) noexcept override;
  void FileUpToDate(std::string_view source) noexcept override;
  void FileDone(const FileEvent& event) noexcept override;
  void SyncConflict(const ConflictEvent& event) noexcept override;
  void FileProgress(int64_t done, int64_t total) noexcept override;
  // Redraws the progress line; after SIGINT or SIGTERM, stops the run and abandons the copy
  // under way.
  void Update() override;

 private:
  void Draw(bool throttled);

  RunState& state_;
  RunTally& tally_;
  ProgressLine& line_;
  std::ostream& out_;
  const HostOptions options_;
  const RunSnapshot* item_ = nullptr;  // the profile being run
  ProgressState progress_;
  int64_t bytes_before_file_ = 0;  // bytes of the files finished before the current one
};

// The headless run's watch over a session, for as long as it lives: the records are counted and
// echoed for -v (a preview writes none to the log), the events read as above, an error that
// ended the engine reported. It asks no break question: the run goes on, without a word, since
// the error record already tells what failed. `watcher`, when given, hears the run's events
// after the headless run's own reading.
class HeadlessHost {
 public:
  HeadlessHost(RunSession& session, RunTally& tally, ProgressLine& line, std::ostream& out,
               std::ostream& err, RunDialogs& dialogs, HostOptions options, RunObserver* watcher);
  ~HeadlessHost();
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

 private:
  void Record(LogKind kind, const std::string& text);

  RunSession& session_;
  RunTally& tally_;
  ProgressLine& line_;
  std::ostream& err_;
  const HostOptions options_;
  HeadlessEvents events_;
  RunFailureReport failures_;
  RunObserver* watcher_;
  int record_connection_ = 0;
};

}  // namespace qm::cli
