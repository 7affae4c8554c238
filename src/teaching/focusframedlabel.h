#pragma once
// A label that can take the keyboard focus and shows it: the labels of the phrase question that
// a student moves between with Tab. Subclasses draw themselves in Restyle, which runs whenever
// the focus comes or goes.

#include <QLabel>

class TFocusFramedLabel : public QLabel {
  Q_OBJECT
 public:
  TFocusFramedLabel(const QString& text, QWidget* parent);

 protected:
  virtual void Restyle() = 0;
  // The border of a label: dotted while it has the focus.
  QString Frame(const QString& unfocused) const;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};
