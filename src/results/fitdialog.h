#pragma once
// Graph > Fit...: which shown series, and which curve.

#include <QDialog>
#include <QStringList>

#include "analysis/fitmodel.h"

class QComboBox;

class TFitDialog : public QDialog {
  Q_OBJECT
 public:
  // `series`: the shown series' labels; `chosen`: the one selected at first.
  TFitDialog(const QStringList& series, int chosen, QWidget* parent = nullptr);

  int Series() const;
  TFitModel Model() const;
  void Choose(int series, const TFitModel& model);

 private:
  QComboBox* FSeries;
  QComboBox* FModel;
};
