#pragma once
// A level bar: a picture on a panel that rises from the bottom of its rectangle with the input
// (full at 2048 counts), or, for an "empty" bar, hangs from the top and shrinks as the input
// rises, uncovering what lies beneath.

#include "acquisition/qxpicturesource.h"

class TQXVarImage1Source : public TQXPictureSource {
  Q_OBJECT
 public:
  using TQXPictureSource::TQXPictureSource;
  ~TQXVarImage1Source() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Change(QObject* Sender) override;

  int Max = 0;
  TPictureBar* Display = nullptr;
  bool empty = false;
};
