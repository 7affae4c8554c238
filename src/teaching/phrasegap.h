#pragma once
// A gap of the phrase question, shown as "<   >" on teal until a choice is dropped on it (or put
// in from the keyboard: Space or Enter takes the picked choice, Delete empties the gap).

#include "teaching/focusframedlabel.h"

class TPhraseGap : public TFocusFramedLabel {
  Q_OBJECT
 public:
  static constexpr const char* EmptyText = "<   >";

  explicit TPhraseGap(QWidget* parent);
  // The choice's text in the gap, "" when empty.
  QString Answer() const { return FAnswer; }
  void SetAnswer(const QString& answer);

 signals:
  void Activated(TPhraseGap* gap);  // Space, Enter or a click: put the picked choice here
  void Changed();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void Restyle() override;

 private:
  QString FAnswer;
};
