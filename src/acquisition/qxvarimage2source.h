#pragma once
// A level shown by two level switches (two neighbouring digital inputs): both on, nearly empty
// picture (a tenth of the height); one on, half; neither, full.

#include "acquisition/qxpicturesource.h"

class TQXVarImage2Source : public TQXPictureSource {
  Q_OBJECT
 public:
  using TQXPictureSource::TQXPictureSource;
  ~TQXVarImage2Source() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Change(QObject* Sender) override;

  int FChannel1 = 0, FChannel2 = 0;
  TPictureBar* Display = nullptr;
  bool Ch1Val = false, Ch2Val = false;
};
