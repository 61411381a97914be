#include "qt/qt_main.h"

#include <QApplication>
#include <exception>

#include "app/qmUnit1.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/global_atom.h"
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

}  // namespace

int RunWindow(int argc, char** argv, const std::vector<std::string>& window_args,
              const std::string& store_path) {
  // Added before anything else and removed as the very last step, also after an error.
  GlobalAtom atom(kAtomName);
  QuillmorApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setWindowIcon(ApplicationIcon());
  // Hiding the window to the notification area is not the end of the program; only a
  // confirmed close ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // The help button opens this file beside the store (the executable's help in a portable
  // install).
  app.setProperty("helpFile", QString::fromUtf8(kHelpFileName));

  QtMessageLoop loop;
  QtDialogs dialogs;
  app.dialogs = &dialogs;
  WindowHandle handle;
  TForm1 form(PosixFileSystem(), SystemClock(), loop, dialogs, RegionalFormats::FromLocale(),
              StorePath(store_path), window_args, handle);
  {
    // The widgets follow the form's controls, so they go first.
    MainWindow window(form);
    new ProfilePage(window, form.Editor);  // owned by the window
    dialogs.set_parent(&window);
    handle.Attach(&window);
    handle.ShowWindow();
    loop.Run();
    handle.Attach(nullptr);
    dialogs.set_parent(nullptr);
  }
  app.dialogs = nullptr;
  return 0;
}

}  // namespace qm::qt
