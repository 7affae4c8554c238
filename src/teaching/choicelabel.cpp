#include "teaching/choicelabel.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

TChoiceLabel::TChoiceLabel(const QString& text, QWidget* parent) : TFocusFramedLabel(text, parent) {
  setCursor(Qt::OpenHandCursor);
  setAccessibleName(QStringLiteral("Choice: ") + text);
  setToolTip(QStringLiteral("Drag onto a space, or press Space here and then on a space"));
  Restyle();
}

void TChoiceLabel::SetPicked(bool picked) {
  FPicked = picked;
  Restyle();
}

// Picked: reversed colours; focused: a dotted frame, so the keyboard user sees where they are.
void TChoiceLabel::Restyle() {
  const QString frame = Frame(QStringLiteral("1px solid #808080"));
  setStyleSheet(QStringLiteral("QLabel{padding:1px 4px;border:%1;background:%2;color:%3;}")
                    .arg(frame, FPicked ? QStringLiteral("#000080") : QStringLiteral("#ffffff"),
                         FPicked ? QStringLiteral("#ffffff") : QStringLiteral("#000000")));
}

void TChoiceLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FPressAt = event->position().toPoint();
    FPressed = true;
  }
  QLabel::mousePressEvent(event);
}

void TChoiceLabel::mouseMoveEvent(QMouseEvent* event) {
  if (!FPressed || (event->position().toPoint() - FPressAt).manhattanLength() < QApplication::startDragDistance()) return;
  FPressed = false;
  auto* drag = new QDrag(this);
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(MimeType), text().toUtf8());
  data->setText(text());
  drag->setMimeData(data);
  drag->setPixmap(grab());
  drag->exec(Qt::CopyAction);
}

void TChoiceLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (FPressed && event->button() == Qt::LeftButton) emit PickRequested(this);
  FPressed = false;
  QLabel::mouseReleaseEvent(event);
}

void TChoiceLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit PickRequested(this);
    return;
  }
  QLabel::keyPressEvent(event);
}
