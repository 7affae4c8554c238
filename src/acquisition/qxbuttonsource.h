#pragma once
// A source whose only control is a push button at its data position (the stores and the re-zero
// button): the button takes the item's width, the source font and the item's hint.

#include <functional>

#include "acquisition/qxsource.h"

class QPushButton;

class TQXButtonSource : public TQXSource {
  Q_OBJECT
 public:
  using TQXSource::TQXSource;
  ~TQXButtonSource() override;

  QPushButton* Button = nullptr;

 protected:
  // Base construction with the box hidden, then the button (only when the item has a position);
  // a click runs `onClick`.
  void CreateButton(QWidget* DisplayParent, const TDataSource_Definition& Source, const QString& caption,
                    int height, std::function<void()> onClick);
};
