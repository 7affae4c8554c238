#pragma once
// A bench of fake COM ports for one test: COM n is a placeholder file named in QUORLEX_PORTS, opened
// as a TFakeSerialDevice. Restores the environment, the device factory and the program-wide serial
// state when it ends.

#include <map>
#include <memory>
#include <ostream>

#include <QByteArray>
#include <QStringList>

#include "fakeserialdevice.h"
#include "support/tempfolder.h"

class TFakePortBench {
 public:
  TFakePortBench();
  ~TFakePortBench();

  // Makes COM n present; returns its path.
  QString AddPort(int n);
  // COM n disappears from the system (its device, if open, stays until closed).
  void RemovePort(int n);
  TFakeLine& Line(int n);
  // Bytes from the card on COM n (must be open).
  void Inject(int n, const QByteArray& bytes);
  QByteArray TakeWritten(int n);

  // Runs dispatcher cycles until both queues are empty; returns the messages delivered.
  struct TDrained {
    QStringList In;
    QStringList Out;
  };
  static TDrained Drain();

 private:
  void UpdateEnvironment();

  TTempFolder FFolder;
  QByteArray FOldPorts;
  bool FHadPorts;
  std::map<int, QString> FPaths;
  std::map<QString, std::unique_ptr<TFakeLine>> FLines;
};

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
