#include "plantserver.h"

#include <QThread>
#include <algorithm>
#include <functional>
#include <QVariant>

namespace {
constexpr int kStepMs = 200;
// Tells the server of each client it accepts (the server owns it once installed).
class TClientWatch : public QModbusTcpConnectionObserver {
 public:
  explicit TClientWatch(std::function<void(QTcpSocket*)> accepted) : FAccepted(std::move(accepted)) {}
  bool acceptNewConnection(QTcpSocket* newClient) override {
    FAccepted(newClient);
    return true;
  }

 private:
  std::function<void(QTcpSocket*)> FAccepted;
};
}  // namespace

bool TPlantServer::ParseFault(const QString& text, TFault& fault) {
  const std::pair<const char*, TFault> names[] = {{"none", TFault::None},
                                                  {"no-answer", TFault::NoAnswer},
                                                  {"slow", TFault::Slow},
                                                  {"exception", TFault::Exception},
                                                  {"refuse", TFault::Refuse}};
  for (const auto& [name, f] : names)
    if (text == QLatin1String(name)) {
      fault = f;
      return true;
    }
  return false;
}

TPlantServer::TPlantServer(const QString& host, int port, QObject* parent) : QModbusTcpServer(parent) {
  setConnectionParameter(QModbusDevice::NetworkAddressParameter, host);
  setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
  setServerAddress(1);
  installConnectionObserver(new TClientWatch([this](QTcpSocket* c) { Accepted(c); }));
  connect(&FClock, &QTimer::timeout, this, [this] { FPlant.Step(kStepMs / 1000.0 * FSpeed); });
}

bool TPlantServer::Start(double speed) {
  FSpeed = speed;
  FStarted = true;
  FClock.start(kStepMs);
  if (FFault == TFault::Refuse) return true;
  return connectDevice();
}

void TPlantServer::SetFault(TFault fault) {
  const TFault before = FFault;
  FFault = fault;
  // Refusing connections: stop listening (dropping the clients); afterwards listen again.
  if (fault == TFault::Refuse && before != TFault::Refuse) disconnectDevice();
  else if (fault != TFault::Refuse && before == TFault::Refuse && FStarted) connectDevice();
  // Not answering: the server stops reading its clients. Answering again is a restart: the hung
  // connections are dropped and clients connect afresh.
  if (fault == TFault::NoAnswer && before != TFault::NoAnswer) {
    for (const QPointer<QTcpSocket>& c : FClients)
      if (c) Mute(c);
  } else if (fault != TFault::NoAnswer && before == TFault::NoAnswer) {
    for (const QPointer<QTcpSocket>& c : FClients)
      if (c) c->abort();
    FClients.clear();
  }
}

void TPlantServer::Accepted(QTcpSocket* newClient) {
  FClients.erase(std::remove_if(FClients.begin(), FClients.end(), [](const QPointer<QTcpSocket>& c) { return !c; }),
                 FClients.end());
  FClients.emplace_back(newClient);
  // The server wires the socket after this returns.
  if (FFault == TFault::NoAnswer)
    QTimer::singleShot(0, this, [this, c = QPointer<QTcpSocket>(newClient)] {
      if (c) Mute(c);
    });
}

void TPlantServer::Mute(QTcpSocket* client) { QObject::disconnect(client, &QIODevice::readyRead, nullptr, nullptr); }

QModbusResponse TPlantServer::processRequest(const QModbusPdu& request) {
  ++FRequests;
  if (FFault == TFault::Exception)
    return QModbusExceptionResponse(request.functionCode(), static_cast<QModbusPdu::ExceptionCode>(ExceptionCode));
  // A slow controller: the answer leaves this late (the server has a thread of its own).
  if (FFault == TFault::Slow) QThread::msleep(static_cast<unsigned long>(SlowMs));
  return QModbusTcpServer::processRequest(request);
}

bool TPlantServer::readData(QModbusDataUnit* newData) const {
  if (!newData || newData->registerType() != QModbusDataUnit::HoldingRegisters) return false;
  for (qsizetype i = 0; i < newData->valueCount(); ++i) {
    std::uint16_t w = 0;
    if (!FPlant.Read(newData->startAddress() + static_cast<int>(i), w)) return false;
    newData->setValue(i, w);
  }
  return true;
}

bool TPlantServer::writeData(const QModbusDataUnit& newData) {
  if (newData.registerType() != QModbusDataUnit::HoldingRegisters) return false;
  for (qsizetype i = 0; i < newData.valueCount(); ++i)
    if (!FPlant.Write(newData.startAddress() + static_cast<int>(i), newData.value(i))) return false;
  return true;
}
