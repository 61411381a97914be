#include "qt/tray_icon.h"

#include <QAction>
#include <QPainter>
#include <QSystemTrayIcon>

#include "app/qmUnit1.h"
#include "qt/control_binding.h"
#include "qt/image_list.h"

namespace qm::qt {

namespace {
constexpr int kHintLimit = 63;
constexpr int kAnimationMs = 150;
}  // namespace

QString TrayHintText(const std::string& hint) {
  return QString::fromUtf8(hint).left(kHintLimit);
}

QPixmap AnimationFrame(int index) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
  p.setBrush(QColor(0xff, 0xd8, 0x20));
  const QRectF disc(1, 1, 14, 14);
  p.drawEllipse(disc);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd0, 0x20, 0x20));
  // Qt counts angles anticlockwise from three o'clock in sixteenths of a degree; the sector
  // starts at twelve o'clock and moves one tenth of a turn clockwise per frame.
  const int start = (90 - 36 * index) * 16;
  p.drawPie(disc, start, -36 * 16);
  return pixmap;
}

TrayIcon::TrayIcon(TForm1& form, QObject* parent)
    : QObject(parent), form_(form), icon_(new QSystemTrayIcon(this)) {
  struct Entry {
    ui::MenuItem* item;
    int image;
  };
  const Entry entries[] = {{&form.ShowItem, kImgShow},
                           {&form.HideItem, kImgHide},
                           {nullptr, 0},
                           {&form.StartinbackgroundItem, kImgBackgroundStart},
                           {&form.StopItem, kImgBackgroundStop},
                           {nullptr, 0},
                           {&form.CloseItem, kImgClose}};
  for (const Entry& e : entries) {
    if (!e.item) {
      menu_.addSeparator();
      continue;
    }
    QAction* action = Bind(*e.item, &menu_);
    action->setIcon(ImageListIcon(e.image));
    menu_.addAction(action);
  }
  menu_.setToolTipsVisible(true);
  icon_->setContextMenu(&menu_);
  QObject::connect(
      icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
        // The right button opens the menu and never shows the window.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
          form_.Guarded([this] { form_.TrayIconDblClick(); })();
      });
  animation_.setInterval(kAnimationMs);
  QObject::connect(&animation_, &QTimer::timeout, [this] { NextFrame(); });
  connection_ = form_.TrayChanged.Connect([this] { Refresh(); });
  icon_->setIcon(ApplicationIcon());
  Refresh();
  if (QSystemTrayIcon::isSystemTrayAvailable()) icon_->show();
}

TrayIcon::~TrayIcon() {
  form_.TrayChanged.Disconnect(connection_);
}

void TrayIcon::Refresh() {
  icon_->setToolTip(TrayHintText(form_.TrayHint()));
  if (form_.TrayAnimated() && !animation_.isActive()) {
    frame_ = -1;
    NextFrame();
    animation_.start();
  } else if (!form_.TrayAnimated() && animation_.isActive()) {
    animation_.stop();
    frame_ = -1;
    icon_->setIcon(ApplicationIcon());
  }
}

void TrayIcon::NextFrame() {
  frame_ = (frame_ + 1) % kAnimationFrames;
  icon_->setIcon(QIcon(AnimationFrame(frame_)));
}

}  // namespace qm::qt
