#pragma once
// This rig as a station of the lab network: its status (retained; the broker says "offline" for
// it when it vanishes), its live values at most once a second, its alarms as they are raised and
// cleared (held while the broker is away), and every finished run, which goes through the on-disk
// outbox so that a broker away for a while, or a restart of the program, loses none. Everything
// runs on the station's own one-second timer and the connection's thread; the logger tick never
// calls in here.

#include <deque>
#include <map>
#include <memory>
#include <set>

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include "lab/labconnection.h"
#include "lab/laboutbox.h"
#include "lab/labpayload.h"
#include "lab/labsettings.h"

class ILabRig;

class TLabStation : public QObject {
  Q_OBJECT
 public:
  // `outboxFolder` empty: the user's data folder for this lab and station.
  TLabStation(const TLabSettings& settings, ILabRig& rig, const QString& outboxFolder = QString(), QObject* parent = nullptr);
  ~TLabStation() override;

  void Start();
  // A run has ended (the next one has begun): it is published once its samples are final.
  void RunEnded(int run);
  // The results were saved, or the table is about to be closed: every run holding samples.
  void RunsEnded();
  // The table starts afresh: the runs it held are forgotten (their copies are in the outbox).
  void RunsCleared();
  // The program ends: runs still open are stored for sending, the last status says "offline".
  void Finish();

  // "Lab: connected", "Lab: offline (3 runs waiting)", ...
  QString StatusText() const;
  QString StatusDetail() const;
  int Waiting() const { return FOutbox.Count(); }
  const TLabConnection& Connection() const { return *FConnection; }
  const TLabSettings& Settings() const { return FSettings; }
  // The one-second round (status, values, alarms), also for tests that do not wait for the timer.
  void Tick();

 signals:
  void StatusChanged(const QString& text);

 private:
  struct TRunKey {
    QString Name, Id;
    int Revision = 0;
    size_t Fingerprint = 0;
  };
  void Store(int run);
  void SendWaiting();
  void PublishStatus(bool force);
  void OnAcknowledged(int mid, bool accepted);
  void OnStateChanged();
  void UpdateStatusText();
  QString CurrentState() const;

  TLabSettings FSettings;
  ILabRig& FRig;
  QString FRoot;  // quorlex/<lab>/<station>/
  TLabOutbox FOutbox;
  std::unique_ptr<TLabConnection> FConnection;
  QTimer FTimer;
  std::map<int, TRunKey> FRuns;  // by run number in the table
  QHash<QString, int> FGeneration;  // outbox file -> times it was written this session
  struct TInFlight {
    QString Name;
    int Generation = 0;
  };
  std::map<int, TInFlight> FInFlight;  // message id -> outbox file
  std::set<QString> FSent;             // run ids the broker has taken
  bool FPublishRefused = false;        // the broker's access list kept a run out
  std::map<QString, bool> FAlarmRaised;  // by alarm name
  std::deque<QByteArray> FAlarmsWaiting;  // alarm messages not yet handed to the connection
  QByteArray FLastStatus;
  QString FState, FChanged;
  QString FStatusText;
};
