#pragma once
// A station's collected runs, one tab each: the rows in a table and the columns plotted against
// the first, as the results window shows a run.

#include <QDialog>

#include "lab/labcollector.h"

class QTabWidget;

class TStationRuns : public QDialog {
  Q_OBJECT
 public:
  TStationRuns(const TLabCollector::TStation& station, QWidget* parent = nullptr);
  QTabWidget* Tabs() const { return FTabs; }

 private:
  QTabWidget* FTabs;
};
