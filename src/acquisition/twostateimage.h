#pragma once
// A 12 x 12 indicator cut from a picture that holds both looks: off shows the picture's top-left
// corner, on shows its centre. Clicks and presses are reported for outputs; an output's indicator
// also takes the keyboard focus (Tab), shows it with a frame around the picture, and Space works it
// as a click does (pressed while Space is held, for a momentary output).

#include <QPixmap>
#include <QWidget>

class TTwoStateImage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int Size = 12;
  static constexpr int FocusMargin = 2;  // room of the focus frame around an operable picture

  // `pictureFile` as the definition names it ("DigIn.bmp"), found in the rig folder.
  TTwoStateImage(const QString& pictureFile, QWidget* parent, bool operable = false);

  // Places the picture's top-left corner at `at` (an operable one's frame lies around it).
  void Place(const QPoint& at);

  bool State() const { return FState; }
  void SetState(bool on);

 signals:
  void Clicked();
  void Pressed();
  void Released();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QPixmap FPicture;
  bool FState = false;
  int FMargin = 0;
};
