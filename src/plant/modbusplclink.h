#pragma once
// The controller link over Modbus TCP: each data-table word is one holding register of unit 1
// (TPlcAddress gives the register). The connection is made on the first exchange and made again
// on the next exchange after it was refused or lost, so a controller that comes back is found by
// the next poll.

#include <QObject>
#include <QPointer>

#include "plant/iplclink.h"

class QModbusReply;
class QModbusTcpClient;

class TModbusPlcLink : public QObject, public IPlcLink {
  Q_OBJECT
 public:
  static constexpr int DefaultPort = 15020;
  static inline const char* const DefaultHost = "127.0.0.1";

  TModbusPlcLink(const QString& host, int port, QObject* parent = nullptr);
  ~TModbusPlcLink() override;

  // Host and port from the rig's Configuration.ini, section [PLANT], keys host and port; the
  // defaults above when absent or unusable.
  static std::pair<QString, int> EndpointFromIni(const QString& iniPath);

  void Read(const QString& FileAddr) override;
  void Write(const QString& FileAddr, qint16 value) override;
  void Abandon() override;
  bool IsBusy() const override { return FBusy; }

 private:
  void Start(const QString& FileAddr, bool write, qint16 value);
  void Send();
  void Finished(QModbusReply* reply, unsigned generation);
  void Fail(int code, const QString& text);

  QString FHost;
  int FPort;
  QModbusTcpClient* FClient;
  bool FBusy = false;
  bool FWaitingForConnection = false;
  bool FWrite = false;
  quint16 FRegister = 0;
  qint16 FValue = 0;
  unsigned FGeneration = 0;  // exchanges started; an answer of an older one is ignored
};
