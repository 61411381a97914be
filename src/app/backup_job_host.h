// What a restore or a verification asks of whoever runs it: the command line prints and
// reads signals, the window writes its statistics page and follows its Stop.
#pragma once

#include <cstdint>
#include <string>

#include "engine/run_abandoned.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"
#include "ui/message_loop.h"

namespace qm {

class BackupJobHost {
 public:
  virtual ~BackupJobHost() = default;
  virtual FileSystem& fs() = 0;
  virtual ui::MessageLoop& loop() = 0;
  // A log record (a dry run keeps it out of the log).
  virtual void Record(LogKind kind, const std::string& text) = 0;
  // An error the user must see at once, beside its record.
  virtual void Error(const std::string& text) = 0;
  // A line of the job's report: a dry run's "restore ..." lines, a verification's findings;
  // `bad` for what went wrong rather than information.
  virtual void Line(const std::string& text, bool bad) = 0;
  // Files done of those to do, bytes so far, the current file.
  virtual void Progress(int64_t done, int64_t total, int64_t bytes, const std::string& file) = 0;
  // The copy under way, as the copier reports it.
  virtual void FileProgress(int64_t /*done*/, int64_t /*total*/) {}
  // The user asked the job to end: it stops at the next file or block.
  virtual bool Stopped() = 0;
};

}  // namespace qm
