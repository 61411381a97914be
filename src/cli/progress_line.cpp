#include "cli/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "profiles/qmTypes.h"

namespace qm::cli {

namespace {

size_t TerminalWidth() {
  winsize ws{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

}  // namespace

std::string BytesText(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %s", value, kUnits[unit]);
  return buf;
}

std::string ProgressText(const ProgressState& state, size_t width) {
  const int64_t done = std::min(state.files_done, state.files_total);
  std::string line = state.profile + ": " + std::to_string(done) + " of " +
                     std::to_string(state.files_total) + " files, " + BytesText(state.bytes);
  if (!state.current_file.empty()) line += ", " + state.current_file;
  // Never a whole terminal line: writing the last column would wrap on some terminals.
  if (line.size() > width) line = std::string(CutUtf8(line, width));
  return line;
}

void ProgressLine::Draw(const ProgressState& state, bool throttled) {
  if (!enabled_) return;
  const uint64_t now = loop_.TickCount();
  if (throttled && drawn_ && now - last_draw_ < kIntervalMs) return;
  last_draw_ = now;
  const size_t width = std::max<size_t>(TerminalWidth(), 11) - 1;
  err_ << "\r" << ProgressText(state, width) << "\x1b[K" << std::flush;
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (!drawn_) return;
  err_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

}  // namespace qm::cli
