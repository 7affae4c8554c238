#include "platform/appicon.h"

#include <algorithm>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

void TAppIcon::Draw(QPainter& p, int size) {
  const double u = size / 64.0;  // drawn on a 64-unit grid
  p.setRenderHint(QPainter::Antialiasing);
  // Rounded tile.
  QLinearGradient tile(0, 0, 0, size);
  tile.setColorAt(0, QColor(0x2f, 0x6d, 0xb5));
  tile.setColorAt(1, QColor(0x1c, 0x45, 0x7a));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(2 * u, 2 * u, 60 * u, 60 * u), 12 * u, 12 * u);
  // Tank: glass outline, water, heater bar.
  const QRectF tank(10 * u, 14 * u, 22 * u, 38 * u);
  p.setBrush(QColor(0xe8, 0xf1, 0xfb));
  p.drawRoundedRect(tank, 3 * u, 3 * u);
  p.setBrush(QColor(0x6c, 0xb4, 0xee));
  p.drawRoundedRect(QRectF(tank.left() + 2 * u, 26 * u, tank.width() - 4 * u, 24 * u), 2 * u, 2 * u);
  p.setBrush(QColor(0xe8, 0x5d, 0x3f));
  p.drawRect(QRectF(tank.left() + 5 * u, 45 * u, tank.width() - 10 * u, 3 * u));
  // Chart: axes and a rising trace with its samples.
  const QPen axis(QColor(0xff, 0xff, 0xff, 0xd0), std::max(1.0, 2 * u), Qt::SolidLine, Qt::RoundCap);
  p.setPen(axis);
  p.drawLine(QPointF(37 * u, 16 * u), QPointF(37 * u, 50 * u));
  p.drawLine(QPointF(37 * u, 50 * u), QPointF(56 * u, 50 * u));
  QPainterPath trace;
  const QPointF points[] = {{39 * u, 46 * u}, {43 * u, 41 * u}, {47 * u, 32 * u}, {51 * u, 25 * u}, {55 * u, 22 * u}};
  trace.moveTo(points[0]);
  for (const QPointF& pt : points) trace.lineTo(pt);
  p.setPen(QPen(QColor(0xff, 0xc8, 0x3d), std::max(1.0, 2.5 * u), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trace);
  if (size >= 32) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc8, 0x3d));
    for (const QPointF& pt : points) p.drawEllipse(pt, 1.8 * u, 1.8 * u);
  }
}

QIcon TAppIcon::Icon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Draw(painter, size);
    painter.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
