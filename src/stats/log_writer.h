// The log: records are formatted and buffered by WriteLog; FlushLog appends the buffer to
// "Quillmor.log" and trims the file to its size limit. The file is opened and closed within
// one flush and never held open.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"

namespace qm {

inline constexpr const char* kLogFileName = "Quillmor.log";
// The range of the log's size limit, in kilobytes.
inline constexpr int64_t kLogLimitMinKb = 0;
inline constexpr int64_t kLogLimitMaxKb = 65536;

// The log options as the controls show them at the moment of use; read afresh for every
// record and every flush, so a change takes effect at once, also during a run.
struct LogOptions {
  bool create = true;      // create_log_box: master switch
  bool info = false;       // log_info_box
  bool errors = true;      // log_errors_box
  bool deletes = true;     // log_deletes_box
  bool success = false;    // log_successes_box
  bool limit_size = true;  // limit_log_size_box
  int64_t limit_kb = 64;   // log_limit_edit, kilobytes of 1024 bytes
  std::string dir;         // log_folder_edit
};

// Whether a record of `kind` gets into the buffer under `options`.
bool LogKindEnabled(const LogOptions& options, LogKind kind);

// "<short date> <long time> <prefix><text>", the time left out at exactly midnight.
std::string FormatLogLine(LogKind kind, const std::string& text, TDateTime now,
                          const RegionalFormats& formats);

// Formats the record and appends it to `log_buffer` when the options let it through.
void WriteLog(const LogOptions& options, LogKind kind, const std::string& text, TDateTime now,
              const RegionalFormats& formats, std::vector<std::string>& log_buffer);

// The log file's path in `dir`: a '/' is added unless `dir` is empty or already ends in one.
std::string LogFilePath(const std::string& dir);

// Characters kept by a trim: limit x 1024 - limit x 103, about a tenth below the limit.
int64_t LogBudget(int64_t limit_kb);

// Drops the oldest lines: walking from the newest, the line at which the running total of
// lengths first exceeds `budget` is the oldest one kept. Nothing is dropped when all fit.
void TrimToBudget(std::vector<std::string>& lines, int64_t budget);

// Shows a failure of the log file to the user (an error box in the window).
using ShowLogError = std::function<void(const std::string&)>;

// Appends the buffered lines to the log file, trimming it first when it has reached the limit.
// A failed open or write shows one of the three file errors through `show_error`, sets
// `log_write_failed` (before the message, so a flush nested in the modal box skips the file) and
// leaves the log off for the rest of the process. The buffer is always empty afterwards.
void FlushLog(FileSystem& fs, const ShowLogError& show_error, const LogOptions& options,
              std::vector<std::string>& log_buffer, bool& log_write_failed);

// Use where the buffer must be emptied before something new starts (a stop, the start of a
// run or of the background mode): the lines are written first, so records of deletions and
// errors made just before are never dropped.
inline void FlushBeforeEmptying(FileSystem& fs, const ShowLogError& show_error,
                                const LogOptions& options, std::vector<std::string>& log_buffer,
                                bool& log_write_failed) {
  FlushLog(fs, show_error, options, log_buffer, log_write_failed);
}

}  // namespace qm
