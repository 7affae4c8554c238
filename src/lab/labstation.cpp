#include "lab/labstation.h"

#include <functional>

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>

#include "lab/ilabrig.h"

namespace {
constexpr int kTickMs = 1000;  // values at most once a second
constexpr size_t kAlarmsKept = 200;

QString WaitingText(int n) {
  return n == 1 ? QStringLiteral(" (1 run waiting)") : QStringLiteral(" (%1 runs waiting)").arg(n);
}
}  // namespace

TLabStation::TLabStation(const TLabSettings& settings, ILabRig& rig, const QString& outboxFolder, QObject* parent)
    : QObject(parent),
      FSettings(settings),
      FRig(rig),
      FRoot(settings.TopicRoot()),
      FOutbox(outboxFolder.isEmpty() ? TLabOutbox::FolderFor(settings) : outboxFolder) {
  FConnection = std::make_unique<TLabConnection>(settings, QStringLiteral("quorlex-station"));
  TLabPayload::TStatus gone;
  gone.Station = settings.StationName();
  gone.Lab = settings.Lab;
  gone.State = QStringLiteral("offline");
  gone.Program = QCoreApplication::applicationVersion();
  FConnection->SetWill(FRoot + QStringLiteral("status"), TLabPayload::Status(gone));
  connect(FConnection.get(), &TLabConnection::StateChanged, this, &TLabStation::OnStateChanged);
  connect(FConnection.get(), &TLabConnection::Acknowledged, this, &TLabStation::OnAcknowledged);
  FTimer.setInterval(kTickMs);
  connect(&FTimer, &QTimer::timeout, this, &TLabStation::Tick);
}

TLabStation::~TLabStation() = default;

void TLabStation::Start() {
  FConnection->Start();
  FTimer.start();
  UpdateStatusText();
}

QString TLabStation::CurrentState() const {
  for (const ILabRig::TAlarmState& a : FRig.Alarms())
    if (a.Raised) return QStringLiteral("alarm");
  return FRig.State();
}

void TLabStation::Tick() {
  const bool online = FConnection->State() == TLabConnection::TState::Connected;
  const QString now = TLabPayload::Now();
  // Alarms: each change once, with the time it was seen. Changes while the broker is away wait
  // (the newest kAlarmsKept of them) and go out in order when it is back.
  for (const ILabRig::TAlarmState& a : FRig.Alarms()) {
    bool& was = FAlarmRaised[a.Name];
    if (was == a.Raised) continue;
    was = a.Raised;
    FAlarmsWaiting.push_back(TLabPayload::Alarm({now, a.Raised ? QStringLiteral("raised") : QStringLiteral("cleared"), a.Name, a.Text}));
    if (FAlarmsWaiting.size() > kAlarmsKept) FAlarmsWaiting.pop_front();
  }
  while (online && !FAlarmsWaiting.empty()) {
    if (FConnection->Publish(FRoot + QStringLiteral("alarms"), FAlarmsWaiting.front(), 1, false) < 0) break;
    FAlarmsWaiting.pop_front();
  }
  PublishStatus(false);
  if (!online) return;
  FConnection->Publish(FRoot + QStringLiteral("values"), TLabPayload::Values({now, FRig.LiveValues()}), 0, false);
}

void TLabStation::PublishStatus(bool force) {
  const QString state = CurrentState();
  if (state != FState || FChanged.isEmpty()) {
    FState = state;
    FChanged = TLabPayload::Now();
  }
  TLabPayload::TStatus s;
  s.Station = FSettings.StationName();
  s.Lab = FSettings.Lab;
  s.Rig = FRig.RigTitle();
  s.Exercise = FRig.Exercise();
  s.State = FState;
  s.Program = QCoreApplication::applicationVersion();
  s.Changed = FChanged;
  s.Runs = static_cast<int>(FSent.size());
  const QByteArray bytes = TLabPayload::Status(s);
  if (FConnection->State() != TLabConnection::TState::Connected) return;
  if (!force && bytes == FLastStatus) return;
  if (FConnection->Publish(FRoot + QStringLiteral("status"), bytes, 1, true) >= 0) FLastStatus = bytes;
}

void TLabStation::RunEnded(int run) {
  Store(run);
  SendWaiting();
}

void TLabStation::RunsEnded() {
  for (int run = 1; run <= FRig.RunCount(); ++run) Store(run);
  SendWaiting();
}

