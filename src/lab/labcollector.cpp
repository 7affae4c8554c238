#include "lab/labcollector.h"

#include <QDir>
#include <QTime>

#include "platform/iclock.h"
#include "platform/services.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

bool TLabCollector::Receive(const QString& topic, const QByteArray& payload) {
  // quorlex/<lab>/<station>/<kind>[/<run id>]
  const QStringList parts = topic.split(QLatin1Char('/'));
  if (parts.size() < 4 || parts[0] != QLatin1String("quorlex") || parts[2].isEmpty()) {
    ++FRefused;
    return false;
  }
  const QString& name = parts[2];
  const QString& kind = parts[3];
  TStation candidate = FStations.count(name) ? FStations[name] : TStation{};
  candidate.Name = name;
  candidate.Lab = parts[1];
  bool ok = false;
  if (kind == QLatin1String("status") && parts.size() == 4) {
    ok = TLabPayload::ReadStatus(payload, candidate.Status);
  } else if (kind == QLatin1String("values") && parts.size() == 4) {
    ok = TLabPayload::ReadValues(payload, candidate.Values);
  } else if (kind == QLatin1String("alarms") && parts.size() == 4) {
    TLabPayload::TAlarm alarm;
    ok = TLabPayload::ReadAlarm(payload, alarm);
    if (ok) candidate.AlarmText = alarm.Event == QLatin1String("raised") ? alarm.Text : QString();
  } else if (kind == QLatin1String("runs") && parts.size() == 5) {
    TLabRun run;
    ok = TLabPayload::ReadRun(payload, run) && run.Id == parts[4];
    if (ok) {
      const auto it = candidate.Runs.find(run.Id);
      if (it == candidate.Runs.end()) {
        candidate.RunOrder.push_back(run.Id);
        candidate.Runs.emplace(run.Id, std::move(run));
      } else if (run.Revision > it->second.Revision) {
        it->second = std::move(run);
      }
    }
  }
  if (!ok) {
    ++FRefused;
    return false;
  }
  // A retained "offline" is history, not a sign of life.
  if (!(kind == QLatin1String("status") && candidate.Status.State == QLatin1String("offline"))) {
    candidate.LastHeardMs = TServices::Clock().TickCountMs();
    candidate.LastHeard = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
  }
  FStations[name] = std::move(candidate);
  emit StationChanged(name);
  return true;
}

const TLabCollector::TStation* TLabCollector::Station(const QString& name) const {
  const auto it = FStations.find(name);
  return it == FStations.end() ? nullptr : &it->second;
}

bool TLabCollector::Silent(const TStation& station, std::int64_t nowMs) const {
  return station.Status.State == QLatin1String("offline") || station.LastHeardMs < 0 ||
         nowMs - station.LastHeardMs > SilentAfterMs;
}

QString TLabCollector::FileNameFor(const QString& station) {
  QString r;
  for (const QChar c : station) r += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char(' ') ? c : QLatin1Char('_');
  return r.trimmed().isEmpty() ? QStringLiteral("station") : r.trimmed();
}

QStringList TLabCollector::SaveAllRuns(const QString& folder, QStringList& errors) const {
  QStringList written;
  if (!QDir().mkpath(folder)) {
    errors << QStringLiteral("cannot create the folder %1").arg(folder);
    return written;
  }
  for (const auto& [name, station] : FStations) {
    if (station.Runs.empty()) continue;
    TWorkbook book;
    book.SetNumSheets(static_cast<int>(station.RunOrder.size()));
    int sheet = 0;
    QStringList names;
    for (const QString& id : station.RunOrder) {
      const TLabRun& run = station.Runs.at(id);
      book.SetSheet(++sheet);
      // Sheet names are unique and short: the run's own name, numbered when it repeats.
      QString sheetName = (run.Name.isEmpty() ? QStringLiteral("Run %1").arg(sheet) : run.Name).left(28);
      for (int n = 2; names.contains(sheetName, Qt::CaseInsensitive); ++n) sheetName = QStringLiteral("%1 (%2)").arg(run.Name.left(24)).arg(n);
      names << sheetName;
      book.SetSheetName(sheet, sheetName);
      for (int c = 0; c < static_cast<int>(run.Columns.size()); ++c) {
        const TLabColumn& col = run.Columns[static_cast<size_t>(c)];
        book.SetTextRC(1, c + 1, col.Units.isEmpty() ? col.Title : QStringLiteral("%1 (%2)").arg(col.Title, col.Units));
      }
      for (int r = 0; r < static_cast<int>(run.Rows.size()); ++r) {
        const std::vector<TLabCell>& row = run.Rows[static_cast<size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
          const TLabCell& cell = row[static_cast<size_t>(c)];
          if (const double* d = std::get_if<double>(&cell)) book.SetNumberRC(r + 2, c + 1, *d);
          else if (const QString* s = std::get_if<QString>(&cell)) book.SetTextRC(r + 2, c + 1, *s);
          else if (const TLabError* e = std::get_if<TLabError>(&cell)) book.SetTextRC(r + 2, c + 1, e->Code);
        }
      }
    }
    book.SetSheet(1);
    const QString path = QDir(folder).filePath(FileNameFor(name) + QStringLiteral(".xlsx"));
    try {
      book.Write(path, 2);
      written << path;
    } catch (const EWorkbookError& e) {
      errors << QString::fromUtf8(e.what());
    }
  }
  return written;
}
