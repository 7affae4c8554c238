#include "plant/modbusplclink.h"

#include <QModbusReply>
#include <QModbusTcpClient>
#include <QVariant>

#include "plant/plcaddress.h"
#include "rigconfig/inistore.h"

namespace {
constexpr int kServerAddress = 1;  // the controller's node
}

TModbusPlcLink::TModbusPlcLink(const QString& host, int port, QObject* parent)
    : QObject(parent), FHost(host), FPort(port), FClient(new QModbusTcpClient(this)) {
  FClient->setConnectionParameter(QModbusDevice::NetworkAddressParameter, FHost);
  FClient->setConnectionParameter(QModbusDevice::NetworkPortParameter, FPort);
  // The window times an exchange out itself; Qt's own limit only cleans up forgotten requests.
  FClient->setTimeout(30000);
  FClient->setNumberOfRetries(0);
  connect(FClient, &QModbusDevice::stateChanged, this, [this](QModbusDevice::State state) {
    if (!FWaitingForConnection) return;
    if (state == QModbusDevice::ConnectedState) {
      FWaitingForConnection = false;
      Send();
    } else if (state == QModbusDevice::UnconnectedState) {
      FWaitingForConnection = false;
      Fail(ConnectionRefused, QStringLiteral("Connection to %1:%2 refused").arg(FHost).arg(FPort));
    }
  });
}

TModbusPlcLink::~TModbusPlcLink() {
  FEvents = {};
  FClient->disconnect(this);
  FClient->disconnectDevice();
}

std::pair<QString, int> TModbusPlcLink::EndpointFromIni(const QString& iniPath) {
  QString host = QString::fromLatin1(DefaultHost);
  int port = DefaultPort;
  if (iniPath.isEmpty()) return {host, port};
  const TIniStore ini(iniPath);
  const QString h = ini.ReadString(QStringLiteral("PLANT"), QStringLiteral("host"), QString()).trimmed();
  if (!h.isEmpty()) host = h;
  const int p = ini.ReadInteger(QStringLiteral("PLANT"), QStringLiteral("port"), DefaultPort);
  if (p > 0 && p < 65536) port = p;
  return {host, port};
}

void TModbusPlcLink::Read(const QString& FileAddr) { Start(FileAddr, false, 0); }

void TModbusPlcLink::Write(const QString& FileAddr, qint16 value) { Start(FileAddr, true, value); }

void TModbusPlcLink::Abandon() {
  ++FGeneration;
  FBusy = false;
  FWaitingForConnection = false;
}

void TModbusPlcLink::Start(const QString& FileAddr, bool write, qint16 value) {
  if (FBusy) {
    if (FEvents.OnErrorEvent) FEvents.OnErrorEvent(Busy, QStringLiteral("An exchange is already running"));
    return;
  }
  const std::optional<quint16> reg = TPlcAddress::Register(FileAddr);
  if (!reg) {
    if (FEvents.OnErrorEvent) FEvents.OnErrorEvent(BadAddress, QStringLiteral("Bad address \"%1\"").arg(FileAddr));
    return;
  }
  ++FGeneration;
  FBusy = true;
  FWrite = write;
  FRegister = *reg;
  FValue = value;
  switch (FClient->state()) {
    case QModbusDevice::ConnectedState: Send(); break;
    case QModbusDevice::ConnectingState: FWaitingForConnection = true; break;
    default:
      FWaitingForConnection = true;
      // connectDevice() may fail at once (unusable address): the state stays unconnected.
      if (!FClient->connectDevice() || FClient->state() == QModbusDevice::UnconnectedState) {
        FWaitingForConnection = false;
        Fail(ConnectionRefused, QStringLiteral("Cannot connect to %1:%2").arg(FHost).arg(FPort));
      }
      break;
  }
}

void TModbusPlcLink::Send() {
  QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, FRegister, 1);
  QModbusReply* reply = nullptr;
  if (FWrite) {
    unit.setValue(0, static_cast<quint16>(FValue));
    reply = FClient->sendWriteRequest(unit, kServerAddress);
  } else {
    reply = FClient->sendReadRequest(unit, kServerAddress);
  }
  if (!reply) {
    Fail(ConnectionLost, FClient->errorString().isEmpty() ? QStringLiteral("Request not sent") : FClient->errorString());
    return;
  }
  const unsigned generation = FGeneration;
  if (reply->isFinished()) {
    Finished(reply, generation);
    return;
  }
  connect(reply, &QModbusReply::finished, this, [this, reply, generation] { Finished(reply, generation); });
}

void TModbusPlcLink::Finished(QModbusReply* reply, unsigned generation) {
  reply->deleteLater();
  if (generation != FGeneration || !FBusy) return;  // abandoned: its time was up
  switch (reply->error()) {
    case QModbusDevice::NoError: {
      FBusy = false;
      if (FWrite) {
        if (FEvents.OnWriteDone) FEvents.OnWriteDone();
      } else {
        const QModbusDataUnit unit = reply->result();
        if (unit.valueCount() < 1) {
          Fail(ConnectionLost, QStringLiteral("Empty answer"));
          return;
        }
        if (FEvents.OnReadDone) FEvents.OnReadDone(static_cast<qint16>(unit.value(0)));
      }
      return;
    }
    case QModbusDevice::ProtocolError: {
      const int code = reply->rawResult().isException() ? static_cast<int>(reply->rawResult().exceptionCode()) : 0;
      Fail(code > 0 ? code : ConnectionLost, QStringLiteral("Controller exception %1").arg(code));
      return;
    }
    case QModbusDevice::TimeoutError: Fail(NoAnswer, QStringLiteral("No answer")); return;
    default: Fail(ConnectionLost, reply->errorString()); return;
  }
}

void TModbusPlcLink::Fail(int code, const QString& text) {
  FBusy = false;
  if (FEvents.OnErrorEvent) FEvents.OnErrorEvent(code, text);
}
