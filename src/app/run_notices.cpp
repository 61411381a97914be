// TForm1 as the run's observer for the desktop notification of a failed background profile.
#include "app/qmUnit1.h"
#include "stats/log_writer.h"

namespace qm {

void TForm1::ProfileStarted(const TDataItem& item) noexcept {
  NoticeProfileStarted(item);
  RecordingEngineHost::ProfileStarted(item);
}

void TForm1::ProfileFinished(const TDataItem& item) noexcept {
  RecordingEngineHost::ProfileFinished(item);
  NoticeProfileFinished(item);
}

void TForm1::NoticeProfileStarted(const TDataItem& item) noexcept {
  Notice.ProfileStarted(item.Profile.Name());
}

void TForm1::NoticeProfileFinished(const TDataItem& item) noexcept {
  (void)item;
  const LogOptions options = Log.Options();
  const std::string log_file =
      options.create && options.errors ? LogFilePath(options.dir) : std::string();
  Notice.ProfileFinished(State.Mode == RunMode::kBackground, log_file, loop_.TickCount());
}

}  // namespace qm
