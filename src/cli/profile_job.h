// What --restore and --verify share with --run: the store and one profile read from it, the
// session that writes the log, records echoed with -v, signals, and the progress line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "app/backup_job_host.h"
#include "app/restore_job.h"
#include "app/run_session.h"
#include "cli/console_dialogs.h"
#include "cli/progress_line.h"
#include "cli/signals.h"
#include "profiles/profile_record.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

struct JobOptions {
  std::string store_path;    // the --store value; empty for the default store
  std::string name;          // the profile
  bool dry_run = false;      // nothing written, no log
  bool verbose = false;      // every record to stderr as it is made
  bool progress = false;     // the progress line; only for a terminal on stderr
  bool quiet = false;        // only the report lines about something gone bad
  FileSystem* fs = nullptr;  // the real file system when null
};

class ProfileJob final : public BackupJobHost {
 public:
  // Report lines go to `out` (with `quiet`, only those about something gone bad).
  ProfileJob(const JobOptions& options, std::ostream& out, std::ostream& err);
  ~ProfileJob() override;
  ProfileJob(const ProfileJob&) = delete;
  ProfileJob& operator=(const ProfileJob&) = delete;

  // Reads the store and finds the profile: 0, or the exit status of a missing or damaged
  // store (1) or an unknown name (2), the error told on stderr.
  int Open();
  const ProfileRecord& profile() const { return profile_; }
  FileSystem& fs() override { return session_.file_system(); }
  ui::MessageLoop& loop() override { return loop_; }

  // A log record (kept out of the log by a dry run), echoed on stderr with -v.
  void Record(LogKind kind, const std::string& text) override;
  // An error on stderr, "quillmor: " first, the progress line cleared before.
  void Error(const std::string& text) override;
  void Line(const std::string& text, bool bad) override;
  // The progress line: files done of those to do, bytes, the current file.
  void Progress(int64_t done, int64_t total, int64_t bytes, const std::string& file) override;
  // SIGINT or SIGTERM has arrived.
  bool Stopped() override { return Interrupted(); }
  // Writes the records and returns the summary's second line, where they went.
  std::string Finish();

 private:
  JobOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  InterruptHandling interrupts_;
  ui::HeadlessMessageLoop loop_;
  ConsoleDialogs dialogs_;
  RunSession session_;
  ProgressLine line_;
  ProfileRecord profile_;
};

using qm::ParseAsOf;

}  // namespace qm::cli
