#include "fakestation.h"

#include <cmath>

#include <QDateTime>

#include "lab/labpayload.h"

namespace {
const char* const kRigs[] = {"Demo Rig", "Airflow Bench", "Capture Rig", "Heat Exchanger"};
}

TFakeStation::TFakeStation(const TLabSettings& settings, int index, int periodMs, int runEverySeconds, QObject* parent)
    : QObject(parent), FSettings(settings), FIndex(index), FRunEvery(runEverySeconds) {
  FConnection = std::make_unique<TLabConnection>(settings, QStringLiteral("labsim"));
  TLabPayload::TStatus gone{settings.StationName(), settings.Lab, QString(), QString(), QStringLiteral("offline"),
                            QStringLiteral(QUORLEX_VERSION), QString(), 0};
  FConnection->SetWill(settings.TopicRoot() + QStringLiteral("status"), TLabPayload::Status(gone));
  FTimer.setInterval(periodMs);
  connect(&FTimer, &QTimer::timeout, this, &TFakeStation::Tick);
}

void TFakeStation::Start() {
  FConnection->Start();
  FTimer.start();
}

void TFakeStation::Tick() {
  if (FConnection->State() != TLabConnection::TState::Connected) return;
  const QString root = FSettings.TopicRoot();
  const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
  const double t = ++FTicks + FIndex * 0.37;
  // Now and then an alarm, for a few ticks.
  const bool alarm = (FTicks + FIndex * 7) % 90 < 5;
  if (alarm != FAlarm) {
    FAlarm = alarm;
    FConnection->Publish(root + QStringLiteral("alarms"),
                         TLabPayload::Alarm({now, alarm ? QStringLiteral("raised") : QStringLiteral("cleared"),
                                             QStringLiteral("High T1"), QStringLiteral("T1 above 60 °C")}),
                         1, false);
  }
  if (FTicks == 1 || alarm != FAlarm || FTicks % 10 == 0)
    FConnection->Publish(root + QStringLiteral("status"),
                         TLabPayload::Status({FSettings.StationName(), FSettings.Lab, QString::fromLatin1(kRigs[FIndex % 4]),
                                              QStringLiteral("Exercise %1").arg(FIndex % 3 + 1),
                                              alarm ? QStringLiteral("alarm") : QStringLiteral("recording"),
                                              QStringLiteral(QUORLEX_VERSION), now, FRuns}),
                         1, true);
  TLabPayload::TValues values{now, {{QStringLiteral("T1"), QStringLiteral("°C"), 40 + 10 * std::sin(t / 20)},
                                    {QStringLiteral("F1"), QStringLiteral("l/min"), 3 + std::cos(t / 7)},
                                    {QStringLiteral("P1"), QStringLiteral("kPa"), 101.3 + 0.1 * std::sin(t)}}};
  if (FConnection->Publish(root + QStringLiteral("values"), TLabPayload::Values(values), 0, false) >= 0) ++FPublished;
  if (FRunEvery > 0 && FTicks % FRunEvery == 0) {
    TLabRun run;
    run.Id = QStringLiteral("%1-%2-%3").arg(FSettings.StationName()).arg(QDateTime::currentMSecsSinceEpoch()).arg(++FRuns);
    run.Station = FSettings.StationName();
    run.Rig = QString::fromLatin1(kRigs[FIndex % 4]);
    run.Name = QStringLiteral("Run %1").arg(FRuns);
    run.Ended = now;
    run.Columns = {{QStringLiteral("Time"), QStringLiteral("s")}, {QStringLiteral("T1"), QStringLiteral("°C")}};
    for (int i = 0; i < 60; ++i) run.Rows.push_back({double(i), 40 + 10 * std::sin((t + i) / 20)});
    FConnection->Publish(root + QStringLiteral("runs/") + run.Id, TLabPayload::Run(run), 1, false);
  }
}
