#pragma once
// Time units of output schedules and the rules that turn what the user types into slot texts.
// A slot is "key=value": the key a whole number, a blank and a unit word ("90 min"), the value the
// output's level for that long.

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

namespace scheduletime {

// Unit codes 0-4: "ms", "s", "min", "h", "day". A code outside 0-4 is "s".
QString UnitWord(int code);
// The code of a unit word; any other word is 1 ("s").
int UnitCode(const QString& word);
std::int64_t UnitFactorMs(int code);

// A committed time cell: the number before the first blank (0 when it is not a whole number) with
// the editor's unit, whatever unit was typed.
QString NormaliseTimeCell(const QString& text, int unitCode);
// A committed value cell: a whole number (0 when not); outside the output's range lo-hi it is
// brought to the nearer limit unless `unchecked` (a set point in its own units).
QString NormaliseValueCell(const QString& text, bool unchecked, int lo = 0, int hi = 100);

// The slot's duration in milliseconds, or nothing with `why` set when the key has no whole number
// or the time is negative or beyond what the run table holds (2147483647 ms).
std::optional<std::int64_t> KeyMilliseconds(const QString& key, QString* why = nullptr);
constexpr std::int64_t MaxSlotMs = 2147483647;

// "key=value" split at the first "=".
QString RowKey(const QString& row);
QString RowValue(const QString& row);

}  // namespace scheduletime
