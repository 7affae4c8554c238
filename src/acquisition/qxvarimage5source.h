#pragma once
// A scaled level bar: the picture rises from the bottom with the input, half height at 0 counts
// and full at +2048. With a scale column the reading is first multiplied by the input's full
// scale over that column's value (a range the user picks on the run sheet).

#include <optional>

#include "acquisition/qxpicturesource.h"

class TQXVarImage5Source : public TQXPictureSource {
  Q_OBJECT
 public:
  using TQXPictureSource::TQXPictureSource;
  ~TQXVarImage5Source() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void Change(QObject* Sender) override;

  int Max = 0;
  TPictureBar* Display = nullptr;
  int height = 0;
  double Scaling = 1;
  // The full scale of the analogue input on this channel; none when the diagram has no such input
  // before this item, and the bar is then not scaled.
  std::optional<double> MaximumScale;
};
