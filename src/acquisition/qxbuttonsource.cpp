#include "acquisition/qxbuttonsource.h"

#include <algorithm>

#include <QLineEdit>
#include <QPushButton>

TQXButtonSource::~TQXButtonSource() { delete Button; }

void TQXButtonSource::CreateButton(QWidget* DisplayParent, const TDataSource_Definition& Source,
                                   const QString& caption, int height, std::function<void()> onClick) {
  BaseConstruction(DisplayParent, Source);
  if (Display_Box) Display_Box->hide();
  if (!FHasPosition || !DisplayParent) return;
  Button = new QPushButton(caption, DisplayParent);
  Button->setFont(SourceFont());
  // The rig's width, or the caption's when that is wider (a larger font).
  Button->setGeometry(FDataX, FDataY, std::max(FWidth, Button->fontMetrics().horizontalAdvance(caption) + 10), height);
  Button->setFocusPolicy(Qt::StrongFocus);
  Button->setToolTip(FHint);
  Button->raise();
  Button->show();
  connect(Button, &QPushButton::clicked, this, [this, onClick = std::move(onClick)] {
    Click(Button);
    onClick();
  });
}
