#include "cli/restore_command.h"

#include <ostream>

#include "app/restore_job.h"
#include "cli/command_line.h"
#include "cli/profile_job.h"

namespace qm::cli {

int RestoreFiles(const RestoreRequest& request, std::ostream& out, std::ostream& err) {
  JobOptions options;
  options.store_path = request.store_path;
  options.name = request.name;
  options.dry_run = request.dry_run;
  options.verbose = request.verbose;
  options.progress = request.progress;
  options.fs = request.fs;
  ProfileJob job(options, out, err);
  if (const int status = job.Open(); status != kExitOk) return status;
  const RestoreTally tally = RestoreProfile(
      job, job.profile(),
      {request.as_of, request.to, request.overwrite, request.dry_run, request.lock_directory});
  const std::string log_line = job.Finish();
  if (!request.quiet) out << RestoreSummary(tally) << "\n" << log_line << "\n";
  out.flush();
  if (Interrupted()) return InterruptExitStatus();
  return tally.failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace qm::cli
