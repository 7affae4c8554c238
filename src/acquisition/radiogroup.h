#pragma once
// A captioned box of radio buttons, one per item, the first chosen: the diagram's choice control.
// Its corners are the definition's data position (top-left) and label position (bottom-right).

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class TDataSource_Definition;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& caption, const QStringList& items, const TDataSource_Definition& Source, QWidget* parent);

  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  QStringList Items() const { return FItems; }
  void SetItemText(int index, const QString& text);

 signals:
  void ItemClicked(int index);

 private:
  QButtonGroup* FButtons;
  QStringList FItems;
  int FItemIndex = 0;
};
