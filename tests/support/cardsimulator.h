#pragma once
// The interface-card simulator as a test runs it: its two serial cards appear as COM3 (master) and
// COM4 (slave) of the port table, the serial layer's dispatcher runs at full pace, and the process
// is ended (and the port table restored) when the object goes.

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

class TTempFolder;

class TCardSimulator {
 public:
#ifdef QUORLEX_BINARY_DIR  // known to the test programs, not to this library
  static QString Program() { return QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim"); }
  static bool Built() { return QFileInfo(Program()).isExecutable(); }
  explicit TCardSimulator(const TTempFolder& folder) : TCardSimulator(folder, Program()) {}
#endif

  // Points COM3/COM4 at `folder`'s pseudo-terminals and starts the serial layer afresh.
  TCardSimulator(const TTempFolder& folder, const QString& program);
  ~TCardSimulator();

  // Replies leave at the line rate as from a card; off by default so the tests stay fast.
  void SetPaced(bool paced) { FPaced = paced; }
  // Starts serving serial cards with `options`; the commands received are logged to
  // folder/commands.log. False when the process or its ports did not come up.
  bool StartSerial(const QStringList& options, bool slave);
  // Starts serving driver devices in folder/dev with the given plant file.
  bool StartDevices(const QString& plant);
  QString DeviceDir() const;
  // The commands one card ("master" / "slave") received, in order, CR written as "\r".
  QStringList Received(const QString& card) const;
  void Stop();
  // Ends the process at once, as a card pulled out would: no clean-up by the process, and its
  // device nodes gone (RemoveLinks).
  void Kill();
  // A card pulled out takes its device nodes with it. A killed simulator cannot remove its links,
  // and left behind they may lead to a pseudo-terminal another test's simulator now holds.
  static void RemoveLinks(const QString& serialDir);

 private:
  const TTempFolder& FFolder;
  QString FProgram;
  QProcess FProcess;
  QByteArray FOldPorts;
  bool FPaced = false;
};
