#include "plant/plcaddress.h"

#include <QRegularExpression>

std::optional<quint16> TPlcAddress::Register(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^([BNbn])(\\d{1,3}):(\\d{1,3})$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const int file = m.captured(2).toInt();
  const int element = m.captured(3).toInt();
  if (file > MaxFile || element >= ElementsPerFile) return std::nullopt;
  return static_cast<quint16>(file * ElementsPerFile + element);
}

QString TPlcAddress::Text(QChar type, quint16 reg) {
  return QStringLiteral("%1%2:%3").arg(type).arg(reg / ElementsPerFile).arg(reg % ElementsPerFile);
}
