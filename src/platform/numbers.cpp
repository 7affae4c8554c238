#include "platform/numbers.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <limits>

namespace numbers {

namespace {
std::int64_t Clamp(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = static_cast<double>(std::numeric_limits<std::int64_t>::min());
  constexpr double hi = 9223372036854774784.0;  // largest double below 2^63
  if (v <= lo) return std::numeric_limits<std::int64_t>::min();
  if (v >= hi) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(v);
}

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// The accepted shape: [+-] digits [. digits] | [+-] . digits, then [eE [+-] digits].
bool WellFormed(const QByteArray& s) {
  int i = 0;
  const int n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  int digits = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') { ++i; ++digits; }
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') { ++i; ++digits; }
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    int exp = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') { ++i; ++exp; }
    if (exp == 0) return false;
  }
  return i == n;
}

QByteArray Trimmed(const QString& text) {
  int b = 0, e = static_cast<int>(text.size());
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.mid(b, e - b).toLatin1();
}
}  // namespace

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  return Clamp(std::nearbyint(value));  // default rounding mode is to-nearest-even
}

std::int64_t Trunc(double value) { return Clamp(std::trunc(value)); }

std::optional<double> ParseTypedNumber(const QString& text) {
  QByteArray s = Trimmed(text);
  if (!WellFormed(s)) return std::nullopt;
  const char* begin = s.constData();
  if (*begin == '+') ++begin;  // from_chars takes no plus sign
  double value = 0;
  const auto [ptr, ec] = std::from_chars(begin, s.constData() + s.size(), value);
  if (ec != std::errc() || ptr != s.constData() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseTypedInteger(const QString& text) {
  QByteArray s = Trimmed(text);
  if (s.isEmpty()) return std::nullopt;
  const char* begin = s.constData();
  if (*begin == '+') ++begin;
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(begin, s.constData() + s.size(), value);
  if (ec != std::errc() || ptr != s.constData() + s.size() || begin == s.constData() + s.size())
    return std::nullopt;
  return value;
}

QString FloatToStr(double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  if (value == 0) return QStringLiteral("0");
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);  // "C" locale formatting is not affected by Qt
  QString s = QString::fromLatin1(buf);
  const int e = static_cast<int>(s.indexOf(QLatin1Char('E')));
  if (e < 0) return s;
  // "1E-05" -> "1E-5", "1E+20" -> "1E20"
  QString mant = s.left(e);
  QString exp = s.mid(e + 1);
  bool neg = exp.startsWith(QLatin1Char('-'));
  if (exp.startsWith(QLatin1Char('+')) || neg) exp.remove(0, 1);
  while (exp.size() > 1 && exp.startsWith(QLatin1Char('0'))) exp.remove(0, 1);
  return mant + QLatin1Char('E') + (neg ? QStringLiteral("-") : QString()) + exp;
}

QString FloatToShortest(double value) {
  QByteArray text;
  AppendShortest(text, value);
  return QString::fromLatin1(text);
}

char* WriteShortest(char* out, double value) {
  // Plain decimals for the magnitudes people write that way (100000, not 1e+05), as other
  // spreadsheets write them; the digits are the same shortest exact ones either way. Neither form
  // takes more than 24 bytes (a 15-digit whole number, or 17 digits with a sign, point and exponent).
  const double a = std::abs(value);
  const bool plain = a >= 1e-5 && a < 1e15;
  const auto [ptr, ec] = plain ? std::to_chars(out, out + 32, value, std::chars_format::fixed) : std::to_chars(out, out + 32, value);
  return ec == std::errc() ? ptr : out;
}

void AppendShortest(QByteArray& out, double value) {
  char buf[32];
  out.append(buf, static_cast<qsizetype>(WriteShortest(buf, value) - buf));
}

void AppendInteger(QByteArray& out, long long value) {
  char buf[24];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, static_cast<qsizetype>(ptr - buf));
}

std::optional<double> ParseExact(std::string_view text) {
  // Whole numbers of up to 15 digits, most of what files hold, are exact as doubles: no need for
  // the general conversion.
  const bool minus = !text.empty() && text.front() == '-';
  const std::size_t digits = text.size() - (minus ? 1 : 0);
  if (digits >= 1 && digits <= 15) {
    std::uint64_t whole = 0;
    std::size_t i = minus ? 1 : 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) whole = whole * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (i == text.size()) return minus ? -static_cast<double>(whole) : static_cast<double>(whole);
  }
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace numbers
