#pragma once
// The COM numbers 1..50 and the device paths behind them. The serial ports the system finds take
// numbers in the order of their paths; the environment variable QUORLEX_PORTS
// ("COM3=/tmp/quorlex-sim/master,COM4=/tmp/quorlex-sim/slave") adds or overrides entries, so
// pseudo-terminals (which the system does not list) appear as ordinary COM ports.

#include <map>

#include <QString>
#include <QStringList>

class TComPortTable {
 public:
  static constexpr int MaxPortNumber = 50;
  static constexpr const char* EnvironmentVariable = "QUORLEX_PORTS";

  // Rebuilds the table from the system's ports and QUORLEX_PORTS.
  void Refresh();
  // Rebuilds the table from the given system port paths and override text (tests).
  void Build(const QStringList& systemPaths, const QString& overrides);

  // Whether COM n is present now: a system port, or an override whose path exists.
  bool IsPresent(int n) const;
  // The device path of COM n, "" when none.
  QString PathOf(int n) const;
  // Present COM numbers in ascending order.
  QList<int> PresentNumbers() const;
  // "UCOM=0", then "COM" + n + "=0" or "=1" (present) for n = 1..50.
  QStringList PortTableText() const;

  // Parses QUORLEX_PORTS text into COM number -> path; malformed entries are reported through
  // `warnings` (when given) and skipped.
  static std::map<int, QString> ParseOverrides(const QString& text, QStringList* warnings = nullptr);

 private:
  struct TEntry {
    QString Path;
    bool FromOverride = false;
  };
  bool Probe(int n) const;
  std::map<int, TEntry> FEntries;
};
