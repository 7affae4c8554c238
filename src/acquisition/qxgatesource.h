#pragma once
// A thermostat on one column of the sample row: the user types a set point, and a digital output
// is switched on while the column's value is at or below it and off above it.

#include "acquisition/qxmaninpsource.h"

class TQXDigitalOutputSource;

class TQXGateSource : public TQXManInpSource {
  Q_OBJECT
 public:
  static constexpr const char* SetPointInvalidText = "A set-point input is invalid. Please change this value.";

  using TQXManInpSource::TQXManInpSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  int Channel = 0;
  double SetPoint = 0;
  int DataColumn = 0;
  TQXDigitalOutputSource* ControlChannel = nullptr;

 protected:
  QString EditMask() const override { return QString(); }
  QString ButtonHint(const TDataSource_Definition& Source) const override;
  QString RefusalText() const override { return QString::fromLatin1(SetPointInvalidText); }
};
