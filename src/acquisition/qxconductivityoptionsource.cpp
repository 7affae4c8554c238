#include "acquisition/qxconductivityoptionsource.h"

#include "acquisition/qxanalogueconductivitysource.h"

void TQXConductivityOptionSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXOptionSource::RegisterParent(DisplayParent, Source);
  Source_Column = 0;
  TQXAnalogueConductivitySource::ShowConductivity = true;
}

void TQXConductivityOptionSource::Click(QObject* Sender) {
  TQXOptionSource::Click(Sender);
  TQXAnalogueConductivitySource::ShowConductivity = ItemIndex() == 0;
}
