#include "acquisition/picturebar.h"

#include <QBitmap>
#include <QPainter>

TPictureBar::TPictureBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  hide();
}

void TPictureBar::SetPicture(const QPixmap& picture, bool transparent) {
  FPicture = picture;
  if (transparent && !FPicture.isNull()) {
    const QColor key = FPicture.toImage().pixelColor(0, FPicture.height() - 1);
    FPicture.setMask(FPicture.createMaskFromColor(key, Qt::MaskInColor));
  }
  setVisible(!FPicture.isNull());
  update();
}

void TPictureBar::SetStretch(bool stretch) {
  FStretch = stretch;
  update();
}

void TPictureBar::SetPanel(bool panel) {
  FPanel = panel;
  update();
}

void TPictureBar::SetOrigin(QPoint origin) {
  if (FOrigin == origin) return;
  FOrigin = origin;
  update();
}

void TPictureBar::paintEvent(QPaintEvent*) {
  if (FPicture.isNull()) return;
  QPainter p(this);
  if (FPanel) p.fillRect(rect(), palette().color(QPalette::Button));
  if (FStretch)
    p.drawPixmap(rect(), FPicture);
  else
    p.drawPixmap(QPoint(0, 0), FPicture, QRect(FOrigin, size()));
}
