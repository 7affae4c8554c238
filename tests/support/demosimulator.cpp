#include "support/demosimulator.h"

#include <QFileInfo>

#include "ifd/serial/waitfor.h"
#include "rigconfig/inistore.h"
#include "shell/master.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "workbook/model/workbook.h"

TDemoSimulator::TDemoSimulator(const TTempFolder& folder, const QString& source, const QString& program)
    : FProgram(program),
      FRig(folder.CopyTree(source, QStringLiteral("demo"))),
      FSerial(folder.File(QStringLiteral("serial"))),
      FDevices(folder.File(QStringLiteral("dev"))),
      FLog(folder.File(QStringLiteral("commands.log"))),
      FOldDevices(qgetenv("QUORLEX_DEVICE_DIR")),
      FOldPorts(qgetenv("QUORLEX_PORTS")) {
  qputenv("QUORLEX_DEVICE_DIR", FDevices.toLocal8Bit());
  qputenv("QUORLEX_PORTS", ("COM3=" + FSerial + "/master,COM4=" + FSerial + "/slave").toLocal8Bit());
}

TDemoSimulator::~TDemoSimulator() {
  if (FProcess.state() != QProcess::NotRunning) {
    FProcess.terminate();
    FProcess.waitForFinished(5000);
  }
  qputenv("QUORLEX_DEVICE_DIR", FOldDevices);
  qputenv("QUORLEX_PORTS", FOldPorts);
}

bool TDemoSimulator::OscilloscopeOff() {
  TIniStore ini(FRig + QStringLiteral("/config/Configuration.ini"));
  ini.WriteString(QStringLiteral("Scope"), QStringLiteral("feature"), QStringLiteral("off"));
  return ini.UpdateFile();
}

bool TDemoSimulator::Start(const QStringList& extra) {
  FProcess.start(FProgram, QStringList{"--rig", FRig, "--serial-dir", FSerial, "--device-dir", FDevices, "--log", FLog} +
                               extra);
  return FProcess.waitForStarted(5000) && WaitFor([&] { return QFileInfo::exists(FSerial + "/master"); }, 5000);
}

std::unique_ptr<TMaster> TDemoSimulator::StartDemo(TScriptedPrompts& prompts, QString& why) {
  if (!Start()) {
    why = QStringLiteral("the simulator did not start");
    return nullptr;
  }
  if (!WaitFor([&] { return QFileInfo::exists(FDevices + QStringLiteral("/VelUSB0")); }, 5000)) {
    why = QStringLiteral("the simulator's devices did not appear");
    return nullptr;
  }
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  master->StartUp(FRig, {});
  if (!WaitFor([&] { return master->F1Book3().NumberRC(2, 4) > 5; }, 5000)) {
    why = QStringLiteral("no live tank temperature: %1").arg(master->F1Book3().NumberRC(2, 4));
    return nullptr;
  }
  return master;
}

void TDemoSimulator::Kill() {
  FProcess.kill();
  FProcess.waitForFinished(5000);
  TCardSimulator::RemoveLinks(FSerial);
}
