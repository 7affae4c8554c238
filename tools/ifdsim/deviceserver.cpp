#include "deviceserver.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#include "commandlog.h"
#include "legacydevice.h"

TDeviceServer::TDeviceServer(const QString& name, TLegacyDevice& device, const TFaultPlan::TSettings& faults,
                             TCommandLog& log, QObject* parent)
    : QObject(parent), FName(name), FDevice(device), FFaults(faults), FLog(log) {
  connect(&FServer, &QLocalServer::newConnection, this, &TDeviceServer::Accept);
}

bool TDeviceServer::Listen(const QString& folder, QString* error) {
  if (!QDir().mkpath(folder)) {
    *error = QStringLiteral("cannot create the device folder %1").arg(folder);
    return false;
  }
  const QString path = QDir(folder).filePath(FName);
  if (QFileInfo::exists(path)) {
    // A live socket belongs to another simulator; a dead one is left over from a crash.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(200)) {
      *error = QStringLiteral("%1 is already served by another process").arg(path);
      return false;
    }
    QLocalServer::removeServer(path);
  }
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  if (!FServer.listen(path)) {
    *error = QStringLiteral("cannot listen on %1: %2").arg(path, FServer.errorString());
    return false;
  }
  FPath = path;
  return true;
}

void TDeviceServer::Close() {
  const auto clients = FBuffers.keys();
  FBuffers.clear();
  for (QLocalSocket* c : clients) {
    c->disconnect(this);
    c->abort();
    c->deleteLater();
  }
  if (FServer.isListening()) {
    FServer.close();
    QLocalServer::removeServer(FPath);
  }
}

void TDeviceServer::Accept() {
  while (QLocalSocket* client = FServer.nextPendingConnection()) {
    FBuffers.insert(client, {});
    FLog.Write(FName, QStringLiteral("(opened)"));
    connect(client, &QLocalSocket::readyRead, this, [this, client] { Serve(client); });
    connect(client, &QLocalSocket::disconnected, this, [this, client] {
      if (FBuffers.remove(client)) FLog.Write(FName, QStringLiteral("(closed)"));
      client->deleteLater();
    });
  }
}

void TDeviceServer::Serve(QLocalSocket* client) {
  auto it = FBuffers.find(client);
  if (it == FBuffers.end()) return;
  it->append(client->readAll());
  QByteArray& buffer = *it;
  while (buffer.size() >= 12) {
    const quint32 code = qFromLittleEndian<quint32>(buffer.constData());
    const quint32 inLen = qFromLittleEndian<quint32>(buffer.constData() + 4);
    const quint32 outSize = qFromLittleEndian<quint32>(buffer.constData() + 8);
    if (inLen > kMaxInput || outSize > kMaxOutput) {
      emit Problem(QStringLiteral("%1: request with inLen %2, outSize %3 breaks the framing; handle closed")
                       .arg(FName).arg(inLen).arg(outSize));
      FBuffers.remove(client);
      client->abort();
      client->deleteLater();
      return;
    }
    if (buffer.size() < qsizetype(12 + inLen)) return;
    const QByteArray input = buffer.mid(12, inLen);
    buffer.remove(0, 12 + inLen);
    FLog.Write(FName, TLegacyDevice::Describe(code, input));
    const TLegacyDevice::TAnswer answer = FDevice.Call(code, input, outSize);
    if (!answer.Ok) FLog.Write(FName, QStringLiteral("(call failed)"));
    Answer(client, answer.Ok, answer.Data);
  }
}

void TDeviceServer::Answer(QLocalSocket* client, bool ok, const QByteArray& data) {
  QByteArray payload = data;
  switch (FFaults.Next()) {
    case TFaultPlan::TAction::Drop:
      // A synchronous caller would wait for ever on a missing answer; a failed call is what a
      // driver that lost the card reports.
      ok = false;
      payload.clear();
      FLog.Write(FName, QStringLiteral("(answer dropped: call fails)"));
      break;
    case TFaultPlan::TAction::Corrupt:
      payload = TFaultPlan::CorruptData(payload);
      FLog.Write(FName, QStringLiteral("(answer corrupted)"));
      break;
    case TFaultPlan::TAction::Send:
      break;
  }
  QByteArray out(5, '\0');
  out[0] = char(ok ? 1 : 0);
  qToLittleEndian<quint32>(quint32(payload.size()), out.data() + 1);
  out += payload;
  if (FFaults.Settings().DelayMs <= 0) {
    client->write(out);
    return;
  }
  QPointer<QLocalSocket> guard(client);
  QTimer::singleShot(FFaults.Settings().DelayMs, this, [guard, out] {
    if (guard && guard->state() == QLocalSocket::ConnectedState) guard->write(out);
  });
}
