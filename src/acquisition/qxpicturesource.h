#pragma once
// The base of the diagram's animated pictures (level bars, two-input level, two-state picture,
// sliding cover): no label and no box, a rectangle from the definition's data position (top-left)
// to its label position (bottom-right) within which the picture moves, and the values they follow
// on every tick: the interface's, or the process plant's when the rig uses one.

#include "acquisition/qxsourcemeta.h"

class IPlantArrays;
class TPictureBar;

class TQXPictureSource : public TQXSourceMeta {
  Q_OBJECT
 public:
  using TQXSourceMeta::TQXSourceMeta;

  // The tick of a picture source.
  virtual void Change(QObject* Sender) = 0;
  void Tick(int Current_Count, TDateTime Start_Time) override;

  int TotalHeight = 0;
  int TotalTop = 0;

 protected:
  // Base construction with label and box hidden; the rectangle is taken from the definition.
  void PictureConstruction(QWidget* DisplayParent, const TDataSource_Definition& Source);
  // A picture control over the rectangle's width (and `height`), holding config\<name>; null
  // without a position. A picture that cannot be opened leaves the control hidden.
  TPictureBar* CreatePicture(const QString& name, int height, bool transparent);
  // Puts `control` at the bottom of the rectangle with `height`.
  void StandOnBottom(QWidget* control, int height) const;
  // The process plant's values when the rig uses the process plant and its window exists.
  static IPlantArrays* Plant();
  // The interface's current counts of `channel` (0 without an interface).
  static int Raw(int channel);
  // Digital input `line` of the interface is 1.
  static bool DigitalInput(int line);
  // `fraction` of TotalHeight, rounded, limited to 0 ... TotalHeight.
  int HeightFor(double fraction) const;

  int FLeft = 0;
  int FBarWidth = 0;
  QString FItemName;
};
