#pragma once
// A diagram box's text, shown from its beginning: setText leaves the view at the text's end, so a
// value longer than its box would show only its last digits.

#include <QLineEdit>

namespace displaybox {

inline void Show(QLineEdit* box, const QString& text) {
  box->setText(text);
  box->setCursorPosition(0);
}

}  // namespace displaybox