void TLabStation::RunsCleared() { FRuns.clear(); }

// A run with samples into the outbox, unless this very content is already there or sent.
void TLabStation::Store(int run) {
  TLabRun r;
  if (!FRig.ReadRun(run, r)) return;
  r.Station = FSettings.StationName();
  r.Rig = FRig.RigTitle();
  r.Exercise = FRig.Exercise();
  const size_t fingerprint = std::hash<std::string>()(TLabPayload::Run(r).toStdString());
  TRunKey& key = FRuns[run];
  if (key.Name != r.Name || key.Id.isEmpty()) {
    // Unique over stations and restarts: the station, the time and a random part.
    key = TRunKey{r.Name,
                  QStringLiteral("%1-%2-%3")
                      .arg(FSettings.StationName(), QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddThhmmsszzz")))
                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')),
                  0, 0};
  }
  if (key.Revision > 0 && key.Fingerprint == fingerprint) return;  // sent once
  key.Fingerprint = fingerprint;
  ++key.Revision;
  r.Id = key.Id;
  r.Revision = key.Revision;
  r.Ended = TLabPayload::Now();
  QString error;
  if (!FOutbox.Put(key.Id, FRoot + QStringLiteral("runs/") + key.Id, TLabPayload::Run(r), &error)) {
    // Nothing else to do from here: the run stays in the table and in its journal.
    key.Revision = 0;
    qWarning("lab: run %s not stored for sending: %s", qPrintable(key.Id), qPrintable(error));
    return;
  }
  ++FGeneration[TLabOutbox::NameFor(key.Id)];
  UpdateStatusText();
}

void TLabStation::SendWaiting() {
  if (FConnection->State() != TLabConnection::TState::Connected) return;
  for (const TLabOutbox::TEntry& e : FOutbox.Pending()) {
    bool flying = false;
    for (const auto& [mid, f] : FInFlight) flying = flying || (f.Name == e.Name && f.Generation == FGeneration.value(e.Name));
    if (flying) continue;
    const int mid = FConnection->Publish(e.Topic, e.Payload, 1, false);
    if (mid < 0) break;
    FInFlight[mid] = {e.Name, FGeneration.value(e.Name)};
  }
}

void TLabStation::OnAcknowledged(int mid, bool accepted) {
  const auto it = FInFlight.find(mid);
  if (it == FInFlight.end()) return;
  const TInFlight f = it->second;
  FInFlight.erase(it);
  if (!accepted) {
    // Kept out by the broker's access list: the run stays waiting, and the status says why.
    FPublishRefused = true;
    UpdateStatusText();
    return;
  }
  // A newer revision written meanwhile stays for its own acknowledgement.
  if (FGeneration.value(f.Name) == f.Generation) FOutbox.Remove(f.Name);
  FSent.insert(f.Name);
  UpdateStatusText();
  PublishStatus(false);
}

void TLabStation::OnStateChanged() {
  if (FConnection->State() == TLabConnection::TState::Connected) {
    FPublishRefused = false;
    FInFlight.clear();
    PublishStatus(true);
    SendWaiting();
  } else {
    FInFlight.clear();
  }
  UpdateStatusText();
}

void TLabStation::Finish() {
  FTimer.stop();
  RunsEnded();
  if (FConnection->State() == TLabConnection::TState::Connected) {
    TLabPayload::TStatus s;
    s.Station = FSettings.StationName();
    s.Lab = FSettings.Lab;
    s.Rig = FRig.RigTitle();
    s.Exercise = FRig.Exercise();
    s.State = QStringLiteral("offline");
    s.Program = QCoreApplication::applicationVersion();
    s.Changed = TLabPayload::Now();
    s.Runs = static_cast<int>(FSent.size());
    FConnection->Publish(FRoot + QStringLiteral("status"), TLabPayload::Status(s), 1, true);
  }
  FConnection->Stop();
}

QString TLabStation::StatusText() const { return FStatusText; }

QString TLabStation::StatusDetail() const { return FConnection->Detail(); }

void TLabStation::UpdateStatusText() {
  const int waiting = FOutbox.Count();
  QString text = FPublishRefused ? QStringLiteral("Lab: not allowed to publish") : TLabConnection::StateText(FConnection->State());
  if (waiting > 0) text += WaitingText(waiting);
  if (text == FStatusText) return;
  FStatusText = text;
  emit StatusChanged(text);
}
