#pragma once
// A picture control of the diagram's picture sources: the picture at its top-left corner (or
// stretched over it), optionally on a plain button-face panel, optionally transparent (the
// colour of the picture's bottom-left pixel lets what lies beneath show through). Without a
// picture it is hidden.

#include <QPixmap>
#include <QWidget>

class TPictureBar : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureBar(QWidget* parent);

  void SetPicture(const QPixmap& picture, bool transparent);
  void SetStretch(bool stretch);
  void SetPanel(bool panel);
  bool HasPicture() const { return !FPicture.isNull(); }
  QSize PictureSize() const { return FPicture.size(); }
  QPoint Origin() const { return FOrigin; }
  // The picture's part shown from `origin` (the two-state picture shows its centre when on).
  void SetOrigin(QPoint origin);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap FPicture;
  QPoint FOrigin;
  bool FStretch = false;
  bool FPanel = false;
};
