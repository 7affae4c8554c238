#include "acquisition/twostateimage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/filenames.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"

TTwoStateImage::TTwoStateImage(const QString& pictureFile, QWidget* parent, bool operable)
    : QWidget(parent), FMargin(operable ? FocusMargin : 0) {
  setFixedSize(Size + 2 * FMargin, Size + 2 * FMargin);
  if (operable) setFocusPolicy(Qt::StrongFocus);
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

void TTwoStateImage::Place(const QPoint& at) { move(at - QPoint(FMargin, FMargin)); }

void TTwoStateImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
  p.translate(FMargin, FMargin);
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

void TTwoStateImage::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space || !isEnabled()) return QWidget::keyPressEvent(event);
  if (!event->isAutoRepeat()) emit Pressed();
}

void TTwoStateImage::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space || !isEnabled()) return QWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  emit Released();
  emit Clicked();
}

void TTwoStateImage::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TTwoStateImage::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}
