#include "qt/image_list.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace qm::qt {

namespace {

const QColor kGreen(0x1e, 0x9e, 0x3c);
const QColor kRed(0xc8, 0x28, 0x28);
const QColor kBlue(0x2a, 0x5d, 0xb0);
const QColor kOutline(0x30, 0x30, 0x30);

void Triangle(QPainter& p, const QRectF& r, const QColor& fill) {
  QPolygonF tri;
  tri << QPointF(r.left(), r.top()) << QPointF(r.right(), r.center().y())
      << QPointF(r.left(), r.bottom());
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  p.drawPolygon(tri);
}

void Square(QPainter& p, const QRectF& r, const QColor& fill) {
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, 1.5, 1.5);
}

void Window(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kOutline, 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.setBrush(kBlue);
  p.drawRect(QRectF(r.left(), r.top(), r.width(), 3));
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& color) {
  p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(from, to);
  const QPointF d = to - from;
  const QPointF back = d / std::max(1.0, std::hypot(d.x(), d.y())) * 4.0;
  const QPointF side(-back.y(), back.x());
  p.drawLine(to, to - back + side);
  p.drawLine(to, to - back - side);
}

}  // namespace

QPixmap ImageListPixmap(int index) {
  QPixmap pixmap(kImageSize, kImageSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (index) {
    // Blue for the one-off run, green for the background mode.
    case 0:
      Triangle(p, QRectF(5, 3, 11, 13), kBlue);
      break;
    case 1:
      Square(p, QRectF(4, 4, 11, 11), kBlue);
      break;
    case 2:
      Triangle(p, QRectF(5, 3, 11, 13), kGreen);
      break;
    case 3:
      Square(p, QRectF(4, 4, 11, 11), kGreen);
      break;
    case 4:
      // A window with an arrow down to the notification area.
      Window(p, QRectF(2.5, 1.5, 14, 9));
      Arrow(p, QPointF(9.5, 11), QPointF(9.5, 17), kOutline);
      break;
    case 5:
      // A window with an arrow up into it.
      Window(p, QRectF(2.5, 8.5, 14, 9));
      Arrow(p, QPointF(9.5, 8), QPointF(9.5, 1.5), kOutline);
      break;
    case 6:
      p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(5, 5), QPointF(14, 14));
      p.drawLine(QPointF(14, 5), QPointF(5, 14));
      break;
    default:
      break;
  }
  return pixmap;
}

QIcon ImageListIcon(int index) {
  if (index < 0 || index >= kImageCount) return QIcon();
  return QIcon(ImageListPixmap(index));
}

QIcon HelpIcon() {
  QPixmap pixmap(kImageSize, kImageSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kBlue.darker(140), 1));
  p.setBrush(kBlue);
  p.drawEllipse(QRectF(1.5, 1.5, 16, 16));
  QFont font = p.font();
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(1.5, 1.5, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
  p.end();
  return QIcon(pixmap);
}

QImage ApplicationImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 16.0;
  // Two stacked folders with a green arrow: a copy going from one to the other.
  p.setPen(QPen(QColor(0x8a, 0x6d, 0x1a), s * 0.8));
  p.setBrush(QColor(0xf2, 0xc9, 0x4c));
  p.drawRoundedRect(QRectF(1 * s, 2 * s, 9 * s, 7 * s), s, s);
  p.drawRoundedRect(QRectF(6 * s, 7 * s, 9 * s, 7 * s), s, s);
  p.setPen(QPen(kGreen, 1.6 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(4 * s, 10 * s), QPointF(4 * s, 13 * s));
  p.drawLine(QPointF(4 * s, 13 * s), QPointF(6 * s, 11 * s));
  p.drawLine(QPointF(4 * s, 13 * s), QPointF(2 * s, 11 * s));
  p.end();
  return image;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(ApplicationImage(size)));
  return icon;
}

}  // namespace qm::qt
