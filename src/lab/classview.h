#pragma once
// The lecturer's class view: a tile per station of the lab, sorted and filtered, greyed out when a
// station stops talking; a double-click shows a station's runs; "Save all runs" writes one .xlsx
// per station; the lecturer chooses which live values a rig's tiles show. It subscribes read-only to the lab's topics and never publishes.

#include <map>
#include <memory>

#include <QMainWindow>
#include <QTimer>

#include "lab/labcollector.h"
#include "lab/labsettings.h"
#include "lab/tilevalues.h"

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
  // "Values shown...": asks which rig (when the lab has several), then its three values.
  void ChooseValues();
  // The values the tiles of `rig` show, asked one by one through the prompt service and kept in
  // the user's settings.
  void ChooseValuesFor(const QString& rig);
  const TTileValues& TileValues() const { return FTileValues; }
  // Re-greys and re-sorts (the one-second timer).
  void Refresh();

 private:
  void StationChanged(const QString& name);
  void Arrange();
  void UpdateConnectionText();
  void ShowTile(const QString& name, TStationTile* tile, std::int64_t now);
  // The names the stations of `rig` send, in the order they send them.
  QStringList PublishedNames(const QString& rig) const;

  TLabSettings FSettings;
  TLabCollector FCollector;
  TTileValues FTileValues;
  std::unique_ptr<TLabConnection> FConnection;
  std::map<QString, TStationTile*> FTiles;
  std::vector<TStationTile*> FOrder;
  QGridLayout* FGrid;
  QLineEdit* FFilter;
  QComboBox* FSort;
  QLabel* FConnectionLabel;
  QTimer FTimer;
};
