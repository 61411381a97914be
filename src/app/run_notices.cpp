// The window's observer of a run for the desktop notification of a failed background profile.
#include "app/qmUnit1.h"
#include "stats/log_writer.h"

namespace qm {

void TForm1::RunNotices::ProfileStarted(const TDataItem& item) noexcept {
  form_.Notice.ProfileStarted(item.Profile.Name());
}

void TForm1::RunNotices::ProfileFinished(const TDataItem& /*item*/) noexcept {
  const LogOptions options = form_.Log.Options();
  const std::string log_file =
      options.create && options.errors ? LogFilePath(options.dir) : std::string();
  form_.Notice.ProfileFinished(form_.State.Mode == RunMode::kBackground, log_file,
                               form_.loop_.TickCount());
}

}  // namespace qm
