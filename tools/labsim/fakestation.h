#pragma once
// One simulated station: a retained status, three live values that drift, once a second (or at
// the rate asked), now and then an alarm, and a finished run every so often, as a real station
// publishes them.

#include <memory>

#include <QObject>
#include <QTimer>

#include "lab/labconnection.h"
#include "lab/labsettings.h"

class TFakeStation : public QObject {
  Q_OBJECT
 public:
  // `runEverySeconds` 0: no runs.
  TFakeStation(const TLabSettings& settings, int index, int periodMs, int runEverySeconds, QObject* parent = nullptr);
  void Start();
  int Published() const { return FPublished; }

 private:
  void Tick();
  TLabSettings FSettings;
  int FIndex;
  int FRunEvery;
  int FTicks = 0;
  int FRuns = 0;
  int FPublished = 0;
  bool FAlarm = false;
  std::unique_ptr<TLabConnection> FConnection;
  QTimer FTimer;
};
