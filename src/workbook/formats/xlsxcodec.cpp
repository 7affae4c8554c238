#include "workbook/formats/xlsxcodec.h"

#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/numbers.h"

namespace {

constexpr double DigitPixels = 7, PaddingPixels = 5;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Whether text[i] starts something a reader could take for an _xHHHH_ escape. The closing "_" is
// not looked for: the character after the digits may itself be written as an escape.
bool LooksEscaped(const QByteArray& text, qsizetype i) {
  return i + 5 < text.size() && text[i] == '_' && text[i + 1] == 'x' && IsHex(text[i + 2]) && IsHex(text[i + 3]) &&
         IsHex(text[i + 4]) && IsHex(text[i + 5]);
}

void AppendCodeEscape(QByteArray& out, unsigned code) {
  static const char hex[] = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += hex[(code >> shift) & 15];
  out += '_';
}

}  // namespace

void TXlsxCodec::AppendEscaped(QByteArray& out, const QByteArray& utf8) {
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const char ch = utf8[i];
    const auto c = static_cast<unsigned char>(ch);
    if (c == '_' && LooksEscaped(utf8, i)) {
      out += "_x005F_";
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n') {
          AppendCodeEscape(out, c);
        } else if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE) {
          // U+FFFE and U+FFFF may not appear in XML at all.
          AppendCodeEscape(out, 0xFFFE | (static_cast<unsigned char>(utf8[i + 2]) & 1));
          i += 2;
        } else {
          out += ch;
        }
    }
  }
}

std::string TXlsxCodec::Unescape(std::string s) {
  if (s.find("_x") == std::string::npos) return s;
  auto codeAt = [&s](std::size_t i, unsigned& code) {
    return s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_' &&
           std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6;
  };
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned code = 0;
    if (!codeAt(i, code)) {
      out += s[i];
      continue;
    }
    i += 6;
    QString piece(QChar(static_cast<char16_t>(code)));
    // A character beyond the first plane escaped as its two halves.
    unsigned low = 0;
    if (QChar::isHighSurrogate(code) && codeAt(i + 1, low) && QChar::isLowSurrogate(low)) {
      piece += QChar(static_cast<char16_t>(low));
      i += 7;
    }
    out += piece.toStdString();
  }
  return out;
}

long long TXlsxCodec::ToInteger(std::string_view s, long long fallback) {
  long long v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : fallback;
}

bool TXlsxCodec::ToDouble(std::string_view s, double& v) {
  constexpr std::string_view blanks = " \t\r\n";
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  // Most values stand without blanks: no search for them then.
  if (s.empty() || blank(s.front()) || blank(s.back())) {
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return false;
    s = s.substr(first, s.find_last_not_of(blanks) - first + 1);
  }
  if (s.front() == '+') s.remove_prefix(1);
  const std::optional<double> parsed = numbers::ParseExact(s);
  if (parsed) v = *parsed;
  return parsed.has_value();
}

double TXlsxCodec::FileColumnWidth(std::uint16_t width) {
  const double chars = width / 256.0;
  if (chars <= 0) return 0;
  const double pixels = chars < 1 ? std::floor(chars * (DigitPixels + PaddingPixels) + 0.5)
                                  : std::floor(chars * DigitPixels + 0.5) + PaddingPixels;
  return std::floor(pixels / DigitPixels * 256.0) / 256.0;
}

std::uint16_t TXlsxCodec::ColumnWidthFromFile(double fileWidth) {
  const double pixels = std::floor(fileWidth * DigitPixels + 0.5);
  const double chars = pixels >= DigitPixels + PaddingPixels ? (pixels - PaddingPixels) / DigitPixels
                                                             : pixels / (DigitPixels + PaddingPixels);
  return static_cast<std::uint16_t>(std::min(std::lround(chars * 256), 65535L));
}

QString TXlsxCodec::AddFunctionPrefixes(const QString& formula) {
  static const QSet<QString> newer = {
      QStringLiteral("AGGREGATE"),    QStringLiteral("CEILING.MATH"), QStringLiteral("CEILING.PRECISE"), QStringLiteral("CONCAT"),
      QStringLiteral("COVARIANCE.P"), QStringLiteral("COVARIANCE.S"), QStringLiteral("DAYS"),           QStringLiteral("FLOOR.MATH"),
      QStringLiteral("FLOOR.PRECISE"), QStringLiteral("IFNA"),        QStringLiteral("IFS"),            QStringLiteral("ISOWEEKNUM"),
      QStringLiteral("MAXIFS"),       QStringLiteral("MINIFS"),       QStringLiteral("MODE.MULT"),      QStringLiteral("MODE.SNGL"),
      QStringLiteral("NORM.DIST"),    QStringLiteral("NORM.INV"),     QStringLiteral("NORM.S.DIST"),    QStringLiteral("NORM.S.INV"),
      QStringLiteral("PERCENTILE.EXC"), QStringLiteral("PERCENTILE.INC"), QStringLiteral("QUARTILE.EXC"), QStringLiteral("QUARTILE.INC"),
      QStringLiteral("RANK.AVG"),     QStringLiteral("RANK.EQ"),      QStringLiteral("STDEV.P"),        QStringLiteral("STDEV.S"),
      QStringLiteral("SWITCH"),       QStringLiteral("TEXTJOIN"),     QStringLiteral("VAR.P"),          QStringLiteral("VAR.S"),
      QStringLiteral("XLOOKUP"),      QStringLiteral("XMATCH"),       QStringLiteral("NETWORKDAYS.INTL"), QStringLiteral("WORKDAY.INTL"),
      QStringLiteral("UNIQUE"),       QStringLiteral("SORT"),         QStringLiteral("FILTER"),         QStringLiteral("SEQUENCE"),
  };
  QString out;
  out.reserve(formula.size() + 8);
  auto nameChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('_'); };
  for (qsizetype i = 0; i < formula.size();) {
    const QChar c = formula[i];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {  // a text or a quoted sheet name: copied whole
      qsizetype j = i + 1;
      while (j < formula.size() && !(formula[j] == c && (j + 1 >= formula.size() || formula[j + 1] != c))) j += formula[j] == c ? 2 : 1;
      out += formula.mid(i, j - i + 1);
      i = j + 1;
    } else if (nameChar(c)) {
      qsizetype j = i;
      while (j < formula.size() && nameChar(formula[j])) ++j;
      const QString word = formula.mid(i, j - i);
      if (j < formula.size() && formula[j] == QLatin1Char('(') && newer.contains(word.toUpper())) out += QStringLiteral("_xlfn.");
      out += word;
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}
