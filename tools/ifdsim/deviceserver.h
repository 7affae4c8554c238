#pragma once
// Serves one driver device on a Unix-domain socket named after it. One connection is one open
// handle; each call is a request
//   u32 code, u32 inLen, u32 outSize, inLen bytes             (little-endian)
// answered by
//   u8 ok, u32 outLen, outLen bytes
// Closing the connection closes the handle. A request that breaks the framing (inLen above
// kMaxInput, outSize above kMaxOutput) ends the connection, as a driver refuses a bad buffer.

#include <QHash>
#include <QLocalServer>
#include <QObject>

#include "faultplan.h"

class QLocalSocket;
class TCommandLog;
class TLegacyDevice;

class TDeviceServer : public QObject {
  Q_OBJECT
 public:
  static constexpr quint32 kMaxInput = 4096;
  static constexpr quint32 kMaxOutput = 1 << 20;

  TDeviceServer(const QString& name, TLegacyDevice& device, const TFaultPlan::TSettings& faults, TCommandLog& log,
                QObject* parent = nullptr);
  ~TDeviceServer() override { Close(); }
  bool Listen(const QString& folder, QString* error);
  // Ends every handle and removes the socket: to the host the device has gone.
  void Close();
  QString Path() const { return FPath; }

 signals:
  void Problem(const QString& text);

 private:
  void Accept();
  void Serve(QLocalSocket* client);
  void Answer(QLocalSocket* client, bool ok, const QByteArray& data);

  QString FName, FPath;
  TLegacyDevice& FDevice;
  TFaultPlan FFaults;
  TCommandLog& FLog;
  QLocalServer FServer;
  QHash<QLocalSocket*, QByteArray> FBuffers;
};
