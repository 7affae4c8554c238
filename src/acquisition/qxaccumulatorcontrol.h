#pragma once
// A start/clear button around a filling cycle: Start opens the fill (analogue output 1 at full
// scale); the vessel filling is seen on digital input 0 ("Wait"), and once it has emptied again
// the button offers "Clear", which closes the fill and makes the control ready again.

#include "acquisition/qxifdanaloguesource.h"

class QPushButton;

class TQXAccumulatorControl : public TQXIFDAnalogueSource {
  Q_OBJECT
 public:
  static constexpr int FillOutput = 1;
  static constexpr int FullScale = 2047;

  using TQXIFDAnalogueSource::TQXIFDAnalogueSource;
  ~TQXAccumulatorControl() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void Start();

  QString Caption() const { return FCaption; }
  bool ButtonEnabled() const { return FEnabled; }

  QPushButton* StartButton = nullptr;
  bool WasCounting = false, Counting = false, Ready = true, First = true;

 private:
  void SetCaption(const QString& caption);
  void SetEnabled(bool on);
  QString FCaption;
  bool FEnabled = true;
};
