#pragma once
// The simulated controller on the network: a Modbus TCP server (unit 1) whose holding registers
// are the controller's data table, with switches that make it misbehave on purpose.

#include <QModbusTcpServer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <vector>

#include "plantcontroller.h"

class TPlantServer : public QModbusTcpServer {
  Q_OBJECT
 public:
  enum class TFault { None, NoAnswer, Slow, Exception, Refuse };
  static bool ParseFault(const QString& text, TFault& fault);

  TPlantServer(const QString& host, int port, QObject* parent = nullptr);
  // Listens (unless the fault is Refuse) and runs the plant in real time x `speed`.
  bool Start(double speed = 1.0);
  void SetFault(TFault fault);
  TFault Fault() const { return FFault; }
  int SlowMs = 7000;      // how late a slow answer comes (beyond the window's 5 s by default)
  int ExceptionCode = 4;  // server device failure
  TPlantController& Plant() { return FPlant; }
  int Requests() const { return FRequests; }

 protected:
  QModbusResponse processRequest(const QModbusPdu& request) override;
  bool readData(QModbusDataUnit* newData) const override;
  bool writeData(const QModbusDataUnit& newData) override;

 private:
  TPlantController FPlant;
  TFault FFault = TFault::None;
  QTimer FClock;
  double FSpeed = 1.0;
  bool FStarted = false;
  int FRequests = 0;
  std::vector<QPointer<QTcpSocket>> FClients;
  void Mute(QTcpSocket* client);
  void Accepted(QTcpSocket* client);
};
