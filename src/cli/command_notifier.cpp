#include "cli/command_notifier.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

extern char** environ;

namespace qm::cli {

CommandNotifier::~CommandNotifier() {
  Reap();
}

void CommandNotifier::ShowNotification(const std::string& title, const std::string& text) {
  Reap();
  // Arguments, never a shell line: profile names may hold any character.
  std::vector<std::string> args{command_, "--app-name=Quillmor", "--", title, text};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, command_.c_str(), nullptr, nullptr, argv.data(), environ) == 0) {
    running_.push_back(pid);
  }
}

void CommandNotifier::WaitForCommands() {
  for (pid_t pid : running_) (void)::waitpid(pid, nullptr, 0);
  running_.clear();
}

void CommandNotifier::Reap() {
  std::erase_if(running_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace qm::cli
