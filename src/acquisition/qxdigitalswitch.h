#pragma once
// The user routes one of a few digital inputs to a digital output: a radio group whose first item
// ("None") leaves the output to the user, and whose other items make it follow an input, straight
// or inverted, on every tick.

#include <array>

#include "acquisition/qxsource.h"

class TQXDigitalOutputSource;
class TRadioGroup;

class TQXDigitalSwitch : public TQXSource {
  Q_OBJECT
 public:
  static constexpr int NoInput = 99;
  static constexpr int MaxInputs = 8;

  using TQXSource::TQXSource;
  ~TQXDigitalSwitch() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void SelectInput();

  TRadioGroup* RadioGroup = nullptr;
  int polarity = 0;
  TQXDigitalOutputSource* OutputChannel = nullptr;
  int InputchannelNo = NoInput;
  int OutputChannelNo = 0;
  std::array<int, MaxInputs + 1> InputChannels{};
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);

 private:
  int FItemIndex = 0;
  int FItemCount = 1;
};
