#pragma once
// A two-state picture (a valve open or shut, a pump running): the picture holds both looks, off
// its top-left part, on its centre. It follows a digital input, or a column of the sample row
// (a negative channel in the definition) whose value 1 means on.

#include "acquisition/qxpicturesource.h"

class TQXVarImage3Source : public TQXPictureSource {
  Q_OBJECT
 public:
  using TQXPictureSource::TQXPictureSource;
  ~TQXVarImage3Source() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Change(QObject* Sender) override;

  TPictureBar* Display = nullptr;
  bool ChVal = false;
  bool output = false;
};
