#pragma once
// A conductivity probe on an analogue input that can also show the weight the run sheet computes
// from it: the rig's weight sheet names, per sensor, the columns of its temperature and weight and
// its interface channel. Which of the two all such items show is switched by the conductivity
// option.

#include <array>
#include <memory>

#include "acquisition/qxifdanaloguesource.h"

class TWorkbook;

class TQXAnalogueConductivitySource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  static constexpr int Sensors = 10;
  // Shared by every conductivity item: true shows conductivity, false the weight.
  static inline bool ShowConductivity = true;

  explicit TQXAnalogueConductivitySource(QObject* owner = nullptr);
  ~TQXAnalogueConductivitySource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void DataDisplay() override;

  std::array<int, Sensors + 1> TemperatureColumn{}, IFD_Channel_No{}, WeightColumn{};  // 1..10
  int SensorCount = 1;
  bool DataLoaded = false;
  QString weight_units_text;
  std::unique_ptr<TWorkbook> WeightSheet;
};
