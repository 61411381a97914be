// The notification-area icon: the program's picture or, while profiles are processed, a
// turning disc; the form's hint; the menu of the form's tray entries with its banner; a click
// shows the window. On a desktop without a notification area it waits for one to appear.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

class QSystemTrayIcon;

namespace qm {
class MainWindowController;
}

namespace qm::qt {

// The shell shows at most 63 characters of a hint; its CRs become line breaks.
QString TrayHintText(const std::string& hint);
inline constexpr int kAnimationFrames = 10;
// Frame `index` (0-9) of the animation: a yellow disc whose red sector turns clockwise.
QPixmap AnimationFrame(int index);

inline constexpr int kBannerWidth = 19;
// The menu's margin picture, 19 by 100: a green banner with the product's name in white,
// reading upwards.
QPixmap MenuBannerPixmap();

// A menu with the banner in a left margin, stretched to the menu's height. Where the panel
// draws the menu itself (a StatusNotifierItem menu) the banner is not shown.
class BannerMenu : public QMenu {
 public:
  BannerMenu();
  // The rectangle the banner fills.
  QRect BannerRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap banner_;
};

class TrayIcon : public QObject {
 public:
  TrayIcon(MainWindowController& form, QObject* parent);
  ~TrayIcon() override;

  BannerMenu& menu() { return menu_; }
  int frame() const { return frame_; }  // -1 while the static picture shows
  bool IsShown() const;
  // Shows a balloon message from the icon; false when there is no icon to show it from.
  bool ShowMessage(const QString& title, const QString& text);
  // Overrides the platform's answer whether a notification area exists (tests).
  void SetTrayAvailable(std::function<bool()> available);

 private:
  void Refresh();
  void NextFrame();
  // Shows the icon once the desktop has a notification area.
  void WatchForTray();

  MainWindowController& form_;
  BannerMenu menu_;
  QSystemTrayIcon* icon_;
  QTimer animation_;
  QTimer tray_watch_;
  std::function<bool()> tray_available_;
  int frame_ = -1;
  int connection_ = 0;
};

}  // namespace qm::qt
