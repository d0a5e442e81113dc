#include "ui/painted_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace tessarn {

namespace {

QPixmap Blank(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  return pm;
}

QPixmap Ball(const QColor& colour) {
  QPixmap pm = Blank(16);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(QPointF(6, 5), 9);
  g.setColorAt(0, colour.lighter(190));
  g.setColorAt(0.5, colour);
  g.setColorAt(1, colour.darker(160));
  p.setBrush(g);
  p.setPen(QPen(colour.darker(200), 0.8));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  return pm;
}

void DrawFolder(QPainter& p) {
  p.setPen(QPen(QColor(150, 110, 20), 1));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
  p.drawRect(QRectF(1.5, 2.5, 5, 2));
  p.setBrush(QColor(250, 220, 120));
  QPainterPath front;
  front.moveTo(1.5, 13.5);
  front.lineTo(3.5, 7.5);
  front.lineTo(15.5, 7.5);
  front.lineTo(14.5, 13.5);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawPage(QPainter& p, qreal x, qreal y) {
  p.setPen(QPen(QColor(90, 90, 110), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(x + 0.5, y + 0.5, 8, 10));
  p.setPen(QPen(QColor(140, 150, 190), 1));
  for (int i = 0; i < 3; ++i)
    p.drawLine(QPointF(x + 2, y + 3.5 + 2 * i), QPointF(x + 7, y + 3.5 + 2 * i));
}

}  // namespace

QColor FailureColour() { return QColor(210, 30, 30); }

QIcon StatusIcon(int index) {
  static const QIcon kGreen(Ball(QColor(30, 170, 40)));
  static const QIcon kRed(Ball(FailureColour()));
  if (index == 0) return kGreen;
  if (index == 1) return kRed;
  return QIcon();
}

QIcon WarningIcon() {
  static const QIcon icon = [] {
    QPixmap pm = Blank(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(8, 1.5);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(120, 70, 0), 1));
    p.setBrush(QColor(250, 190, 30));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 10));
    p.drawPoint(QPointF(8, 12.5));
    return QIcon(pm);
  }();
  return icon;
}

QIcon NoteIcon() {
  static const QIcon icon = [] {
    QPixmap pm = Blank(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 140), 1));
    p.setBrush(QColor(60, 120, 220));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2));
    p.drawPoint(QPointF(8, 4.5));
    p.drawLine(QPointF(8, 7), QPointF(8, 12));
    return QIcon(pm);
  }();
  return icon;
}

QIcon ToolbarIcon(ToolbarImage image) {
  QPixmap pm = Blank(16);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case ToolbarImage::kFolder:
      DrawFolder(p);
      break;
    case ToolbarImage::kAddFiles:
      DrawPage(p, 1, 1);
      DrawPage(p, 5, 4);
      p.setPen(QPen(QColor(20, 140, 30), 2));
      p.drawLine(QPointF(12, 9), QPointF(12, 15));
      p.drawLine(QPointF(9, 12), QPointF(15, 12));
      break;
    case ToolbarImage::kUndo: {
      p.setPen(QPen(QColor(30, 80, 170), 2, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(3, 4, 11, 9), 90 * 16, -250 * 16);
      p.setBrush(QColor(30, 80, 170));
      p.setPen(Qt::NoPen);
      QPainterPath head;
      head.moveTo(1, 5);
      head.lineTo(7, 1);
      head.lineTo(7, 9);
      head.closeSubpath();
      p.drawPath(head);
      break;
    }
    case ToolbarImage::kPreview:
      DrawPage(p, 1, 1);
      p.setPen(QPen(QColor(60, 60, 60), 2));
      p.setBrush(QColor(200, 230, 255, 180));
      p.drawEllipse(QRectF(6, 6, 6.5, 6.5));
      p.drawLine(QPointF(12, 12), QPointF(15, 15));
      break;
    case ToolbarImage::kRename: {
      p.setPen(QPen(QColor(90, 90, 90), 1));
      p.setBrush(QColor(255, 250, 210));
      p.drawRect(QRectF(0.5, 4.5, 11, 7));
      p.setPen(QPen(QColor(0, 0, 0), 1));
      p.drawLine(QPointF(3, 6), QPointF(3, 10));
      p.setPen(QPen(QColor(200, 60, 20), 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(8, 14), QPointF(14, 3));
      p.setPen(QPen(QColor(230, 180, 40), 2));
      p.drawLine(QPointF(13, 5), QPointF(14.5, 2));
      break;
    }
    case ToolbarImage::kHelp: {
      p.setPen(QPen(QColor(20, 60, 150), 1));
      p.setBrush(QColor(60, 120, 220));
      p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
      QFont f = p.font();
      f.setBold(true);
      f.setPixelSize(12);
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
  p.end();
  return QIcon(pm);
}

QIcon AppIcon() {
  QPixmap pm = Blank(64);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 80, 60), 2));
  p.setBrush(QColor(128, 160, 128));
  p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(12, 14 + 13 * i, 22, 7));
  p.setBrush(QColor(0, 0, 128));
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(40, 14 + 13 * i, 12, 7));
  p.end();
  return QIcon(pm);
}

QPixmap AboutBanner() {
  QPixmap pm(329, 70);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 329, 70);
  g.setColorAt(0, QColor(40, 90, 60));
  g.setColorAt(1, QColor(150, 190, 150));
  p.fillRect(pm.rect(), g);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(QColor(255, 255, 255, 200 - 40 * i));
    p.drawRoundedRect(QRectF(14 + 10 * i, 12 + 12 * i, 70, 9), 3, 3);
  }
  p.end();
  return pm;
}

}  // namespace tessarn
