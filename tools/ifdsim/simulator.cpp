#include "simulator.h"

#include <QDir>

#include "deviceserver.h"
#include "legacydevice.h"
#include "plantmodel.h"
#include "serialcard.h"
#include "seriallink.h"

TSimulator::TSimulator(const TSimOptions& options, TPlantModel& plant, QObject* parent)
    : QObject(parent), FOptions(options), FPlant(plant),
      FInverter(options.InverterType, options.InverterProgram, options.InverterNak) {
  FVanishTimer.setSingleShot(true);
  connect(&FVanishTimer, &QTimer::timeout, this, &TSimulator::Vanish);
}

TSimulator::~TSimulator() {
  Stop();
  FPlant.SetClock({});
}

void TSimulator::Report(const QString& text) {
  FLog.Write(QStringLiteral("ifdsim"), text);
  emit Problem(text);
}

bool TSimulator::Start(QString* error) {
  if (!FOptions.LogFile.isEmpty() && !FLog.Open(FOptions.LogFile, error)) return false;
  FClock.start();
  FPlant.SetCounting(FOptions.CountingInputs);
  const double base = FPlant.Time();
  FPlant.SetClock([this, base] { return base + FClock.nsecsElapsed() * 1e-9; });
  for (int slot = 0; slot < 2; ++slot)
    if (FOptions.Cards[slot].Present() && !StartCard(slot, error)) {
      Stop();
      return false;
    }
  if (FOptions.Faults.VanishAfter >= 0) FVanishTimer.start(int(FOptions.Faults.VanishAfter * 1000));
  FLog.Write(QStringLiteral("ifdsim"), QStringLiteral("(started)"));
  return true;
}

bool TSimulator::StartCard(int slot, QString* error) {
  const TCardSpec& spec = FOptions.Cards[slot];
  const QString name = slot == 0 ? QStringLiteral("master") : QStringLiteral("slave");
  const QString kind = spec.IsVexa() ? QStringLiteral("Vexa") : QStringLiteral("Brenna-style card");
  const QString inputs = spec.Mode == TInputMode::Differential ? QStringLiteral("8 differential") : QStringLiteral("16 single-ended");
  if (FOptions.Serial) {
    FCards.push_back(std::make_unique<TSerialCard>(spec, slot, FPlant, FInverter));
    FLinks.push_back(std::make_unique<TSerialLink>(name, *FCards.back(), FOptions.Faults, FLog,
                                                   FOptions.Pacing ? FOptions.Baud : 0));
    TSerialLink& link = *FLinks.back();
    connect(&link, &TSerialLink::Problem, this, &TSimulator::Report);
    if (!link.Open(QDir(FOptions.SerialDir).filePath(name), error)) return false;
    FSummary << QStringLiteral("%1: %2 \"%3\", role %4, %5 inputs, on %6 -> %7")
                    .arg(name, kind, QString::fromLatin1(FCards.back()->IdentificationText()))
                    .arg(QChar(spec.RoleDigit))
                    .arg(inputs, link.Port().LinkPath(), link.Port().DevicePath());
  }
  if (FOptions.Devices && spec.Legacy != TLegacyKind::None) {
    const QString device = (spec.Legacy == TLegacyKind::VelUsb ? QStringLiteral("VelUSB") : QStringLiteral("DoruzOVA")) +
                           QString::number(slot);
    FDevices.push_back(std::make_unique<TLegacyDevice>(spec, slot, FPlant, FInverter));
    FDevices.back()->SetFrequencyGate(FOptions.FrequencyGate);
    FServers.push_back(std::make_unique<TDeviceServer>(device, *FDevices.back(), FOptions.Faults, FLog));
    TDeviceServer& server = *FServers.back();
    connect(&server, &TDeviceServer::Problem, this, &TSimulator::Report);
    if (!server.Listen(FOptions.DeviceDir, error)) return false;
    FSummary << QStringLiteral("%1: device \\\\.\\%2 on %3").arg(name, device, server.Path());
  }
  return true;
}

void TSimulator::Vanish() {
  FLog.Write(QStringLiteral("ifdsim"), QStringLiteral("(vanished)"));
  for (auto& link : FLinks) link->Vanish();
  for (auto& server : FServers) server->Close();
}

void TSimulator::Stop() {
  FVanishTimer.stop();
  FServers.clear();
  FLinks.clear();
  FDevices.clear();
  FCards.clear();
}
