#pragma once
// A warning light lit by the run sheet: when its column's formula gives 1 the light comes on and
// stays on, even after the formula changes, until the user presses "Reset".

#include "acquisition/qxsource.h"

class QPushButton;
class TTwoStateImage;

class TQXWarning : public TQXSource {
  Q_OBJECT
 public:
  static constexpr const char* ResetHint = "Click to reset the warning light";

  using TQXSource::TQXSource;
  ~TQXWarning() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void Reset();

  TTwoStateImage* DisplayButton = nullptr;
  QPushButton* ResetButton = nullptr;
  bool Warning = false;

 private:
  void ShowWarning();
};
