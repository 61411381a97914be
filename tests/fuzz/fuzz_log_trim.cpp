// Feeds arbitrary old log files and buffered lines to the log flush and the trim. Input: one
// byte for the size limit in kilobytes (0-3), one byte for the number of buffered lines, then
// the old file's bytes and the lines, separated by the first "\n\n".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/file_system.h"
#include "stats/log_writer.h"
#include "ui/dialogs.h"

namespace {

using qm::fuzz::ReadAll;
using qm::fuzz::Require;

class SilentDialogs : public qm::ui::Dialogs {
 public:
  int shown = 0;
  void ShowErrorBox(const std::string&) override { ++shown; }
  bool Confirm(const std::string&) override { return false; }
  void ShowInformation(const std::string&) override {}
  bool AskErrorYesNo(const std::string&) override { return false; }
  bool ConfirmOkCancel(const std::string&) override { return false; }
  void ShowApplicationError(const std::string&) override { ++shown; }
  std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseDirectoryToCreate(
      const std::string&, const std::function<bool(const std::string&)>&) override {
    return std::nullopt;
  }
};

const std::string& ScratchDir() {
  static const qm::fuzz::ScratchDirectory dir("quillmor-fuzz-log");
  return dir.path();
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

void CheckTrim(const std::vector<std::string>& lines, int64_t budget) {
  std::vector<std::string> kept = lines;
  qm::TrimToBudget(kept, budget);
  Require(kept.size() <= lines.size());
  // What stays is the newest lines, unchanged and in order.
  for (size_t i = 0; i < kept.size(); ++i)
    Require(kept[kept.size() - 1 - i] == lines[lines.size() - 1 - i]);
  int64_t total = 0, all = 0;
  for (const auto& l : kept) total += static_cast<int64_t>(l.size());
  for (const auto& l : lines) all += static_cast<int64_t>(l.size());
  if (all <= budget) {
    Require(kept.size() == lines.size());
  } else {
    // The oldest kept line is the one that crossed the budget.
    Require(!kept.empty() && total > budget);
    Require(total - static_cast<int64_t>(kept.front().size()) <= budget);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int64_t limit_kb = data[0] % 4;
  const size_t wanted = data[1] % 16;
  const std::string_view body(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t cut = body.find("\n\n");
  const std::string_view old_file = body.substr(0, cut);
  const std::string_view rest = cut == std::string_view::npos ? "" : body.substr(cut + 2);

  std::vector<std::string> buffer;
  for (size_t start = 0; buffer.size() < wanted && start < rest.size();) {
    size_t end = rest.find('\n', start);
    if (end == std::string_view::npos) end = rest.size();
    // Records never hold line breaks of their own.
    std::string line(rest.substr(start, end - start));
    std::erase(line, '\r');
    buffer.push_back(line);
    start = end + 1;
  }
  CheckTrim(buffer, qm::LogBudget(limit_kb) / 64);

  const std::string path = qm::LogFilePath(ScratchDir());
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(old_file.data(), static_cast<std::streamsize>(old_file.size()));
  // A small limit makes the old file reach it now and then, so both paths of the flush run.
  qm::LogOptions options;
  options.dir = ScratchDir();
  options.limit_kb = limit_kb;
  const std::vector<std::string> lines = buffer;
  SilentDialogs dialogs;
  bool failed = false;
  qm::FlushLog(
      qm::PosixFileSystem(), [&](const std::string& t) { dialogs.ShowErrorBox(t); }, options,
      buffer, failed);
  Require(buffer.empty());
  Require(!failed && dialogs.shown == 0);

  const std::string now = ReadAll(path);
  std::string appended;
  for (const auto& l : lines) appended += l + "\r\n";
  // The new lines always end the file; below the limit the old file is only appended to.
  Require(EndsWith(now, appended));
  const bool trimmed = limit_kb > 0 && static_cast<int64_t>(old_file.size()) / 1024 >= limit_kb;
  if (!trimmed) Require(now == std::string(old_file) + appended);
  return 0;
}
