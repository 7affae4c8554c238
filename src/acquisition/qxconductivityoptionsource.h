#pragma once
// The choice between conductivity (the first item) and weight for every conductivity item of the
// diagram. It writes nothing into the sample row.

#include "acquisition/qxoptionsource.h"

class TQXConductivityOptionSource : public TQXOptionSource {
  Q_OBJECT
 public:
  using TQXOptionSource::TQXOptionSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Click(QObject* Sender) override;
  void DataWrite() override {}
};
