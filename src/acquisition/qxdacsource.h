#pragma once
// An output through one of two serial DACs shifted out on three digital lines of the main card.

#include "acquisition/qxifdanaloguesource.h"

class TQXDACSource : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void DACChange();
  void DACSet(double percent);

  int Channel = 0;
  int DigChannel = 0;
  int DACNumber = 0;
  bool InvertLogic = false;

 private:
  void Send();
};
