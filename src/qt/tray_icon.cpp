#include "qt/tray_icon.h"

#include <QAction>
#include <QPainter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <array>

#include "app/main_window_controller.h"
#include "qt/control_binding.h"
#include "qt/image_list.h"
#include "qt/qt_dialogs.h"

namespace qm::qt {

namespace {
constexpr int kHintLimit = 63;
constexpr int kAnimationMs = 150;
// A panel started after the program is found within this time.
constexpr int kTrayWatchMs = 2000;
constexpr int kBannerHeight = 100;
}  // namespace

QString TrayHintText(const std::string& hint) {
  QString text = QString::fromUtf8(hint);
  // The limit counts the hint's own characters, CR included, so the cut comes first.
  if (text.size() > kHintLimit) {
    // A character outside the basic plane takes two units; it is not cut in half.
    text.truncate(text.at(kHintLimit - 1).isHighSurrogate() ? kHintLimit - 1 : kHintLimit);
  }
  return QtLineBreaks(std::move(text));
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

QPixmap MenuBannerPixmap() {
  QPixmap pixmap(kBannerWidth, kBannerHeight);
  pixmap.fill(QColor(0x1e, 0x8c, 0x3a));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont font = p.font();
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  // Turned a quarter anticlockwise, the text reads from bottom to top, ending near the top.
  p.translate(0, kBannerHeight);
  p.rotate(-90);
  p.drawText(QRect(4, 0, kBannerHeight - 8, kBannerWidth), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Quillmor"));
  p.end();
  return pixmap;
}

BannerMenu::BannerMenu() : banner_(MenuBannerPixmap()) {
  setContentsMargins(kBannerWidth, 0, 0, 0);
}

QRect BannerMenu::BannerRect() const {
  const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
  return QRect(frame, frame, kBannerWidth, height() - 2 * frame);
}

void BannerMenu::paintEvent(QPaintEvent* event) {
  QMenu::paintEvent(event);
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawPixmap(BannerRect(), banner_);
}

TrayIcon::TrayIcon(MainWindowController& form, QObject* parent)
    : QObject(parent),
      form_(form),
      icon_(new QSystemTrayIcon(this)),
      tray_available_(&QSystemTrayIcon::isSystemTrayAvailable) {
  struct Entry {
    ui::MenuItem* item;
    int image;
  };
  const Entry entries[] = {{&form.show_menu_item, kImgShow},
                           {&form.hide_menu_item, kImgHide},
                           {nullptr, 0},
                           {&form.start_background_menu_item, kImgBackgroundStart},
                           {&form.stop_menu_item, kImgBackgroundStop},
                           {nullptr, 0},
                           {&form.backup_checks.tray_restore_menu_item, -1},
                           {&form.backup_checks.tray_verify_menu_item, -1},
                           {nullptr, 0},
                           {&form.close_menu_item, kImgClose}};
  for (const Entry& e : entries) {
    if (!e.item) {
      menu_.addSeparator();
      continue;
    }
    QAction* action = Bind(*e.item, &menu_);
    if (e.image >= 0) action->setIcon(ImageListIcon(e.image));
    menu_.addAction(action);
  }
  menu_.setToolTipsVisible(true);
  // Restore and verify follow the run state, which has no event of its own for them.
  QObject::connect(&menu_, &QMenu::aboutToShow,
                   [this] { form_.Guarded([this] { form_.backup_checks.UpdateItems(); })(); });
  icon_->setContextMenu(&menu_);
  QObject::connect(
      icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
        // The right button opens the menu and never shows the window.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
          form_.Guarded([this] { form_.ShowFromTray(); })();
      });
  animation_.setInterval(kAnimationMs);
  QObject::connect(&animation_, &QTimer::timeout, [this] { NextFrame(); });
  connection_ = form_.TrayChanged.Connect([this] { Refresh(); });
  QObject::connect(icon_, &QSystemTrayIcon::messageClicked,
                   [this] { form_.Guarded([this] { form_.ShowFromTray(); })(); });
  icon_->setIcon(ApplicationIcon());
  Refresh();
  tray_watch_.setInterval(kTrayWatchMs);
  QObject::connect(&tray_watch_, &QTimer::timeout, [this] { WatchForTray(); });
  WatchForTray();
}

void TrayIcon::SetTrayAvailable(std::function<bool()> available) {
  tray_available_ = std::move(available);
  WatchForTray();
}

void TrayIcon::WatchForTray() {
  if (tray_available_()) {
    const bool waited = tray_watch_.isActive();
    tray_watch_.stop();
    icon_->show();
    if (waited) form_.Guarded([this] { form_.TrayAppeared(); })();
  } else if (!tray_watch_.isActive()) {
    tray_watch_.start();
  }
}

bool TrayIcon::IsShown() const {
  return icon_->isVisible();
}

bool TrayIcon::ShowMessage(const QString& title, const QString& text) {
  if (!icon_->isVisible() || !QSystemTrayIcon::supportsMessages()) return false;
  icon_->showMessage(title, text, QSystemTrayIcon::Warning);
  return true;
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
  // Drawn once: the animation runs for as long as profiles are processed.
  static const std::array<QIcon, kAnimationFrames> frames = [] {
    std::array<QIcon, kAnimationFrames> icons;
    for (int i = 0; i < kAnimationFrames; ++i) icons[static_cast<size_t>(i)] = AnimationFrame(i);
    return icons;
  }();
  frame_ = (frame_ + 1) % kAnimationFrames;
  icon_->setIcon(frames[static_cast<size_t>(frame_)]);
}

}  // namespace qm::qt
