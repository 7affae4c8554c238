#pragma once
// A sliding cover: two pictures on the same rectangle, the cover (the first) pushed aside from the
// left or the top as the input falls from full scale, uncovering the second.

#include "acquisition/qxpicturesource.h"

class TQXVarImage4Source : public TQXPictureSource {
  Q_OBJECT
 public:
  using TQXPictureSource::TQXPictureSource;
  ~TQXVarImage4Source() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Change(QObject* Sender) override;

  int Range = 0;
  bool Vertical = false;
  TPictureBar* Display1 = nullptr;
  TPictureBar* Display2 = nullptr;
};
