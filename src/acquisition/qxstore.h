#pragma once
// Holds two neighbouring columns of the sample row at the moment the user pressed "Store" and
// writes them every tick until "Clear"; a cleared store writes 9999 in both.

#include "acquisition/qxbuttonsource.h"

class TQXStore : public TQXButtonSource {
  Q_OBJECT
 public:
  static constexpr double Empty = 9999.0;

  using TQXButtonSource::TQXButtonSource;
  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void StoreClick();
  // "Store" while empty, "Clear" while holding values.
  QString Caption() const { return FCaption; }

  double FirstStoreValue = Empty;
  double SecondStoreValue = Empty;
  int channel = 0;

 private:
  void SetCaption(const QString& caption);
  QString FCaption = QStringLiteral("Store");
};
