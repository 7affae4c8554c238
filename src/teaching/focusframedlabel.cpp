#include "teaching/focusframedlabel.h"

TFocusFramedLabel::TFocusFramedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFocusPolicy(Qt::StrongFocus);
}

QString TFocusFramedLabel::Frame(const QString& unfocused) const {
  return hasFocus() ? QStringLiteral("2px dotted #000") : unfocused;
}

void TFocusFramedLabel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  Restyle();
}

void TFocusFramedLabel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  Restyle();
}
