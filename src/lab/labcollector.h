#pragma once
// What the class view knows of every station, from the messages under quorlex/<lab>/: the last
// status, live values and alarm, when it was last heard, and its runs, one copy per run id (a run
// that arrives twice, or an older revision after a newer one, changes nothing). Widget-free.

#include <cstdint>
#include <map>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "lab/labpayload.h"
#include "lab/labrun.h"

class TLabCollector : public QObject {
  Q_OBJECT
 public:
  struct TStation {
    QString Name, Lab;
    TLabPayload::TStatus Status;
    TLabPayload::TValues Values;
    QString AlarmText;            // the alarm raised now, empty when none
    std::int64_t LastHeardMs = -1;  // the clock service's tick count
    QString LastHeard;            // local time of day, for the tile
    std::map<QString, TLabRun> Runs;  // by id
    std::vector<QString> RunOrder;    // ids in arrival order
  };
  // A station heard from less recently than this is shown as silent.
  static constexpr std::int64_t SilentAfterMs = 5000;

  explicit TLabCollector(QObject* parent = nullptr) : QObject(parent) {}

  // One message; false (and counted) when it is not one of ours or cannot be read.
  bool Receive(const QString& topic, const QByteArray& payload);
  const std::map<QString, TStation>& Stations() const { return FStations; }
  const TStation* Station(const QString& name) const;
  bool Silent(const TStation& station, std::int64_t nowMs) const;
  int Refused() const { return FRefused; }

  // One .xlsx per station with runs, each run a sheet, into `folder`; the files written. A file
  // that could not be written is named in `errors`; the others are still written.
  QStringList SaveAllRuns(const QString& folder, QStringList& errors) const;
  // A station's file name: its name with characters a file name cannot hold replaced.
  static QString FileNameFor(const QString& station);

 signals:
  void StationChanged(const QString& name);

 private:
  std::map<QString, TStation> FStations;
  int FRefused = 0;
};
