#include "cli/background_command.h"

#include <ostream>

#include "app/main_form_state.h"
#include "app/qmUnit1.h"
#include "cli/command_notifier.h"
#include "cli/console_dialogs.h"
#include "cli/form_host.h"
#include "cli/signals.h"
#include "platform/app_paths.h"
#include "stats/log_writer.h"
#include "ui/headless_message_loop.h"

namespace qm::cli {

namespace {

// How often the loop looks for a received signal while the engine waits for work; inside a
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

// The main window as the engine's host, with the signal check where a run can stop and the
// records echoed for -v. A full disk goes on with the next file: the background mode asks no
// break question. The window's failure notice follows the profiles.
class ServiceHost : public FormHost {
 public:
  ServiceHost(TForm1& form, Clock& clock, std::ostream* echo)
      : FormHost(form), clock_(clock), echo_(echo) {
    Watch(form.NoticeEvents());
    Watch(interrupts_);
  }
  void WriteLog(TLogKind kind, const std::string& text) override {
    if (echo_ != nullptr)
      *echo_ << FormatLogLine(kind, text, clock_.Now(), formats_) << "\n" << std::flush;
    form_.WriteLog(kind, text);
  }

 private:
  Clock& clock_;
  std::ostream* echo_;
  const RegionalFormats formats_ = RegionalFormats::FromLocale();
  InterruptWatch interrupts_;
};

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace

int RunBackground(const BackgroundRequest& request, std::ostream& err) {
  InterruptHandling interrupts;
  ui::HeadlessMessageLoop loop;
  ServiceDialogs dialogs(err);
  HiddenWindow window;
  CommandNotifier notifier;  // outlives the form, which holds it
  const std::string store = StorePath(request.store_path);
  TForm1 form(PosixFileSystem(), SystemClock(), loop, dialogs, RegionalFormats::FromLocale(), store,
              {}, window);
  LoadStoredLogOptions(form.registry, form.Log);
  // The window fills this in after its first show; the log goes where it would.
  if (form.Log.deLogDir.Text().empty()) form.Log.deLogDir.SetText(DirectoryOf(store));

  ServiceHost host(form, SystemClock(), request.verbose ? &err : nullptr);
  form.SetEngineHost(&host);
  form.Notice.SetNotifier(&notifier);
  form.bStartBackgroundClick();
  if (form.State.Mode != RunMode::kBackground) {
    form.SetEngineHost(nullptr);
    return 1;
  }
  if (request.verbose) err << "quillmor: background mode started for " << store << "\n";

  ui::Timer watch(loop, "SignalWatch", kSignalWatchMs, true);
  watch.OnTimer = [&] {
    if (!Interrupted() || form.State.Mode != RunMode::kBackground) return;
    // The stop flushes the log; a copy under way is abandoned by the engine's next update.
    form.bStartBackgroundClick();
    loop.Quit();
  };
  loop.Run();
  watch.SetEnabled(false);
  FlushLog(PosixFileSystem(), dialogs, form.Log.Options(), form.LogBuffer, form.LogWriteFailed);
  form.SetEngineHost(nullptr);
  if (request.verbose) err << "quillmor: background mode stopped\n";
  return 0;
}

}  // namespace qm::cli
