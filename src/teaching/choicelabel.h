#pragma once
// A choice of the phrase question: dragged with the mouse onto a gap, or picked with Space or
// Enter (or a click) so that the next gap activated receives it.

#include "teaching/focusframedlabel.h"
#include <QPoint>

class TChoiceLabel : public TFocusFramedLabel {
  Q_OBJECT
 public:
  static constexpr const char* MimeType = "application/x-quorlex-choice";

  TChoiceLabel(const QString& text, QWidget* parent);
  void SetPicked(bool picked);
  bool Picked() const { return FPicked; }

 signals:
  void PickRequested(TChoiceLabel* label);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void Restyle() override;

 private:
  QPoint FPressAt;
  bool FPressed = false, FPicked = false;
};
