#include "ifd/serial/comporttable.h"

#include <algorithm>
#include <cstdio>

#include <QFileInfo>
#include <QSerialPortInfo>

void TComPortTable::Refresh() {
  QStringList paths;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    // The motherboard UARTs (ttyS*) are listed whether or not anything is behind them; the cards
    // are USB devices, so those would only push the card ports to higher numbers.
    if (info.portName().startsWith(QLatin1String("ttyS"))) continue;
    paths << info.systemLocation();
  }
  Build(paths, qEnvironmentVariable(EnvironmentVariable));
}

void TComPortTable::Build(const QStringList& systemPaths, const QString& overrides) {
  FEntries.clear();
  QStringList sorted = systemPaths;
  std::sort(sorted.begin(), sorted.end());
  int n = 1;
  for (const QString& path : sorted) {
    if (n > MaxPortNumber) break;
    FEntries[n++] = TEntry{path, false};
  }
  QStringList warnings;
  for (const auto& [number, path] : ParseOverrides(overrides, &warnings)) {
    // An override names the port once: drop the system entry for the same path.
    for (auto it = FEntries.begin(); it != FEntries.end();) {
      if (!it->second.FromOverride && it->second.Path == path) it = FEntries.erase(it);
      else ++it;
    }
    FEntries[number] = TEntry{path, true};
  }
  for (const QString& warning : warnings) std::fprintf(stderr, "%s\n", qPrintable(warning));
}

std::map<int, QString> TComPortTable::ParseOverrides(const QString& text, QStringList* warnings) {
  std::map<int, QString> result;
  const QStringList entries = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
  for (const QString& raw : entries) {
    const QString entry = raw.trimmed();
    if (entry.isEmpty()) continue;
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? entry : entry.left(eq).trimmed();
    const QString path = eq < 0 ? QString() : entry.mid(eq + 1).trimmed();
    bool ok = false;
    const int number = name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? name.mid(3).toInt(&ok) : 0;
    if (!ok || number < 1 || number > MaxPortNumber || path.isEmpty()) {
      if (warnings)
        *warnings << QStringLiteral("%1: ignoring entry \"%2\" (expected COMn=path with n from 1 to %3)")
                         .arg(QLatin1String(EnvironmentVariable), entry)
                         .arg(MaxPortNumber);
      continue;
    }
    result[number] = path;
  }
  return result;
}

bool TComPortTable::Probe(int n) const {
  if (n < 1 || n > MaxPortNumber) {
    std::fprintf(stderr, "Out of scope registration attempt for COM%d\n", n);
    return false;
  }
  const auto it = FEntries.find(n);
  if (it == FEntries.end()) return false;
  // A simulator's link disappears with the simulator; a system port is present while listed.
  return !it->second.FromOverride || QFileInfo::exists(it->second.Path);
}

bool TComPortTable::IsPresent(int n) const { return Probe(n); }

QString TComPortTable::PathOf(int n) const {
  const auto it = FEntries.find(n);
  return it == FEntries.end() ? QString() : it->second.Path;
}

QList<int> TComPortTable::PresentNumbers() const {
  QList<int> numbers;
  for (const auto& [n, entry] : FEntries)
    if (Probe(n)) numbers << n;
  return numbers;
}

QStringList TComPortTable::PortTableText() const {
  QStringList lines{QStringLiteral("UCOM=0")};
  for (int n = 1; n <= MaxPortNumber; ++n)
    lines << QStringLiteral("COM%1=%2").arg(n).arg(Probe(n) ? 1 : 0);
  return lines;
}
