#pragma once
// A link to the process plant's controller through its control-parameters window: an analogue
// value, a digital input or output shown as a two-state picture, or the window's loop settings
// written into fifteen columns. The definition's channel selects which.

#include "acquisition/qxsource.h"

class TTwoStateImage;

class TQXSCADAModule : public TQXSource {
  Q_OBJECT
 public:
  enum { Analogue = 1, PercentAnalogue = 2, DigitalInput = 3, DigitalOutput = 4, LoopSettings = 5, Unknown = 0 };
  static constexpr int LoopSettingsChannel = 99;

  using TQXSource::TQXSource;
  ~TQXSCADAModule() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  // The kind of link a channel number makes (Unknown for numbers outside the table).
  static int TypeOfChannel(int channel);

  TTwoStateImage* InputButton = nullptr;
  TTwoStateImage* OutputButton = nullptr;
  int ChannelType = Unknown;
  int ChannelNo = 0;
  bool InputState = false;
  bool OutputState = false;
};
