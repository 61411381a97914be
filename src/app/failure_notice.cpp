#include "app/failure_notice.h"

namespace qm {

FailureNoticeText MakeFailureNoticeText(const std::string& profile, int64_t errors,
                                        const std::string& log_file) {
  FailureNoticeText notice;
  notice.title = "Quillmor: errors in \"" + profile + "\"";
  notice.text = "The background run of \"" + profile + "\" recorded " + std::to_string(errors) +
                (errors == 1 ? " error. " : " errors. ");
  notice.text += log_file.empty() ? "The log is off, so the errors were not written down."
                                  : "See the log file " + log_file + ".";
  return notice;
}

void FailureNotice::ProfileStarted(const std::string& profile) {
  profile_ = profile;
  errors_ = 0;
}

void FailureNotice::ProfileFinished(bool background_mode, const std::string& log_file,
                                    uint64_t now_ms) {
  const int64_t errors = errors_;
  errors_ = 0;
  if (!background_mode || errors == 0 || !notifier_) return;
  const auto last = last_notice_.find(profile_);
  if (last != last_notice_.end() && now_ms - last->second < kFailureNoticePauseMs) return;
  last_notice_[profile_] = now_ms;
  const FailureNoticeText notice = MakeFailureNoticeText(profile_, errors, log_file);
  notifier_->ShowNotification(notice.title, notice.text);
}

}  // namespace qm
