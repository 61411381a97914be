#include "cli/background_command.h"

#include <unistd.h>

#include <ostream>

#include "app/run_session.h"
#include "app/stored_log_options.h"
#include "cli/command_notifier.h"
#include "cli/console_dialogs.h"
#include "cli/signals.h"
#include "platform/app_paths.h"
#include "platform/path_style.h"
#include "profiles/log_kind.h"
#include "stats/log_writer.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

namespace {

// How often the loop looks for a received signal when no signal pipe could be made; inside a
// copy the engine's own update looks at every block.
constexpr uint32_t kSignalWatchMs = 200;

// Nobody answers: no box waits for a click.
class ServiceDialogs : public ConsoleDialogs {
 public:
  using ConsoleDialogs::ConsoleDialogs;
  void ShowInformation(const std::string&) override {}
};

// Where a background run stops after a signal: the engine's update between files and blocks.
class InterruptWatch final : public RunObserver {
 public:
  void Update() override { AbandonIfInterrupted(); }
};

// The store's folder with its separator, "./" for a store named bare.
std::string StoreFolder(const std::string& store) {
  const std::string_view dir = DirectoryPart(store);
  return dir.empty() ? "./" : std::string(dir);
}

}  // namespace

int RunBackground(const BackgroundRequest& request, std::ostream& err) {
  InterruptHandling interrupts;
  ui::HeadlessMessageLoop loop;
  ServiceDialogs dialogs(err);
  CommandNotifier notifier;  // outlives the session, which holds it
  const std::string store = StorePath(request.store_path);
  FileSystem& fs = PosixFileSystem();
  const RegionalFormats formats = RegionalFormats::FromLocale();
  RunSession session(fs, SystemClock(), loop, dialogs, formats, store);
  LogOptions log_options = LoadStoredLogOptions(Registry(ConfigDirectory(), fs));
  // The window fills this in after its first show; the log goes where it would.
  if (log_options.dir.empty()) log_options.dir = StoreFolder(store);
  session.SetLogOptions(std::move(log_options));

  // A full disk goes on with the next file: the background mode asks no break question. The
  // records are echoed for -v.
  session.SetBreakDialogs(nullptr);
  if (request.verbose) {
    session.RecordMade.Connect([&](LogKind kind, const std::string& text) {
      err << FormatLogLine(kind, text, session.clock().Now(), formats) << "\n" << std::flush;
    });
  }
  InterruptWatch interrupt_watch;
  RunFailureReport failures(dialogs);
  session.Watch(interrupt_watch);
  session.Watch(failures);
  session.notice.SetNotifier(&notifier);
  if (!session.StartBackgroundMode()) return 1;
  if (request.verbose) err << "quillmor: background mode started for " << store << "\n";

  const int signal_fd = InterruptDescriptor();
  auto stop_if_interrupted = [&] {
    char drained[16];
    while (signal_fd >= 0 && read(signal_fd, drained, sizeof drained) > 0) {
    }
    if (!Interrupted() || session.state.Mode != RunMode::kBackground) return;
    // The stop flushes the log; a copy under way is abandoned by the engine's next update.
    session.StopBackgroundMode();
    loop.Quit();
  };
  // The signal wakes the sleeping loop through its pipe; an idle background mode has no timer
  // of its own to look for it.
  const bool woken = loop.WatchDescriptor(signal_fd, stop_if_interrupted);
  ui::Timer watch(loop, "SignalWatch", kSignalWatchMs, !woken);
  watch.OnTimer = stop_if_interrupted;
  loop.Run();
  watch.SetEnabled(false);
  loop.UnwatchDescriptor(signal_fd);
  session.FlushLog();
  if (request.verbose) err << "quillmor: background mode stopped\n";
  return 0;
}

}  // namespace qm::cli
