#pragma once
// A digital output: a two-state picture that is also its push button, latching (a click toggles)
// or momentary (on only while pressed). Interlock conditions, controllers and switches act on it.

#include "acquisition/qxsourcemeta.h"

class TConditionMarker;
class TTwoStateImage;

class TQXDigitalOutputSource : public TQXSourceMeta {
  Q_OBJECT
 public:
  static constexpr const char* WarningText = "Are you sure you want to change the DO state?";

  using TQXSourceMeta::TQXSourceMeta;
  ~TQXDigitalOutputSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  // `marker` null: the user's click on the picture.
  void DOutButtonClick(const TConditionMarker* marker = nullptr);
  void FlipState(const TConditionMarker* ASender) { DOutButtonClick(ASender); }
  void ForceOff();
  void ForceOn();
  void DigitalOutSet(bool OutputState);
  bool ShowWarningMsg();
  // Shows a state on the picture (and remembers it as shown).
  void Show(bool state);
  void MouseD();
  void MouseU();

  bool Local_State = false;
  bool Latching = true;
  bool Output_State = false;
  TTwoStateImage* DisplayButton = nullptr;
  double InitialValue = 0;
  bool InitialState = false;

 protected:
  void ApplyClick(const TConditionMarker* marker);
};
