#pragma once
// A 12 x 12 indicator cut from a picture that holds both looks: off shows the picture's top-left
// corner, on shows its centre. Clicks and presses are reported for outputs.

#include <QPixmap>
#include <QWidget>

class TTwoStateImage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int Size = 12;

  // `pictureFile` as the definition names it ("DigIn.bmp"), found in the rig folder.
  TTwoStateImage(const QString& pictureFile, QWidget* parent);

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

 private:
  QPixmap FPicture;
  bool FState = false;
};
