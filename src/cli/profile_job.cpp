#include "cli/profile_job.h"

#include <ctime>
#include <ostream>

#include "app/stored_log_options.h"
#include "cli/command_line.h"
#include "cli/run_command.h"
#include "platform/app_paths.h"
#include "stats/log_writer.h"

namespace qm::cli {

ProfileJob::ProfileJob(const JobOptions& options, std::ostream& err)
    : options_(options),
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

std::optional<DosDateTime> ParseAsOf(const std::string& text) {
  auto digits = [&text](size_t at, size_t n) -> std::optional<int> {
    if (at + n > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  std::tm tm{};
  const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
  int hour = 23, minute = 59, second = 59;
  if (text.size() != 10) {
    const auto h = digits(11, 2), m = digits(14, 2);
    if (text[10] != ' ' || !h || !m || text[13] != ':') return std::nullopt;
    hour = *h;
    minute = *m;
    second = 0;
    if (text.size() != 16) {
      const auto s = digits(17, 2);
      if (text.size() != 19 || text[16] != ':' || !s) return std::nullopt;
      second = *s;
    }
  }
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || hour > 23 || minute > 59 ||
      second > 59 || *year < 1980 || *year > 2107)
    return std::nullopt;
  tm.tm_year = *year - 1900;
  tm.tm_mon = *month - 1;
  tm.tm_mday = *day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  std::tm check = tm;
  const std::time_t when = std::mktime(&check);
  // mktime carries a day past the month's end into the next month: refuse "2026-02-30".
  if (when == -1 || check.tm_mday != *day || check.tm_mon != *month - 1) return std::nullopt;
  return UnixToDosDateTime(when);
}

}  // namespace qm::cli
