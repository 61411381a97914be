// The notification-area icon: the program's picture or, while profiles are processed, a
// turning disc; the form's hint; the menu of the form's tray entries; a click shows the window.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <string>

class QSystemTrayIcon;

namespace qm {
class TForm1;
}

namespace qm::qt {

// The shell shows at most 63 characters of a hint.
QString TrayHintText(const std::string& hint);
inline constexpr int kAnimationFrames = 10;
// Frame `index` (0-9) of the animation: a yellow disc whose red sector turns clockwise.
QPixmap AnimationFrame(int index);

class TrayIcon : public QObject {
 public:
  TrayIcon(TForm1& form, QObject* parent);
  ~TrayIcon() override;

  QMenu& menu() { return menu_; }
  int frame() const { return frame_; }  // -1 while the static picture shows

 private:
  void Refresh();
  void NextFrame();

  TForm1& form_;
  QMenu menu_;
  QSystemTrayIcon* icon_;
  QTimer animation_;
  int frame_ = -1;
  int connection_ = 0;
};

}  // namespace qm::qt
