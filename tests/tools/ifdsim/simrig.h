#pragma once
// A simulator running inside the test, with its symlinks, sockets and log in a temporary folder
// that disappears with the test.

#include <QStringList>
#include <memory>

#include "plantmodel.h"
#include "simulator.h"
#include "support/tempfolder.h"

class TSimRig {
 public:
  ~TSimRig() { Sim.reset(); }
  // Starts with the given extra options; a non-empty plant text becomes the rig's sim/plant.ini.
  // Replies leave at once unless Paced is set before.
  bool Start(const QStringList& options, const QByteArray& plant = {});
  QString SerialPath(const QString& card = QStringLiteral("master")) const;
  QString DevicePath(const QString& device) const;
  QString Log() const;

  TTempFolder Folder;
  TPlantModel Plant;
  std::unique_ptr<TSimulator> Sim;
  bool Paced = false;
  QString Error;
  QStringList Notes;
};
