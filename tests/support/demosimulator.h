#pragma once
// The demo rig copied into a test's folder and the card simulator serving it as scripts/run starts
// it: driver devices in folder/dev, serial cards at the line rate as COM3 (master) and COM4
// (slave) in folder/serial, the commands received logged to folder/commands.log. The program under
// test finds both through QUORLEX_DEVICE_DIR and QUORLEX_PORTS, restored when the object goes;
// the process is ended then too.

#include <QByteArray>
#include <QProcess>
#include <memory>
#include <QString>
#include <QStringList>

#include "support/cardsimulator.h"

class TMaster;
class TScriptedPrompts;
class TTempFolder;

class TDemoSimulator {
 public:
#ifdef QUORLEX_SOURCE_DIR  // known to the test programs, not to this library
  static QString Source() { return QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"); }
  explicit TDemoSimulator(const TTempFolder& folder)
      : TDemoSimulator(folder, Source(), TCardSimulator::Program()) {}
#endif

  // Copies the rig `source` into folder/demo; the simulator is not started yet, so a test can
  // change the copy first.
  TDemoSimulator(const TTempFolder& folder, const QString& source, const QString& program);
  ~TDemoSimulator();

  // Turns the copy's oscilloscope off, for runs that drive the logger: with the demo's
  // oscilloscope on, GO also takes a capture. False when the copy's settings cannot be written.
  bool OscilloscopeOff();

  const QString& Rig() const { return FRig; }
  const QString& Serial() const { return FSerial; }
  const QString& Devices() const { return FDevices; }
  const QString& Log() const { return FLog; }
  QProcess& Process() { return FProcess; }

  // Starts the simulator on the copy with `extra` options; false when the process or the master
  // card did not come up.
  bool Start(const QStringList& extra = {});
  // Starts the simulator and the program on the copy, as a student would: the legacy devices are
  // up, exercise 1 is chosen at the program's prompt, and the tank's ambient temperature has
  // arrived as a live value. Null, with the reason in `why`, when any of that did not happen.
  std::unique_ptr<TMaster> StartDemo(TScriptedPrompts& prompts, QString& why);
  // Ends the simulator at once, as a card pulled out would (TCardSimulator::Kill).
  void Kill();

 private:
  QString FProgram, FRig, FSerial, FDevices, FLog;
  QByteArray FOldDevices, FOldPorts;
  QProcess FProcess;
};
