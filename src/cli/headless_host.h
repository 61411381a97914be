// The headless run's host of the engine: the main window does the work, and the run's events
// feed the tally, the progress line, the preview's action lines and the verbose echo. Its
// Update() is where SIGINT and SIGTERM stop the run.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "app/qmUnit1.h"
#include "cli/console_dialogs.h"
#include "cli/form_host.h"
#include "cli/progress_line.h"
#include "cli/run_command.h"

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

// Asks no break question: the run goes on, without a word, since the error record already
// tells what failed.
class HeadlessHost : public FormHost {
 public:
  HeadlessHost(TForm1& form, RunTally& tally, ProgressLine& line, std::ostream& out,
               std::ostream& err, const RegionalFormats& formats, HostOptions options,
               RunObserver* watcher);

  void WriteLog(TLogKind kind, const std::string& text) override;

  void ProfileQueued(const TDataItem& item) noexcept override;
  void ProfileScanned(const TDataItem& item) noexcept override;
  void EngineStopped() noexcept override;
  void ProfileStarted(const TDataItem& item) noexcept override;
  void ProfileFinished(const TDataItem& item) noexcept override;
  void ProfileDropped(const TDataItem& item) noexcept override;
  void FileUpToDate(std::string_view source) noexcept override;
  void FileDone(const FileEvent& event) noexcept override;
  void StatusChanged(std::string_view text) noexcept override;
  void FileProgress(int64_t done, int64_t total) noexcept override;
  // Redraws the progress line; after SIGINT or SIGTERM, stops the run and abandons the copy
  // under way.
  void Update() override;

 private:
  void Draw(bool throttled);

  RunTally& tally_;
  ProgressLine& line_;
  std::ostream& out_;
  std::ostream& err_;
  const RegionalFormats& formats_;
  const HostOptions options_;
  RunObserver* watcher_;
  const TDataItem* item_ = nullptr;  // the profile being run
  ProgressState progress_;
  int64_t bytes_before_file_ = 0;  // bytes of the files finished before the current one
};

}  // namespace qm::cli
