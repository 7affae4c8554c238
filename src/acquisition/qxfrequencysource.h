#pragma once
// A frequency input: each tick asks the interface for a measurement of its input and writes the
// latest frequency; every frequency that arrives from the card reaches every frequency source.

#include <QPointer>

#include "acquisition/qxsource.h"
#include "ifd/ifrequencyreader.h"

class TQXFrequencySource : public TQXSource, public IFrequencyReader {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  ~TQXFrequencySource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void DataDisplay() override;

  // IFrequencyReader (updateFrqCallBack, and the flag the facade's reset sets).
  void FrequencyReceived(int count) override;
  void ResetFrequencyReader() override { FgetNewFrq = true; }

  int channel = 0;
  double Frequency = 0;
  bool FgetNewFrq = true;
  bool FReadingMissing = false;  // no count held for the current sample

 private:
  QPointer<TQXIFD> FReadersOf;  // the facade this source is registered with
};
