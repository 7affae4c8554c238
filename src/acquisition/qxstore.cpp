#include "acquisition/qxstore.h"

#include <QPushButton>

#include "rigconfig/datasource_definition.h"

void TQXStore::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  CreateButton(DisplayParent, Source, QStringLiteral("Store"), 22, [this] { StoreClick(); });
  channel = Source.IFD_Channel();
  FirstStoreValue = SecondStoreValue = Empty;
}

void TQXStore::SetCaption(const QString& caption) {
  FCaption = caption;
  if (Button) Button->setText(caption);
}

void TQXStore::StoreClick() {
  if (FCaption == QLatin1String("Store")) {
    // A value the sample lacks is stored as nothing, not as 0.
    FirstStoreValue = SampleEmpty(channel) ? Empty : SampleNumber(channel);
    SecondStoreValue = SampleEmpty(channel + 1) ? Empty : SampleNumber(channel + 1);
    SetCaption(QStringLiteral("Clear"));
  } else {
    SetCaption(QStringLiteral("Store"));
    FirstStoreValue = SecondStoreValue = Empty;
  }
}

void TQXStore::DataWrite() {
  if (Source_Column == 0) return;
  WriteColumn(Source_Column, FirstStoreValue);
  WriteColumn(Source_Column + 1, SecondStoreValue);
}
