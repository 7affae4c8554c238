#include "acquisition/qxwarning.h"

#include <algorithm>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "acquisition/twostateimage.h"
#include "rigconfig/datasource_definition.h"

TQXWarning::~TQXWarning() {
  delete DisplayButton;
  delete ResetButton;
}

void TQXWarning::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  if (Display_Box) Display_Box->hide();
  if (!FHasPosition || !DisplayParent) return;
  const QString picture = Source.NoColumnHintText().isEmpty() ? QStringLiteral("DigIn.bmp") : Source.NoColumnHintText();
  DisplayButton = new TTwoStateImage(picture, DisplayParent);
  DisplayButton->move(FDataX, FDataY);
  DisplayButton->show();
  ResetButton = new QPushButton(QStringLiteral("Reset"), DisplayParent);
  ResetButton->setFont(SourceFont());
  ResetButton->setGeometry(FDataX + 85, FDataY - 4, std::max(35, ResetButton->fontMetrics().horizontalAdvance(ResetButton->text()) + 10), 20);
  ResetButton->setToolTip(QString::fromLatin1(ResetHint));
  ResetButton->setEnabled(false);
  ResetButton->show();
  connect(ResetButton, &QPushButton::clicked, this, [this] {
    Click(ResetButton);
    Reset();
  });
}

void TQXWarning::ShowWarning() {
  if (DisplayButton) DisplayButton->SetState(Warning);
  if (ResetButton) ResetButton->setEnabled(Warning);
}

void TQXWarning::DataWrite() {
  if (Source_Column != 0 && SampleNumber(Source_Column) == 1) Warning = true;
  ShowWarning();
}

void TQXWarning::Reset() {
  Warning = false;
  ShowWarning();
}
