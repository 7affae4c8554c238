#pragma once
// A font chooser for the graph's Format dialog: face, size, bold and italic in one row.

#include <QFont>
#include <QWidget>

class QCheckBox;
class QFontComboBox;
class QSpinBox;

class TFontChooser : public QWidget {
  Q_OBJECT
 public:
  explicit TFontChooser(QWidget* parent = nullptr);
  void SetFont(const QFont& font);
  // `base` with the chosen face, size, weight and slant (its other properties kept).
  QFont ChosenFont(QFont base) const;

  QFontComboBox* Face;
  QSpinBox* Size;
  QCheckBox* Bold;
  QCheckBox* Italic;
};
