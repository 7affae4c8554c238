#pragma once
// A choice among options, written as the chosen option's text.

#include "acquisition/qxsource.h"

class TRadioGroup;

class TQXOptionSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  ~TQXOptionSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  QStringList Items() const { return FItems; }
  int ItemIndex() const;

  TRadioGroup* RadioGroup = nullptr;

 private:
  QStringList FItems;
};
