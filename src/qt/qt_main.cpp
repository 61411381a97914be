#include "qt/qt_main.h"

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <exception>
#include <memory>

#include "app/main_window_controller.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/global_atom.h"
#include "qt/desktop_notifier.h"
#include "qt/image_list.h"
#include "qt/main_window.h"
#include "qt/profile_page.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_message_loop.h"

namespace qm::qt {

namespace {

// Qt cannot let an exception pass through its event loop; one that escapes a handler is shown
// in the application's standard error box and the program goes on.
class QuillmorApplication : public QApplication {
 public:
  using QApplication::QApplication;
  QtDialogs* dialogs = nullptr;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      if (dialogs) dialogs->ShowApplicationError(ui::ApplicationErrorText(e.what()));
      return false;
    }
  }
};

// A termination signal is turned into a byte on this pipe, so the program ends from its own
// message loop instead of from inside the signal handler.
int g_signal_pipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(g_signal_pipe[1], &byte, 1);
}

// Log-out, shutdown and Ctrl+C end the session under the program: the profiles are saved
// rather than lost.
std::unique_ptr<QSocketNotifier> WatchTerminationSignals(MainWindowController& form) {
  if (pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(g_signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [&form] {
    char buffer[16];
    while (read(g_signal_pipe[0], buffer, sizeof buffer) > 0) {
    }
    form.Guarded([&form] { form.EndSession(); })();
  });
  return notifier;
}

}  // namespace

int RunWindow(int argc, char** argv, const std::vector<std::string>& window_args,
              const std::string& store_path) {
  // Added before anything else and removed as the very last step, also after an error.
  FileSystem& fs = PosixFileSystem();
  GlobalAtom atom(kAtomName, fs);
  QuillmorApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setWindowIcon(ApplicationIcon());
  // Lets the desktop match the window with the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopId));
  // Hiding the window to the notification area is not the end of the program; only a
  // confirmed close ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // The help command opens the installed file of this name, or the one beside the executable.
  app.setProperty("helpFile", QString::fromUtf8(kHelpFileName));

  QtMessageLoop loop;
  QtDialogs dialogs;
  app.dialogs = &dialogs;
  WindowHandle handle;
  MainWindowController form(fs, SystemClock(), loop, dialogs, RegionalFormats::FromLocale(),
                            StorePath(store_path), window_args, handle);
  {
    // The widgets follow the form's controls, so they go first.
    MainWindow window(form);
    new ProfilePage(window, form.editor);  // owned by the window
    dialogs.set_parent(&window);
    handle.Attach(&window);
    const auto signals_watch = WatchTerminationSignals(form);
    handle.ShowWindow();
    loop.Run();
    handle.Attach(nullptr);
    dialogs.set_parent(nullptr);
  }
  app.dialogs = nullptr;
  return 0;
}

}  // namespace qm::qt
