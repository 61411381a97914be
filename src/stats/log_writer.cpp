#include "stats/log_writer.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/path_style.h"
#include "profiles/log_kind.h"

namespace qm {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Lines are written in batches of about this many bytes: one write per line would cost a
// system call each, one write for everything would hold a second copy of a large file.
constexpr size_t kWriteBatch = 64 * 1024;

const char* PrefixOf(LogKind kind) {
  switch (kind) {
    case LogKind::kInfo:
      return "Info: ";
    case LogKind::kError:
      return "Error: ";
    case LogKind::kDelete:
      return "Delete: ";
    case LogKind::kSuccess:
      return "Success: ";
  }
  return "";
}

std::span<const std::byte> AsBytes(std::string_view s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

// Reads the whole file and splits it into lines without their ends (CR LF, or a bare LF).
Result<std::vector<std::string>> ReadLines(ReadableFile& file) {
  std::string content;
  std::byte block[16384];
  for (;;) {
    Result<size_t> n = file.Read(block);
    if (!n.ok()) return n.error();
    if (n.value() == 0) break;
    content.append(reinterpret_cast<const char*>(block), n.value());
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = content.size();
    size_t stop = end;
    if (!last && stop > start && content[stop - 1] == '\r') --stop;
    lines.emplace_back(content, start, stop - start);
    start = last ? end : end + 1;
  }
  return lines;
}

// Writes every line followed by CR LF; stops at the first failed write.
Status WriteLines(WritableFile& file, const std::vector<std::string>& lines) {
  std::string batch;
  batch.reserve(kWriteBatch + 256);
  for (const std::string& line : lines) {
    batch += line;
    batch += kLineEnd;
    if (batch.size() >= kWriteBatch) {
      if (Status s = file.Write(AsBytes(batch)); !s.ok()) return s;
      batch.clear();
    }
  }
  if (!batch.empty()) return file.Write(AsBytes(batch));
  return Status::Ok();
}

class LogFlush {
 public:
  LogFlush(FileSystem& fs, const ShowLogError& show_error, std::string path, bool& failed)
      : fs_(fs), show_error_(show_error), path_(std::move(path)), failed_(failed) {}

  // Sets the mark before the modal box: a flush nested in the box must find it set.
  void Fail(const char* what) {
    failed_ = true;
    if (show_error_) show_error_(std::string(what) + Quoted(path_));
  }

  void Append(const std::vector<std::string>& lines) {
    Result<std::unique_ptr<WritableFile>> file = fs_.OpenAppend(path_);
    // Only a missing file is created afresh: creating over an existing log that merely
    // refused the append would empty it.
    if (!file.ok() && file.error().kind == ErrorKind::kNotFound) {
      Result<DirEntry> st = fs_.Stat(path_);
      if (!st.ok() && st.error().kind == ErrorKind::kNotFound) file = fs_.Create(path_);
    }
    if (!file.ok()) return Fail("Can not create the log file ");
    if (!WriteLines(*file.value(), lines).ok() || !file.value()->Close().ok())
      Fail("Can not save the log file ");
  }

  // The trimmed content goes to a temporary file that replaces the log only when complete,
  // so a failure during the trim leaves the old log whole.
  void Rewrite(const std::vector<std::string>& lines) {
    Result<std::unique_ptr<AtomicReplace>> replace = AtomicReplace::Begin(fs_, path_);
    if (!replace.ok()) replace = AtomicReplace::Begin(fs_, path_);
    if (!replace.ok()) return Fail("Can not create the log file ");
    if (!WriteLines(replace.value()->file(), lines).ok() || !replace.value()->Commit().ok())
      Fail("Can not save the log file ");
  }

  const std::string& path() const { return path_; }

 private:
  FileSystem& fs_;
  const ShowLogError& show_error_;
  std::string path_;
  bool& failed_;
};

}  // namespace

bool LogKindEnabled(const LogOptions& options, LogKind kind) {
  if (!options.create) return false;
  switch (kind) {
    case LogKind::kInfo:
      return options.info;
    case LogKind::kError:
      return options.errors;
    case LogKind::kDelete:
      return options.deletes;
    case LogKind::kSuccess:
      return options.success;
  }
  return false;
}

std::string FormatLogLine(LogKind kind, const std::string& text, TDateTime now,
                          const RegionalFormats& formats) {
  std::string line = DateTimeToDisplay(now, formats);
  line += ' ';
  line += PrefixOf(kind);
  const size_t body = line.size();
  line += text;
  // A file name may hold a line break; one record must stay one line of the file.
  for (size_t i = body; i < line.size(); ++i)
    if (line[i] == '\r' || line[i] == '\n') line[i] = ' ';
  return line;
}

void WriteLog(const LogOptions& options, LogKind kind, const std::string& text, TDateTime now,
              const RegionalFormats& formats, std::vector<std::string>& log_buffer) {
  if (!LogKindEnabled(options, kind)) return;
  log_buffer.push_back(FormatLogLine(kind, text, now, formats));
}

std::string LogFilePath(const std::string& dir) {
  return AddDirSeparator(dir) + kLogFileName;
}

int64_t LogBudget(int64_t limit_kb) {
  return static_cast<int64_t>(
      std::llround(static_cast<double>(limit_kb) * 1024.0 - static_cast<double>(limit_kb) * 103.0));
}

void TrimToBudget(std::vector<std::string>& lines, int64_t budget) {
  int64_t total = 0;
  for (size_t i = lines.size(); i-- > 0;) {
    total += static_cast<int64_t>(lines[i].size());
    if (total > budget) {
      lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void FlushLog(FileSystem& fs, const ShowLogError& show_error, const LogOptions& options,
              std::vector<std::string>& log_buffer, bool& log_write_failed) {
  // The buffer is taken whole before any file work: records made while an error box is open
  // go to a fresh buffer, and a nested flush cannot pull lines from under this one.
  std::vector<std::string> lines;
  lines.swap(log_buffer);
  if (!options.create || log_write_failed || lines.empty()) return;

  LogFlush flush(fs, show_error, LogFilePath(options.dir), log_write_failed);

  bool loaded = false;
  if (options.limit_size && options.limit_kb > 0) {
    Result<DirEntry> st = fs.Stat(flush.path());
    const int64_t size = st.ok() && !st.value().is_directory() ? st.value().size : 0;
    loaded = size / 1024 >= options.limit_kb;
  }

  if (loaded) {
    Result<std::unique_ptr<ReadableFile>> file = fs.OpenRead(flush.path());
    if (!file.ok()) return flush.Fail("Can not load the log file ");
    Result<std::vector<std::string>> old = ReadLines(*file.value());
    file.value().reset();
    if (old.ok()) {
      std::vector<std::string>& all = old.value();
      all.insert(all.end(), std::make_move_iterator(lines.begin()),
                 std::make_move_iterator(lines.end()));
      TrimToBudget(all, LogBudget(options.limit_kb));
      return flush.Rewrite(all);
    }
    // The old lines could not be read: the new ones are appended untrimmed rather than
    // dropped; the next flush tries the trim again.
  }
  flush.Append(lines);
}

}  // namespace qm
