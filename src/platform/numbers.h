#pragma once
// Number conventions of the whole program: rounding goes to the nearest integer with halves to the
// even neighbour, truncation drops the fraction, and numbers are read and written with "." as the
// decimal point whatever the locale.

#include <cstdint>
#include <optional>
#include <string_view>

#include <QByteArray>

#include <QString>

namespace numbers {

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Out-of-range and NaN clamp.
std::int64_t RoundHalfEven(double value);
// Drops the fraction (-2.7 -> -2). Out-of-range and NaN clamp.
std::int64_t Trunc(double value);

// A number as the user types it: optional blanks, sign, digits with an optional "." fraction,
// optional exponent. Nothing for anything else ("", "1,5", "abc", "nan", "inf", "1.2.3").
std::optional<double> ParseTypedNumber(const QString& text);
// A whole number as typed (decimal, optional sign); nothing when not a whole number in range.
std::optional<std::int64_t> ParseTypedInteger(const QString& text);

// 15 significant digits, the general form used in messages and edit boxes: 0.1 -> "0.1",
// 1e-5 -> "1E-5", 1e20 -> "1E20", 3 -> "3".
QString FloatToStr(double value);
// The shortest text that reads back as exactly the same double, without an exponent from 1e-5 up
// to 1e15 (100000, 0.00012).
QString FloatToShortest(double value);

// Byte-level forms for file writers and readers: the shortest exact text appended to out, a whole
// number appended to out, and a number in exactly the form from_chars reads (no blanks, no "+"),
// nothing for anything else or for infinities and NaN.
void AppendShortest(QByteArray& out, double value);
// The same shortest text written at out, which has room for 32 bytes; returns its end.
char* WriteShortest(char* out, double value);
void AppendInteger(QByteArray& out, long long value);
std::optional<double> ParseExact(std::string_view text);

}  // namespace numbers
