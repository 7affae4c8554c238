#include "shell/toolicons.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
const QColor kInk(0x30, 0x30, 0x38);
const QColor kBlue(0x2a, 0x62, 0xb8);
const QColor kGreen(0x2e, 0x9d, 0x3c);
const QColor kRed(0xc8, 0x30, 0x30);
const QColor kPaper(0xfa, 0xfa, 0xf4);

void Page(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(3, 1, 10, 14);
}
void Grid(QPainter& p, QRect r) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(r);
  for (int x = r.left() + 4; x < r.right(); x += 4) p.drawLine(x, r.top(), x, r.bottom());
  for (int y = r.top() + 4; y < r.bottom(); y += 4) p.drawLine(r.left(), y, r.right(), y);
}
void Curve(QPainter& p) {
  p.setPen(QPen(kBlue, 1.5));
  QPainterPath path(QPointF(2, 13));
  path.cubicTo(6, 2, 9, 14, 14, 3);
  p.drawPath(path);
}
}  // namespace

QIcon TToolIcons::Icon(TToolIcon kind) {
  QPixmap pix(16, 16);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  switch (kind) {
    case TToolIcon::New: Page(p); p.setPen(kGreen); p.drawLine(6, 8, 10, 8); p.drawLine(8, 6, 8, 10); break;
    case TToolIcon::Open:
      p.setPen(kInk); p.setBrush(QColor(0xe8, 0xc2, 0x4a));
      p.drawRect(1, 5, 13, 9); p.drawRect(1, 3, 5, 2); break;
    case TToolIcon::Save:
      p.setPen(kInk); p.setBrush(kBlue); p.drawRect(1, 1, 14, 14);
      p.setBrush(kPaper); p.drawRect(4, 2, 8, 5); p.drawRect(4, 10, 8, 5); break;
    case TToolIcon::Print:
      p.setPen(kInk); p.setBrush(kPaper); p.drawRect(4, 1, 8, 6);
      p.setBrush(QColor(0x90, 0x90, 0x98)); p.drawRect(1, 6, 14, 6); p.setBrush(kPaper); p.drawRect(4, 10, 8, 5); break;
    case TToolIcon::WordProcessor:
      Page(p); for (int y = 4; y < 14; y += 3) p.drawLine(5, y, 11, y); break;
    case TToolIcon::Help:
      p.setPen(Qt::NoPen); p.setBrush(kBlue); p.drawEllipse(1, 1, 14, 14);
      p.setPen(Qt::white); { QFont f = p.font(); f.setBold(true); f.setPixelSize(11); p.setFont(f); }
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?")); break;
    case TToolIcon::Connect:
      p.setPen(QPen(kInk, 2)); p.drawLine(2, 8, 6, 8); p.drawLine(10, 8, 14, 8);
      p.setBrush(kGreen); p.setPen(kInk); p.drawRect(5, 4, 3, 8); p.drawRect(9, 5, 2, 6); break;
    case TToolIcon::Go: {
      p.setPen(Qt::NoPen); p.setBrush(kGreen);
      QPolygon tri({QPoint(4, 2), QPoint(14, 8), QPoint(4, 14)}); p.drawPolygon(tri); break;
    }
    case TToolIcon::Stop: p.setPen(Qt::NoPen); p.setBrush(kRed); p.drawRect(3, 3, 10, 10); break;
    case TToolIcon::NextResults:
      Grid(p, QRect(1, 1, 10, 12)); p.setPen(QPen(kGreen, 2)); p.drawLine(9, 12, 15, 12); p.drawLine(12, 9, 12, 15); break;
    case TToolIcon::Configure:
      p.setPen(QPen(kInk, 2)); p.setBrush(Qt::NoBrush); p.drawEllipse(4, 4, 8, 8);
      for (int i = 0; i < 4; ++i) { p.save(); p.translate(8, 8); p.rotate(45 * i); p.drawLine(0, -7, 0, 7); p.restore(); }
      p.setBrush(kPaper); p.drawEllipse(6, 6, 4, 4); break;
    case TToolIcon::IFDSettings:
      p.setPen(kInk); p.setBrush(QColor(0x3c, 0x8a, 0x5a)); p.drawRect(1, 4, 14, 8);
      p.setPen(QColor(0xe0, 0xc0, 0x40)); for (int x = 3; x < 15; x += 3) p.drawLine(x, 12, x, 15); break;
    case TToolIcon::GraphData:
    case TToolIcon::Graph:
      p.setPen(kInk); p.drawLine(1, 1, 1, 15); p.drawLine(1, 15, 15, 15); Curve(p); break;
    case TToolIcon::DeleteSheet:
      Grid(p, QRect(1, 1, 10, 12)); p.setPen(QPen(kRed, 2)); p.drawLine(9, 9, 15, 15); p.drawLine(15, 9, 9, 15); break;
    case TToolIcon::RenameSheet:
      Grid(p, QRect(1, 1, 10, 12)); p.setPen(QPen(kBlue, 2)); p.drawLine(8, 15, 15, 8); break;
    case TToolIcon::Unhide:
      p.setPen(kInk); p.setBrush(kPaper); p.drawEllipse(1, 4, 14, 8);
      p.setBrush(kBlue); p.drawEllipse(5, 5, 6, 6); break;
    case TToolIcon::Iterate:
      p.setPen(QPen(kBlue, 2)); p.setBrush(Qt::NoBrush); p.drawArc(2, 2, 12, 12, 30 * 16, 300 * 16);
      p.drawLine(13, 3, 13, 7); break;
    case TToolIcon::Lecturer:
      p.setPen(kInk); p.setBrush(QColor(0xd0, 0xa0, 0x30)); p.drawRect(3, 7, 10, 8);
      p.setBrush(Qt::NoBrush); p.setPen(QPen(kInk, 2)); p.drawArc(5, 2, 6, 9, 0, 180 * 16); break;
    case TToolIcon::Nomenclature:
      p.setPen(kInk); p.setBrush(kPaper); p.drawRect(2, 2, 12, 12);
      { QFont f = p.font(); f.setPixelSize(9); f.setBold(true); p.setFont(f); }
      p.drawText(QRect(2, 2, 12, 12), Qt::AlignCenter, QStringLiteral("ab")); break;
    case TToolIcon::Scope:
      p.setPen(kInk); p.setBrush(QColor(0x10, 0x30, 0x10)); p.drawRect(1, 2, 14, 12);
      p.setPen(QColor(0x60, 0xf0, 0x60)); for (int x = 2; x < 14; ++x) p.drawPoint(x, 8 + static_cast<int>(3 * std::sin(x))); break;
    case TToolIcon::ScopeRunning:
      p.setPen(kInk); p.setBrush(QColor(0x10, 0x30, 0x10)); p.drawRect(1, 2, 14, 12);
      p.setPen(QColor(0xf0, 0x60, 0x40)); for (int x = 2; x < 14; ++x) p.drawPoint(x, 8 + static_cast<int>(3 * std::sin(x)));
      p.setBrush(QColor(0xf0, 0x40, 0x30)); p.drawEllipse(11, 3, 3, 3); break;
    case TToolIcon::Diagram:
      p.setPen(kInk); p.setBrush(QColor(0x78, 0xaa, 0xdc)); p.drawRect(2, 3, 5, 10); p.drawRect(9, 3, 5, 10);
      p.drawLine(7, 5, 9, 5); break;
    case TToolIcon::Table: Grid(p, QRect(1, 1, 14, 14)); break;
    case TToolIcon::Schedule:  // a clock face over a rising step
      p.setPen(QPen(kGreen, 1.5)); p.drawPolyline(QPolygon({QPoint(1, 15), QPoint(5, 15), QPoint(5, 11), QPoint(9, 11)}));
      p.setPen(kInk); p.setBrush(kPaper); p.drawEllipse(5, 1, 10, 10);
      p.drawLine(10, 6, 10, 3); p.drawLine(10, 6, 13, 6); break;
  }
  return QIcon(pix);
}
