#include "cli/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "platform/size_text.h"
#include "platform/utf8.h"

namespace qm::cli {

namespace {

size_t TerminalWidth() {
  winsize ws{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

struct Range {
  char32_t first, last;
};

bool InRanges(char32_t c, std::span<const Range> ranges) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](const Range& r) { return c >= r.first && c <= r.last; });
}

// Marks drawn onto the character before them, and invisible joiners and selectors.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489},   {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},   {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x200B, 0x200F}, {0x2060, 0x2064},   {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF}, {0xE0000, 0xE01EF},
};

// East Asian wide and full-width characters and emoji: two terminal columns each.
constexpr Range kDoubleWidth[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},
    {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},
    {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},   {0x26D4, 0x26D4},
    {0x26EA, 0x26EA},   {0x26F2, 0x26F5},   {0x26FA, 0x26FD},   {0x2705, 0x2705},
    {0x270A, 0x270B},   {0x2728, 0x2728},   {0x274C, 0x274E},   {0x2753, 0x2757},
    {0x2795, 0x2797},   {0x27B0, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B55},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004},
    {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251},
    {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F9FF},
    {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

size_t Columns(char32_t c) {
  if (InRanges(c, kZeroWidth)) return 0;
  return InRanges(c, kDoubleWidth) ? 2 : 1;
}

}  // namespace

std::string FitToColumns(std::string_view text, size_t width) {
  std::string out;
  size_t used = 0;
  for (size_t at = 0; at < text.size();) {
    size_t length = 1;
    const std::optional<char32_t> c = DecodeUtf8(text, at, length);
    // A file name may hold control characters or bytes that are no UTF-8: drawn raw they would
    // move the cursor or garble the terminal.
    const bool shown = c && *c >= 0x20 && (*c < 0x7F || *c > 0x9F);
    const size_t columns = shown ? Columns(*c) : 1;
    if (used + columns > width) break;
    if (shown) {
      out.append(text.substr(at, length));
    } else {
      out += '?';
    }
    used += columns;
    at += length;
  }
  return out;
}

std::string BytesText(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  return ScaledSizeText(bytes, {"KiB", "MiB", "GiB", "TiB"});
}

std::string ProgressText(const ProgressState& state, size_t width) {
  const int64_t done = std::min(state.files_done, state.files_total);
  std::string line = state.profile + ": " + std::to_string(done) + " of " +
                     std::to_string(state.files_total) + " files, " + BytesText(state.bytes);
  if (!state.current_file.empty()) line += ", " + state.current_file;
  return FitToColumns(line, width);
}

void ProgressLine::Draw(const ProgressState& state, bool throttled) {
  if (!enabled_) return;
  const uint64_t now = loop_.TickCount();
  if (throttled && drawn_ && now - last_draw_ < kIntervalMs) return;
  last_draw_ = now;
  // Never a whole terminal line: writing the last column would wrap on some terminals.
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
