#pragma once
// A choice among options, written as the chosen option's text.

#include "acquisition/qxsource.h"

class QGroupBox;
class QButtonGroup;

class TQXOptionSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  ~TQXOptionSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  QStringList Items() const { return FItems; }
  int ItemIndex() const { return FItemIndex; }

  QGroupBox* RadioGroup = nullptr;

 private:
  QButtonGroup* FButtons = nullptr;
  QStringList FItems;
  int FItemIndex = 0;
};
