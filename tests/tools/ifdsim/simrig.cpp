#include "simrig.h"

#include <QFile>

bool TSimRig::Start(const QStringList& options, const QByteArray& plant) {
  QStringList args{QStringLiteral("--serial-dir"), Folder.File(QStringLiteral("s")), QStringLiteral("--device-dir"),
                   Folder.File(QStringLiteral("d")), QStringLiteral("--log"), Folder.File(QStringLiteral("log"))};
  if (!plant.isEmpty()) {
    Folder.Write(QStringLiteral("rig/sim/plant.ini"), plant);
    args << QStringLiteral("--rig") << Folder.File(QStringLiteral("rig"));
  }
  if (!Paced) args << QStringLiteral("--no-pacing");
  TSimOptions opts;
  if (!opts.Load(args + options, Plant, &Notes, &Error)) return false;
  Sim = std::make_unique<TSimulator>(opts, Plant);
  return Sim->Start(&Error);
}

QString TSimRig::SerialPath(const QString& card) const { return Folder.File(QStringLiteral("s/") + card); }

QString TSimRig::DevicePath(const QString& device) const { return Folder.File(QStringLiteral("d/") + device); }

QString TSimRig::Log() const { return QString::fromUtf8(TTempFolder::Read(Folder.File(QStringLiteral("log")))); }
