#include "support/cardsimulator.h"

#include <QFile>
#include <QFileInfo>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/waitfor.h"
#include "support/tempfolder.h"

TCardSimulator::TCardSimulator(const TTempFolder& folder, const QString& program)
    : FFolder(folder), FProgram(program) {
  FOldPorts = qgetenv(TComPortTable::EnvironmentVariable);
  qputenv(TComPortTable::EnvironmentVariable,
          QStringLiteral("COM3=%1,COM4=%2").arg(folder.File("master"), folder.File("slave")).toLocal8Bit());
  TAvailablePorts::Shutdown();
  TAvailablePorts::SetQueuesEnabled(true);
  TCommandWriter::SetTransmitGateOpen(true);
  TApdComPortEx::SetDeviceFactory(nullptr);
  TAvailablePorts::StartDispatcher();
  TAvailablePorts::SetDispatcherSpeed(1);
}

TCardSimulator::~TCardSimulator() {
  TAvailablePorts::Shutdown();
  TAvailablePorts::SetQueuesEnabled(true);
  Stop();
  qputenv(TComPortTable::EnvironmentVariable, FOldPorts);
}

bool TCardSimulator::StartSerial(const QStringList& options, bool slave) {
  FProcess.setProgram(FProgram);
  FProcess.setArguments(QStringList{"--serial-dir", FFolder.Path(), "--no-devices", "--log",
                                    FFolder.File("commands.log")} +
                        (FPaced ? QStringList() : QStringList{"--no-pacing"}) + options);
  FProcess.setProcessChannelMode(QProcess::MergedChannels);
  FProcess.setStandardOutputFile(FFolder.File("simulator.out"));
  FProcess.start();
  return FProcess.waitForStarted(5000) && WaitFor([&] {
           return QFileInfo::exists(FFolder.File("master")) && (!slave || QFileInfo::exists(FFolder.File("slave")));
         }, 5000);
}

QString TCardSimulator::DeviceDir() const { return FFolder.File("dev"); }

bool TCardSimulator::StartDevices(const QString& plant) {
  FProcess.start(FProgram, QStringList{"--no-serial", "--device-dir", DeviceDir(), "--plant", plant});
  return FProcess.waitForStarted(5000) && WaitFor([&] { return QFileInfo::exists(DeviceDir() + "/VelUSB0"); }, 5000);
}

QStringList TCardSimulator::Received(const QString& card) const {
  QStringList commands;
  for (const QString& line : QString::fromUtf8(TTempFolder::Read(FFolder.File("commands.log"))).split('\n')) {
    const qsizetype at = line.indexOf(card + '\t');
    if (at >= 0) commands << line.mid(at + card.size() + 1).trimmed();
  }
  return commands;
}

void TCardSimulator::Kill() {
  FProcess.kill();
  FProcess.waitForFinished(3000);
  RemoveLinks(FFolder.Path());
}

void TCardSimulator::RemoveLinks(const QString& serialDir) {
  QFile::remove(serialDir + QStringLiteral("/master"));
  QFile::remove(serialDir + QStringLiteral("/slave"));
}

void TCardSimulator::Stop() {
  if (FProcess.state() == QProcess::NotRunning) return;
  FProcess.terminate();
  if (!FProcess.waitForFinished(3000)) {
    FProcess.kill();
    FProcess.waitForFinished(3000);
  }
}
