#include "acquisition/twostateimage.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/filenames.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"

TTwoStateImage::TTwoStateImage(const QString& pictureFile, QWidget* parent) : QWidget(parent) {
  setFixedSize(Size, Size);
  setAttribute(Qt::WA_TranslucentBackground);
  const QString folder = TServices::Rig() ? TServices::Rig()->PathName : QString();
  const QString path = folder.isEmpty() ? filenames::ResolvePath(pictureFile) : filenames::Resolve(folder, pictureFile);
  FPicture.load(path);
}

void TTwoStateImage::SetState(bool on) {
  if (FState == on) return;
  FState = on;
  update();
}

void TTwoStateImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (FPicture.isNull()) {
    // A picture that cannot be opened: a plain lamp, so the state is still visible.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(FState ? QColor(0x20, 0xc0, 0x20) : QColor(0x70, 0x70, 0x70));
    p.drawEllipse(1, 1, Size - 2, Size - 2);
    return;
  }
  const QPoint origin = FState ? QPoint((FPicture.width() - Size) / 2, (FPicture.height() - Size) / 2) : QPoint(0, 0);
  p.drawPixmap(QPoint(0, 0), FPicture, QRect(origin, QSize(Size, Size)));
}

void TTwoStateImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Pressed();
}

void TTwoStateImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  emit Released();
  if (rect().contains(event->position().toPoint())) emit Clicked();
}
