#include "qt/qt_main.h"

#include <QApplication>
#include <QMainWindow>

namespace qm::qt {

int RunWindow(int argc, char** argv, const std::vector<std::string>&, const std::string&) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Quillmor");
  window.resize(690, 445);
  window.show();
  return app.exec();
}

}  // namespace qm::qt
