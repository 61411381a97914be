#include "cli/verify_command.h"

#include <ostream>
#include <vector>

#include "app/verify_job.h"
#include "cli/command_line.h"
#include "cli/profile_job.h"

namespace qm::cli {
namespace {

JobOptions OptionsFor(const VerifyRequest& request, const std::string& name) {
  JobOptions options;
  options.store_path = request.store_path;
  options.name = name;
  options.verbose = request.verbose;
  options.progress = request.progress;
  options.quiet = request.quiet;
  options.fs = request.fs;
  return options;
}

}  // namespace

int VerifyBackups(const VerifyRequest& request, std::ostream& out, std::ostream& err) {
  // Every name is looked up before anything is read: a typo verifies nothing.
  for (const std::string& name : request.names) {
    ProfileJob job(OptionsFor(request, name), out, err);
    if (const int status = job.Open(); status != kExitOk) return status;
  }
  VerifyTally tally;
  std::vector<std::string> log_lines;
  for (const std::string& name : request.names) {
    if (Interrupted()) break;
    ProfileJob job(OptionsFor(request, name), out, err);
    if (const int status = job.Open(); status != kExitOk) return status;
    VerifyProfile(job, job.profile(), request.lock_directory, tally);
    log_lines.push_back(job.Finish());
    if (Interrupted()) break;
  }
  if (!request.quiet) {
    out << VerifySummary(tally) << "\n";
    if (!log_lines.empty()) out << log_lines.back() << "\n";
  }
  out.flush();
  if (Interrupted()) return InterruptExitStatus();
  return tally.Bad() ? kExitFailed : kExitOk;
}

}  // namespace qm::cli
