#include "acquisition/qxrezerosource.h"

#include "rigconfig/datasource_definition.h"

void TQXReZeroSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  CreateButton(DisplayParent, Source, QStringLiteral("Zero"), 20, [this] { TareClick(); });
  channel = Source.IFD_Channel();
}

void TQXReZeroSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(TareValue);
}
