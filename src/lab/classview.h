#pragma once
// The lecturer's class view: a tile per station of the lab, sorted and filtered, greyed out when a
// station stops talking; a double-click shows a station's runs; "Save all runs" writes one .xlsx
// per station. It subscribes read-only to the lab's topics and never publishes.

#include <map>
#include <memory>

#include <QMainWindow>
#include <QTimer>

#include "lab/labcollector.h"
#include "lab/labsettings.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class TLabConnection;
class TStationTile;

class TClassView : public QMainWindow {
  Q_OBJECT
 public:
  // `connect` false: no broker (tests feed Collector() themselves).
  explicit TClassView(const TLabSettings& settings, bool connect = true, QWidget* parent = nullptr);
  ~TClassView() override;

  TLabCollector& Collector() { return FCollector; }
  // The tiles in the order shown (filtered out ones are not).
  std::vector<TStationTile*> ShownTiles() const;
  TStationTile* Tile(const QString& name) const;
  QLineEdit* Filter() const { return FFilter; }
  QComboBox* Sort() const { return FSort; }
  QString StatusText() const;
  // "Save all runs": a folder asked for through the prompt service, then the files.
  void SaveAllRuns();
  // A station's runs in a window of their own.
  void OpenStation(const QString& name);
  // Re-greys and re-sorts (the one-second timer).
  void Refresh();

 private:
  void StationChanged(const QString& name);
  void Arrange();
  void UpdateConnectionText();

  TLabSettings FSettings;
  TLabCollector FCollector;
  std::unique_ptr<TLabConnection> FConnection;
  std::map<QString, TStationTile*> FTiles;
  std::vector<TStationTile*> FOrder;
  QGridLayout* FGrid;
  QLineEdit* FFilter;
  QComboBox* FSort;
  QLabel* FConnectionLabel;
  QTimer FTimer;
};
