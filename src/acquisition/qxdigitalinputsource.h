#pragma once
// A digital input shown as a two-state picture and written as 1 or 0.

#include "acquisition/qxsourcemeta.h"

class TTwoStateImage;

class TQXDigitalInputSource : public TQXSourceMeta {
  Q_OBJECT
 public:
  using TQXSourceMeta::TQXSourceMeta;
  ~TQXDigitalInputSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  TTwoStateImage* DisplayButton = nullptr;
  bool Input_State = false;
  bool Reverse = false;
  bool FReadingMissing = false;  // no state arrived for the current sample
};
