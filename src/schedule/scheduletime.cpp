#include "schedule/scheduletime.h"

#include <algorithm>

#include "platform/numbers.h"

namespace scheduletime {

namespace {
const char* const kUnits[] = {"ms", "s", "min", "h", "day"};
const std::int64_t kFactors[] = {1, 1000, 60000, 3600000, 86400000};

// Text before the first blank, the whole text when there is none.
QString NumberPart(const QString& text) {
  const int blank = text.indexOf(QLatin1Char(' '));
  return blank < 0 ? text : text.left(blank);
}
}  // namespace

QString UnitWord(int code) { return QString::fromLatin1(kUnits[code >= 0 && code <= 4 ? code : 1]); }

int UnitCode(const QString& word) {
  for (int i = 0; i < 5; ++i)
    if (word == QLatin1String(kUnits[i])) return i;
  return 1;
}

std::int64_t UnitFactorMs(int code) { return kFactors[code >= 0 && code <= 4 ? code : 1]; }

QString NormaliseTimeCell(const QString& text, int unitCode) {
  const std::int64_t n = numbers::ParseTypedInteger(NumberPart(text.trimmed())).value_or(0);
  return QString::number(n) + QLatin1Char(' ') + UnitWord(unitCode);
}

QString NormaliseValueCell(const QString& text, bool unchecked, int lo, int hi) {
  std::int64_t n = numbers::ParseTypedInteger(text.trimmed()).value_or(0);
  if (!unchecked) n = std::clamp<std::int64_t>(n, lo, hi);
  return QString::number(n);
}

std::optional<std::int64_t> KeyMilliseconds(const QString& key, QString* why) {
  const QString text = key.trimmed();
  const QString number = NumberPart(text);
  const QString unit = text.mid(number.size()).trimmed();
  const auto n = numbers::ParseTypedInteger(number);
  if (!n) {
    if (why) *why = QStringLiteral("\"%1\" does not start with a whole number").arg(key);
    return std::nullopt;
  }
  if (*n < 0) {
    if (why) *why = QStringLiteral("\"%1\" is a negative time").arg(key);
    return std::nullopt;
  }
  const std::int64_t factor = UnitFactorMs(UnitCode(unit));
  // Checked before multiplying, so a huge number cannot overflow on the way.
  if (*n > MaxSlotMs / factor) {
    if (why) *why = QStringLiteral("\"%1\" is longer than %2 ms").arg(key).arg(MaxSlotMs);
    return std::nullopt;
  }
  return *n * factor;
}

QString RowKey(const QString& row) {
  const int eq = row.indexOf(QLatin1Char('='));
  return eq < 0 ? row : row.left(eq);
}

QString RowValue(const QString& row) {
  const int eq = row.indexOf(QLatin1Char('='));
  return eq < 0 ? QString() : row.mid(eq + 1);
}

}  // namespace scheduletime
