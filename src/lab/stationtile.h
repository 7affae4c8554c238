#pragma once
// One station in the class view: its state as a colour, rig and exercise, three chosen live values, the
// alarm raised, when it was last heard and how many runs it has sent. Greyed out when silent.
// A double-click opens the station's runs; its context menu chooses the values shown.

#include <cstdint>

#include <QColor>
#include <QFrame>

#include "lab/labcollector.h"

class QLabel;

class TStationTile : public QFrame {
  Q_OBJECT
 public:
  explicit TStationTile(const QString& name, QWidget* parent = nullptr);
  // `chosen`: the names of the values shown, empty for the first three the station sends.
  void Show(const TLabCollector::TStation& station, bool silent, const QStringList& chosen = {});
  QString Name() const { return FName; }
  bool Greyed() const { return FGreyed; }
  // The texts shown, line by line (for tests and the walk).
  QStringList Texts() const;
  static QColor StateColour(const QString& state);

 signals:
  void Opened(const QString& name);
  void ValuesRequested(const QString& name);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QString FName;
  bool FGreyed = false;
  QColor FBackground;
  QLabel *FTitle, *FRig, *FValues, *FAlarm, *FSeen;
};
