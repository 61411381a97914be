// The progress line of a headless run on a terminal: the profile, the source files done of
// those to do, the bytes written and the current file, cut to the terminal's width. It lives on
// stderr, is redrawn a few times a second at most, and is cleared before any other output.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
#include "ui/message_loop.h"

namespace qm::cli {

// What the line shows, kept by the run's observer.
struct ProgressState {
  std::string profile;
  int64_t files_done = 0;   // source files handled: copied, packed, failed or up to date
  int64_t files_total = 0;  // source files of the profile
  int64_t bytes = 0;        // bytes written by the run so far, the current file's included
  std::string current_file;
};

// "<profile>: <done> of <total> files, <bytes>, <current file>", cut to `width` columns.
std::string ProgressText(const ProgressState& state, size_t width);

// The longest start of `text` that takes at most `width` terminal columns: wide characters
// take two, combining marks none, and no character is split. Control characters and bytes
// that are no UTF-8 show as '?'.
std::string FitToColumns(std::string_view text, size_t width);

// "512 B", "1.5 KiB", "12.0 MiB", "3.2 GiB".
std::string BytesText(int64_t bytes);

class ProgressLine {
 public:
  // Draws nothing unless `enabled`: stderr must be a terminal.
  ProgressLine(ui::MessageLoop& loop, std::ostream& err, bool enabled)
      : loop_(loop), err_(err), enabled_(enabled) {}
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Draws now, or at most every few hundred milliseconds when `throttled`.
  void Draw(const ProgressState& state, bool throttled);
  // Removes the line, so that other output starts on a clean line.
  void Clear();

 private:
  static constexpr uint64_t kIntervalMs = 200;

  ui::MessageLoop& loop_;
  std::ostream& err_;
  const bool enabled_;
  uint64_t last_draw_ = 0;
  bool drawn_ = false;
};

}  // namespace qm::cli
