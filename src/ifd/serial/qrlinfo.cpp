#include "ifd/serial/qrlinfo.h"

#include <cstdio>

#include <QFileInfo>

#include "ifd/serial/comporttable.h"

TQrlInfo::TQrlInfo(const QStringList& arguments, const QString& version) {
  if (!arguments.isEmpty()) {
    const QFileInfo exe(arguments.first());
    FExePath = exe.absolutePath();
    FExeName = exe.completeBaseName();
  }
  // The program's own options (--rig FOLDER) may stand around the parameter text: that is the
  // argument holding the separator, or a lone argument that is no option.
  for (qsizetype i = 1; i < arguments.size() && FPieces.isEmpty(); ++i)
    if (arguments[i].contains(QChar(Separator))) FPieces = SplitParameters(arguments[i]);
  if (FPieces.isEmpty() && arguments.size() == 2 && !arguments[1].startsWith(QLatin1Char('-')))
    FPieces = SplitParameters(arguments[1]);
  QStringList parts = version.split(QLatin1Char('.'));
  QStringList numbers;
  for (int i = 0; i < 4; ++i) numbers << QString::number(i < parts.size() ? parts[i].toInt() : 0);
  FVersion = numbers.join(QLatin1Char('.'));
  FCOMm = PortNumber(QStringLiteral("COMm"));
  FCOMs = PortNumber(QStringLiteral("COMs"));
  for (const QString& warning : FWarnings) std::fprintf(stderr, "%s\n", qPrintable(warning));
}

QStringList TQrlInfo::SplitParameters(const QString& argument) {
  QStringList pieces = argument.split(QChar(Separator));
  // A trailing separator adds nothing; empty pieces before the last are skipped.
  if (pieces.size() > 1 && pieces.last().isEmpty()) pieces.removeLast();
  QStringList result;
  for (int i = 0; i < pieces.size(); ++i)
    if (!pieces[i].isEmpty() || i == pieces.size() - 1) result << pieces[i];
  return result;
}

QString TQrlInfo::ParameterValue(const QString& name) const {
  for (const QString& piece : FPieces) {
    const qsizetype eq = piece.indexOf(QLatin1Char('='));
    const QString key = eq < 0 ? piece : piece.left(eq);
    if (key.compare(name, Qt::CaseInsensitive) != 0) continue;
    const QString value = eq < 0 ? QString() : piece.mid(eq + 1);
    return value.isEmpty() ? QString::fromLatin1(ParameterValueNotFound) : value;
  }
  return QString::fromLatin1(ParameterNotFound);
}

int TQrlInfo::PortNumber(const QString& name) {
  const QString value = ParameterValue(name);
  if (value == QLatin1String(ParameterNotFound) || value == QLatin1String(ParameterValueNotFound)) return -1;
  bool ok = false;
  const int n = value.trimmed().toInt(&ok);
  if (ok && n >= -1 && n <= TComPortTable::MaxPortNumber) return n;
  FWarnings << QStringLiteral("Launch parameter %1=%2 ignored: expected a COM port number from 1 to %3")
                   .arg(name, value)
                   .arg(TComPortTable::MaxPortNumber);
  return -1;
}

int TQrlInfo::getAppParamVal_COMm() const { return FCOMm; }
int TQrlInfo::getAppParamsVal_COMs() const { return FCOMs; }

QString TQrlInfo::getNewInstanceParams() const { return FNewInstanceSource ? FNewInstanceSource() : QString(); }
