#include "acquisition/qxvarimage4source.h"

#include <algorithm>

#include "acquisition/picturebar.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"

TQXVarImage4Source::~TQXVarImage4Source() {
  delete Display1;
  delete Display2;
}

void TQXVarImage4Source::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  PictureConstruction(DisplayParent, Source);
  FChannel = Source.IFD_Channel();
  Display1 = CreatePicture(Source.LongLabelText(), TotalHeight, true);
  Display2 = CreatePicture(Source.ShortLabelText(), TotalHeight, true);
  Range = Source.Mimic_Item_Width();
  Vertical = Source.InitialVal() == 1;
}

void TQXVarImage4Source::Change(QObject* Sender) {
  Q_UNUSED(Sender);
  if (!Display1 || !Display2) return;
  const QRect fixed = Display2->geometry();
  const auto shift = numbers::RoundHalfEven((2048 - Raw(FChannel)) / 2048.0 * Range);
  // Never past the far edge: the cover then has nothing left to show.
  const int b = static_cast<int>(std::clamp<std::int64_t>(shift, 0, Vertical ? fixed.height() : fixed.width()));
  if (Vertical)
    Display1->setGeometry(fixed.left(), fixed.top() + b, fixed.width(), fixed.height() - b);
  else
    Display1->setGeometry(fixed.left() + b, fixed.top(), fixed.width() - b, fixed.height());
}
