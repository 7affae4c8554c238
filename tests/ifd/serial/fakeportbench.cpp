#include "fakeportbench.h"

#include <gtest/gtest.h>

#include <QFile>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/datatriggerrep.h"

TFakePortBench::TFakePortBench()
    : FOldPorts(qgetenv(TComPortTable::EnvironmentVariable)), FHadPorts(qEnvironmentVariableIsSet(TComPortTable::EnvironmentVariable)) {
  TAvailablePorts::Shutdown();
  TAvailablePorts::SetQueuesEnabled(true);
  TCommandWriter::SetTransmitGateOpen(true);
  TApdComPortEx::SetDeviceFactory([this](const QString& path) -> std::unique_ptr<QIODevice> {
    auto& line = FLines[path];
    if (!line) line = std::make_unique<TFakeLine>();
    return std::make_unique<TFakeSerialDevice>(*line);
  });
  UpdateEnvironment();
}

TFakePortBench::~TFakePortBench() {
  TAvailablePorts::Shutdown();
  TAvailablePorts::SetQueuesEnabled(true);
  TCommandWriter::SetTransmitGateOpen(true);
  TApdComPortEx::SetDeviceFactory(nullptr);
  if (FHadPorts) qputenv(TComPortTable::EnvironmentVariable, FOldPorts);
  else qunsetenv(TComPortTable::EnvironmentVariable);
}

void TFakePortBench::UpdateEnvironment() {
  QStringList entries;
  for (const auto& [n, path] : FPaths) entries << QStringLiteral("COM%1=%2").arg(n).arg(path);
  qputenv(TComPortTable::EnvironmentVariable, entries.join(QLatin1Char(',')).toLocal8Bit());
}

QString TFakePortBench::AddPort(int n) {
  const QString path = FFolder.Write(QStringLiteral("com%1").arg(n), QByteArray());
  FPaths[n] = path;
  auto& line = FLines[path];
  if (!line) line = std::make_unique<TFakeLine>();
  UpdateEnvironment();
  return path;
}

void TFakePortBench::RemovePort(int n) {
  QFile::remove(FPaths[n]);
}

TFakeLine& TFakePortBench::Line(int n) {
  auto& line = FLines[FPaths.at(n)];
  if (!line) line = std::make_unique<TFakeLine>();
  return *line;
}

void TFakePortBench::Inject(int n, const QByteArray& bytes) {
  TFakeLine& line = Line(n);
  ASSERT_TRUE(line.Device) << "COM" << n << " is not open";
  line.Device->Inject(bytes);
}

QByteArray TFakePortBench::TakeWritten(int n) {
  TFakeLine& line = Line(n);
  QByteArray written = line.Written;
  line.Written.clear();
  return written;
}

TFakePortBench::TDrained TFakePortBench::Drain() {
  TDrained drained;
  static const int inKey = 0, outKey = 0;
  TAvailablePorts::RegisterLogDataInMeth([&drained](const QString& m) { drained.In << m; }, &inKey);
  TAvailablePorts::RegisterLogDataOutMeth([&drained](const QString& m) { drained.Out << m; }, &outKey);
  while (TAvailablePorts::PendingIn() > 0 || TAvailablePorts::PendingOut() > 0) TAvailablePorts::DispatchOnce();
  TAvailablePorts::UnregisterHandlers(&inKey);
  TAvailablePorts::UnregisterHandlers(&outKey);
  return drained;
}
