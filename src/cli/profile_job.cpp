#include "cli/profile_job.h"

#include <ostream>

#include "app/stored_log_options.h"
#include "cli/command_line.h"
#include "cli/run_command.h"
#include "platform/app_paths.h"
#include "stats/log_writer.h"

namespace qm::cli {

ProfileJob::ProfileJob(const JobOptions& options, std::ostream& out, std::ostream& err)
    : options_(options),
      out_(out),
      err_(err),
      dialogs_(err),
      session_(options.fs != nullptr ? *options.fs : PosixFileSystem(), SystemClock(), loop_,
               dialogs_, RegionalFormats::FromLocale(), StorePath(options.store_path)),
      line_(loop_, err, options.progress) {
  // A dry run records nothing in the log.
  session_.state.Preview = options.dry_run;
}

ProfileJob::~ProfileJob() = default;

int ProfileJob::Open() {
  if (!StoreUsable(session_.StoreLoad(), session_.store_path(), err_)) return kExitFailed;
  RunRequest request;
  request.names = {options_.name};
  std::vector<ProfileRecord> selected;
  std::vector<std::string> unknown;
  if (!SelectProfiles(session_.profile_table, request, selected, unknown)) {
    err_ << "quillmor: no profile named \"" << options_.name << "\" in " << session_.store_path()
         << "\n";
    return kExitUsage;
  }
  profile_ = selected.front();
  session_.SetLogOptions(LoadStoredLogOptions(Registry(ConfigDirectory(), fs())));
  if (!options_.dry_run) session_.FillDefaultLogDirectory();
  return kExitOk;
}

void ProfileJob::Record(LogKind kind, const std::string& text) {
  session_.WriteLog(kind, text);
  if (options_.verbose) {
    line_.Clear();
    err_ << FormatLogLine(kind, text, session_.clock().Now(), session_.formats()) << "\n"
         << std::flush;
  }
}

void ProfileJob::Error(const std::string& text) {
  line_.Clear();
  err_ << "quillmor: " << text << "\n" << std::flush;
}

void ProfileJob::Line(const std::string& text, bool bad) {
  if (!bad && options_.quiet) return;
  line_.Clear();
  out_ << text << "\n";
}

void ProfileJob::Progress(int64_t done, int64_t total, int64_t bytes, const std::string& file) {
  ProgressState state;
  state.profile = profile_.Name();
  state.files_done = done;
  state.files_total = total;
  state.bytes = bytes;
  state.current_file = file;
  line_.Draw(state, true);
}

std::string ProfileJob::Finish() {
  line_.Clear();
  if (options_.dry_run) return "dry run: nothing was changed, no log written";
  session_.FlushLog();
  const LogOptions& log = session_.log_options();
  if (!log.create) return "log: off";
  const std::string path = LogFilePath(log.dir);
  if (session_.log_write_failed) return "log: " + path + " (could not be written)";
  return "log: " + path;
}

}  // namespace qm::cli
