#include "cli/profile_listing.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "app/run_session.h"
#include "cli/console_dialogs.h"
#include "platform/date_time.h"
#include "profiles/profile_store.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

namespace {

std::string FormatDateTime(TDateTime value) {
  const DateParts p = DecodeDateTime(value);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return buf;
}

// A time of day, or a duration: whole hours beyond a day keep counting (36:00:00) so that no
// stored interval is shown wrongly; milliseconds are dropped.
std::string FormatTime(TDateTime value) {
  const long long ms = std::llround(value * kMsPerDay);
  const long long total = (ms < 0 ? -ms : ms) / 1000;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", ms < 0 ? "-" : "", total / 3600,
                total / 60 % 60, total % 60);
  return buf;
}

std::string FieldText(const ProfileRow& row, ProfileField field) {
  using F = ProfileField;
  switch (field) {
    case F::Enabled:
      return row.Enabled ? "1" : "0";
    case F::Name:
      return EscapeText(row.Name);
    case F::SrcDir:
      return EscapeText(row.SrcDir);
    case F::DestDir:
      return EscapeText(row.DestDir);
    case F::FileMask:
      return EscapeText(row.FileMask);
    case F::InclDirs:
      return row.InclDirs ? "1" : "0";
    case F::CopyCriteria:
      return std::to_string(row.CopyCriteria);
    case F::SyncMethod:
      return std::to_string(row.SyncMethod);
    case F::LastRun:
      return FormatDateTime(row.LastRun);
    case F::NextRun:
      return FormatDateTime(row.NextRun);
    case F::KeepCopyKind:
      return std::to_string(row.KeepCopyKind);
    case F::PSDone:
      return std::to_string(row.PSDone);
    case F::doZIP:
      return row.doZIP ? "1" : "0";
    case F::zipMode:
      return std::to_string(row.zipMode);
    case F::RemoveDeleted:
      return row.RemoveDeleted ? "1" : "0";
    case F::UseStartTimeEndTime:
      return row.UseStartTimeEndTime ? "1" : "0";
    case F::StartTime:
      return FormatTime(row.StartTime);
    case F::FinishTime:
      return FormatTime(row.FinishTime);
    case F::Interval:
      return FormatTime(row.Interval);
  }
  return {};
}

}  // namespace

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ListingHeader() {
  std::string line;
  for (ProfileField f : AllProfileFields()) {
    if (!line.empty()) line += '\t';
    line += FieldName(f);
  }
  return line;
}

std::string ListingLine(const ProfileRow& row) {
  std::string line;
  for (ProfileField f : AllProfileFields()) {
    if (f != ProfileField::Enabled) line += '\t';
    line += FieldText(row, f);
  }
  return line;
}

int ListProfiles(const std::string& store_path, std::ostream& out, std::ostream& err) {
  // The table is loaded by a run session, as the window loads it, checks included, so the list
  // shows what the program would work with.
  ConsoleDialogs dialogs(err);
  ui::HeadlessMessageLoop loop;
  const RunSession session(PosixFileSystem(), SystemClock(), loop, dialogs, RegionalFormats{},
                           store_path);
  const ProfileTable& table = session.profile_table;
  const LoadResult& loaded = session.StoreLoad();
  if (loaded.existed && !loaded.opened) {
    err << "quillmor: cannot read the profile store " << store_path << ": " << loaded.error << "\n";
    return 1;
  }

  out << ListingHeader() << "\n";
  for (size_t i = 0; i < table.RecordCount(); ++i) out << ListingLine(table.Row(i)) << "\n";
  out.flush();
  if (!loaded.existed) return 0;
  if (!loaded.complete) {
    err << "quillmor: cannot read the profile store " << store_path;
    if (!loaded.error.empty()) err << ": " << loaded.error;
    err << " (" << loaded.rows_loaded << " profiles read before it)";
    err << "\n";
    return 1;
  }
  return 0;
}

}  // namespace qm::cli
