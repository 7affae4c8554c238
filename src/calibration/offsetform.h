#pragma once
// "TDC Sensor Offset": the angle offset in degrees that a store-offset source logs with every
// sample, kept in the rig's registry key as "TDC Offset".

#include <QDialog>

#include "acquisition/ioffsetprovider.h"

class QLineEdit;
class TRigConfig;

class TOffsetForm : public QDialog, public IOffsetProvider {
  Q_OBJECT
 public:
  explicit TOffsetForm(TRigConfig& rig, QWidget* parent = nullptr);

  double Offset() const override { return FOffset; }
  // OK: a number in the field becomes the offset and is remembered; anything else is refused with
  // a message and the dialog stays open.
  void okClick();
  QLineEdit* OffsetEdit;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The remembered offset, created as 0 when there is none.
  void ReadOffset();

  TRigConfig& FRig;
  double FOffset = 0;
};
