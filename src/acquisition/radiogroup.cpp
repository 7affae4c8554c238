#include "acquisition/radiogroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

#include "rigconfig/datasource_definition.h"

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, const TDataSource_Definition& Source,
                         QWidget* parent)
    : QGroupBox(caption, parent), FButtons(new QButtonGroup(this)), FItems(items) {
  setGeometry(Source.MimicData_X_Pos(), Source.MimicData_Y_Pos(), Source.MimicLabel_X_Pos() - Source.MimicData_X_Pos(),
              Source.MimicLabel_Y_Pos() - Source.MimicData_Y_Pos());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(0);
  for (int i = 0; i < FItems.size(); ++i) {
    auto* radio = new QRadioButton(FItems[i], this);
    FButtons->addButton(radio, i);
    layout->addWidget(radio);
  }
  if (auto* first = FButtons->button(0)) first->setChecked(true);
  connect(FButtons, &QButtonGroup::idClicked, this, [this](int id) {
    FItemIndex = id;
    emit ItemClicked(id);
  });
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* b = FButtons->button(index)) b->setChecked(true);
  FItemIndex = index;
}

void TRadioGroup::SetItemText(int index, const QString& text) {
  if (index < 0 || index >= FItems.size()) return;
  FItems[index] = text;
  if (QAbstractButton* b = FButtons->button(index)) b->setText(text);
}
