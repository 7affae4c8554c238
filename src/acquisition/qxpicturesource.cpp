#include "acquisition/qxpicturesource.h"

#include <algorithm>
#include <cmath>

#include <QLabel>
#include <QLineEdit>

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "acquisition/rigpicture.h"
#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

void TQXPictureSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Current_Count);
  Q_UNUSED(Start_Time);
  Change(nullptr);
}

void TQXPictureSource::PictureConstruction(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  if (Data_Label) Data_Label->hide();
  if (Display_Box) Display_Box->hide();
  FLeft = Source.MimicData_X_Pos();
  FBarWidth = Source.MimicLabel_X_Pos() - Source.MimicData_X_Pos();
  TotalTop = Source.MimicData_Y_Pos();
  TotalHeight = Source.MimicLabel_Y_Pos() - Source.MimicData_Y_Pos();
  FItemName = Source.LongLabelText();
}

TPictureBar* TQXPictureSource::CreatePicture(const QString& name, int height, bool transparent) {
  if (!FHasPosition || !Parent) return nullptr;
  auto* control = new TPictureBar(Parent);
  control->setGeometry(FLeft, TotalTop, std::max(FBarWidth, 0), std::max(height, 0));
  control->SetPicture(TRigPicture::Load(name, FItemName.isEmpty() ? name : FItemName), transparent);
  return control;
}

void TQXPictureSource::StandOnBottom(QWidget* control, int height) const {
  if (control) control->setGeometry(control->x(), TotalTop + TotalHeight - height, control->width(), height);
}

IPlantArrays* TQXPictureSource::Plant() { return Rig() && Rig()->UsingSCADA ? IPlantArrays::Current() : nullptr; }

int TQXPictureSource::Raw(int channel) { return IFD() ? IFD()->DataForChannel(channel) : 0; }

bool TQXPictureSource::DigitalInput(int line) {
  return IFD() && line >= 0 && line < TIFDState::DigitalLines && IFD()->DigitalInputs[static_cast<size_t>(line)] == 1;
}

int TQXPictureSource::HeightFor(double fraction) const {
  // A fraction that is not a number (a zero scale) leaves the bar empty.
  if (!std::isfinite(fraction)) return 0;
  const auto h = numbers::RoundHalfEven(std::clamp(fraction, 0.0, 1.0) * TotalHeight);
  return static_cast<int>(std::clamp<std::int64_t>(h, 0, std::max(TotalHeight, 0)));
}
