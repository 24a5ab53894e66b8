#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

QPixmap Blank(int size) {
  QPixmap p(size, size);
  p.fill(Qt::transparent);
  return p;
}

QPen WhitePen(int size, qreal fraction) {
  QPen pen(Qt::white, qMax<qreal>(1.0, size * fraction));
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Antialias(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
}

}  // namespace

QPixmap DrawLogo(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  const qreal s = size;
  QPainterPath shield;
  shield.moveTo(s * 0.5, s * 0.06);
  shield.lineTo(s * 0.88, s * 0.2);
  shield.cubicTo(s * 0.88, s * 0.6, s * 0.72, s * 0.82, s * 0.5, s * 0.95);
  shield.cubicTo(s * 0.28, s * 0.82, s * 0.12, s * 0.6, s * 0.12, s * 0.2);
  shield.closeSubpath();
  p.fillPath(shield, Qt::white);
  QFont font(QStringLiteral("Inter"));
  font.setBold(true);
  font.setPixelSize(qMax(6, static_cast<int>(s * 0.5)));
  p.setFont(font);
  p.setPen(kVerdeCorvatec);
  p.drawText(QRectF(0, s * 0.08, s, s * 0.8), Qt::AlignCenter, QStringLiteral("B"));
  return pix;
}

QPixmap DrawMinimise(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  p.setPen(WhitePen(size, 0.1));
  p.drawLine(QPointF(size * 0.2, size * 0.7), QPointF(size * 0.8, size * 0.7));
  return pix;
}

QPixmap DrawLight(int size, bool green) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  const QColor lit = green ? QColor(0x2e, 0xcc, 0x40) : QColor(0xe0, 0x2b, 0x2b);
  QRadialGradient glow(size * 0.4, size * 0.35, size * 0.6);
  glow.setColorAt(0, lit.lighter(160));
  glow.setColorAt(1, lit.darker(120));
  p.setBrush(glow);
  p.setPen(QPen(Qt::white, qMax(1.0, size * 0.06)));
  const qreal m = size * 0.08;
  p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
  return pix;
}

QPixmap DrawHome(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  p.setPen(WhitePen(size, 0.07));
  const qreal s = size;
  QPolygonF house;
  house << QPointF(s * 0.15, s * 0.5) << QPointF(s * 0.5, s * 0.18) << QPointF(s * 0.85, s * 0.5);
  p.drawPolyline(house);
  p.drawRect(QRectF(s * 0.27, s * 0.45, s * 0.46, s * 0.38));
  return pix;
}

QPixmap DrawBackup(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  p.setPen(WhitePen(size, 0.06));
  const qreal s = size;
  // A drum (the database) with an arrow going into it.
  p.drawEllipse(QRectF(s * 0.2, s * 0.38, s * 0.6, s * 0.16));
  p.drawLine(QPointF(s * 0.2, s * 0.46), QPointF(s * 0.2, s * 0.78));
  p.drawLine(QPointF(s * 0.8, s * 0.46), QPointF(s * 0.8, s * 0.78));
  p.drawArc(QRectF(s * 0.2, s * 0.7, s * 0.6, s * 0.16), 180 * 16, 180 * 16);
  p.drawLine(QPointF(s * 0.5, s * 0.06), QPointF(s * 0.5, s * 0.32));
  p.drawLine(QPointF(s * 0.4, s * 0.22), QPointF(s * 0.5, s * 0.32));
  p.drawLine(QPointF(s * 0.6, s * 0.22), QPointF(s * 0.5, s * 0.32));
  return pix;
}

QPixmap DrawSettings(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  const qreal s = size;
  const QPointF c(s / 2, s / 2);
  QPainterPath gear;
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    const qreal r = (i % 2 == 0) ? s * 0.42 : s * 0.32;
    const qreal a0 = (i - 0.5) * M_PI / teeth;
    const qreal a1 = (i + 0.5) * M_PI / teeth;
    const QPointF p0 = c + QPointF(r * qCos(a0), r * qSin(a0));
    const QPointF p1 = c + QPointF(r * qCos(a1), r * qSin(a1));
    if (i == 0)
      gear.moveTo(p0);
    else
      gear.lineTo(p0);
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(c, s * 0.13, s * 0.13);
  p.fillPath(gear.subtracted(hole), Qt::white);
  return pix;
}

QPixmap DrawPower(int size) {
  QPixmap pix = Blank(size);
  QPainter p(&pix);
  Antialias(p);
  p.setPen(WhitePen(size, 0.08));
  const qreal s = size;
  p.drawArc(QRectF(s * 0.2, s * 0.22, s * 0.6, s * 0.6), 120 * 16, 300 * 16);
  p.drawLine(QPointF(s * 0.5, s * 0.12), QPointF(s * 0.5, s * 0.48));
  return pix;
}

QIcon TrayIconPicture() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pix(size, size);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    Antialias(p);
    p.setBrush(kVerdeCorvatec);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.2, size * 0.2);
    p.drawPixmap(QRect(size / 8, size / 8, size * 3 / 4, size * 3 / 4), DrawLogo(size));
    p.end();
    icon.addPixmap(pix);
  }
  return icon;
}
