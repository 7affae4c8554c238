#include "workbook/model/numberformat.h"

#include <algorithm>

#include <charconv>
#include <cmath>

#include <QDate>

namespace {

QString Fixed(double v, int decimals) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (res.ec != std::errc()) return QStringLiteral("#NUM!");
  return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

QString TrimZeros(QString s) {
  if (!s.contains(QLatin1Char('.'))) return s;
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  return s;
}

bool AllZero(const QString& s) {
  for (QChar c : s)
    if (c.isDigit() && c != QLatin1Char('0')) return false;
  return true;
}

QString Pad(long long v, int width) { return QString::number(v).rightJustified(width, QLatin1Char('0')); }

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

}  // namespace

QString TNumberFormat::General(double v) {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (v == 0) return QStringLiteral("0");
  const double a = std::abs(v);
  if (a >= 1e11 || a < 1e-9) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 5);
    QString s = QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
    const int e = static_cast<int>(s.indexOf(QLatin1Char('e')));
    QString mant = TrimZeros(s.left(e));
    const int exp = s.mid(e + 1).toInt();
    return mant + (exp < 0 ? QStringLiteral("E-") : QStringLiteral("E+")) + Pad(std::abs(exp), 2);
  }
  const int intDigits = static_cast<int>(std::floor(std::log10(a))) + 1;
  const int decimals = std::clamp(11 - intDigits, 0, 20);
  return TrimZeros(Fixed(v, decimals));
}

TNumberFormat::TNumberFormat(const QString& code) : FCode(code) {
  FGeneral = code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
  if (FGeneral) return;
  QString part;
  bool quoted = false;
  for (int i = 0; i < code.size(); ++i) {
    const QChar c = code[i];
    if (c == QLatin1Char('"')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('\\') && i + 1 < code.size()) {
      part += c;
      part += code[++i];
      continue;
    }
    if (!quoted && c == QLatin1Char(';')) {
      FSections.push_back(ParseSection(part));
      part.clear();
      continue;
    }
    part += c;
  }
  FSections.push_back(ParseSection(part));
}

TNumberFormat::TSection TNumberFormat::ParseSection(const QString& code) {
  TSection s;
  auto lit = [&](const QString& text) {
    if (!s.Tokens.empty() && s.Tokens.back().Kind == TTok::Literal) s.Tokens.back().Text += text;
    else s.Tokens.push_back({TTok::Literal, text});
  };
  const int n = static_cast<int>(code.size());
  for (int i = 0; i < n; ++i) {
    const QChar c = code[i];
    const char16_t lc = c.toLower().unicode();
    if (c == QLatin1Char('"')) {
      const int end = static_cast<int>(code.indexOf(QLatin1Char('"'), i + 1));
      const int stop = end < 0 ? n : end;
      lit(code.mid(i + 1, stop - i - 1));
      i = stop;
    } else if (c == QLatin1Char('\\') && i + 1 < n) {
      lit(QString(code[++i]));
    } else if (c == QLatin1Char('_') && i + 1 < n) {
      lit(QStringLiteral(" "));
      ++i;
    } else if (c == QLatin1Char('*') && i + 1 < n) {
      ++i;
    } else if (c == QLatin1Char('[')) {
      const int end = static_cast<int>(code.indexOf(QLatin1Char(']'), i));
      const QString inner = (end < 0 ? code.mid(i + 1) : code.mid(i + 1, end - i - 1)).toLower();
      static const QString kOps[] = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"), QStringLiteral("<"),
                                     QStringLiteral(">"), QStringLiteral("=")};
      for (const QString& op : kOps) {
        bool ok = false;
        const double value = inner.startsWith(op) ? inner.mid(op.size()).trimmed().toDouble(&ok) : 0;
        if (!ok) continue;
        s.HasCond = true;
        s.CondOp = op;
        s.CondValue = value;
        break;
      }
      if (!s.HasCond && !inner.isEmpty() && inner.count(inner[0]) == inner.size()) {
        const int w = static_cast<int>(inner.size());
        if (inner[0] == QLatin1Char('h')) s.Tokens.push_back({TTok::ElapsedHour, {}, w});
        else if (inner[0] == QLatin1Char('m')) s.Tokens.push_back({TTok::ElapsedMinute, {}, w});
        else if (inner[0] == QLatin1Char('s')) s.Tokens.push_back({TTok::ElapsedSecond, {}, w});
      }
      i = end < 0 ? n : end;  // colours and locales are looks only
    } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
      s.Tokens.push_back({TTok::Digit, QString(c)});
    } else if (c == QLatin1Char('.')) {
      s.Tokens.push_back({TTok::Dot, QStringLiteral(".")});
    } else if (c == QLatin1Char(',')) {
      s.Tokens.push_back({TTok::Comma, QStringLiteral(",")});
    } else if (c == QLatin1Char('%')) {
      s.Tokens.push_back({TTok::Percent, QStringLiteral("%")});
    } else if (lc == u'e' && i + 1 < n && (code[i + 1] == QLatin1Char('+') || code[i + 1] == QLatin1Char('-'))) {
      s.Tokens.push_back({TTok::Exp, {}, 0, code[i + 1] == QLatin1Char('+')});
      ++i;
    } else if (c == QLatin1Char('@')) {
      s.Tokens.push_back({TTok::At});
      s.HasText = true;
    } else if (code.mid(i, 7).compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) {
      s.Tokens.push_back({TTok::General});
      i += 6;
    } else if (code.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
      s.Tokens.push_back({TTok::AmPm});
      i += 4;
    } else if (code.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
      // One letter, in the case written.
      s.Tokens.push_back({TTok::AmPm, code.mid(i, 3), 0, true});
      i += 2;
    } else if (lc == u'y' || lc == u'm' || lc == u'd' || lc == u'h' || lc == u's') {
      int w = 1;
      while (i + w < n && code[i + w].toLower() == c.toLower()) ++w;
      TTok kind = TTok::Year;
      switch (lc) {
        case u'y': kind = TTok::Year; break;
        case u'm': kind = w >= 3 ? TTok::MonthName : TTok::Month; break;
        case u'd': kind = w >= 3 ? TTok::WeekDay : TTok::Day; break;
        case u'h': kind = TTok::Hour; break;
        default: kind = TTok::Second; break;
      }
      s.Tokens.push_back({kind, {}, w});
      i += w - 1;
    } else {
      lit(QString(c));
    }
  }
  // "m" means minutes after an hour or before a second, months otherwise.
  int lastDate = -1;
  for (int i = 0; i < static_cast<int>(s.Tokens.size()); ++i) {
    TToken& t = s.Tokens[i];
    if (t.Kind == TTok::Literal || t.Kind == TTok::Digit || t.Kind == TTok::Dot) continue;
    if (t.Kind >= TTok::Year) s.IsDate = true;
    if (t.Kind == TTok::Month) {
      bool minute = lastDate >= 0 && (s.Tokens[lastDate].Kind == TTok::Hour || s.Tokens[lastDate].Kind == TTok::ElapsedHour);
      for (int j = i + 1; j < static_cast<int>(s.Tokens.size()) && !minute; ++j) {
        const TTok k = s.Tokens[j].Kind;
        if (k == TTok::Second || k == TTok::ElapsedSecond) minute = true;
        if (k >= TTok::Year && k != TTok::Second) break;
      }
      if (minute) t.Kind = TTok::Minute;
    }
    lastDate = i;
  }
  for (const TToken& t : s.Tokens)
    s.IsCalendar = s.IsCalendar || (t.Kind >= TTok::Year && t.Kind <= TTok::WeekDay);
  return s;
}

bool TNumberFormat::ShowsDates() const {
  return std::any_of(FSections.begin(), FSections.end(), [](const TSection& s) { return s.IsCalendar; });
}

QString TNumberFormat::Format(const TCellValue& v) const {
  switch (v.Kind) {
    case TValueKind::Number: return Format(v.Num);
    case TValueKind::Text: {
      const TSection* text = nullptr;
      if (FSections.size() >= 4) text = &FSections[3];
      else if (FSections.size() == 1 && FSections[0].HasText) text = &FSections[0];
      if (!text) return v.Str;
      QString out;
      for (const TToken& t : text->Tokens) {
        if (t.Kind == TTok::At) out += v.Str;
        else if (t.Kind == TTok::Literal) out += t.Text;
      }
      return out;
    }
    default: return v.ToText();
  }
}

bool TNumberFormat::TSection::Meets(double v) const {
  if (CondOp == QLatin1String("<")) return v < CondValue;
  if (CondOp == QLatin1String(">")) return v > CondValue;
  if (CondOp == QLatin1String("<=")) return v <= CondValue;
  if (CondOp == QLatin1String(">=")) return v >= CondValue;
  if (CondOp == QLatin1String("<>")) return v != CondValue;
  return v == CondValue;
}

// The section for v: by sign (positive; negative, shown without its minus; zero), or with
// conditions the first section whose condition v meets, else the first without one.
const TNumberFormat::TSection* TNumberFormat::PickSection(double& v, bool& autoMinus) const {
  autoMinus = true;
  if (std::none_of(FSections.begin(), FSections.end(), [](const TSection& s) { return s.HasCond; })) {
    if (v < 0 && FSections.size() >= 2) {
      v = -v;
      autoMinus = false;
      return &FSections[1];
    }
    if (v == 0 && FSections.size() >= 3) return &FSections[2];
    return &FSections[0];
  }
  for (const TSection& s : FSections)
    if (s.HasCond && s.Meets(v)) return &s;
  // Two sections and only the first has a condition: the second takes the rest, negatives
  // without their minus when the condition took the positives.
  for (const TSection& s : FSections)
    if (!s.HasCond) return &s;
  return nullptr;
}

QString TNumberFormat::Format(double v) const {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (FGeneral || FSections.empty()) return General(v);
  bool autoMinus = true;
  const TSection* s = PickSection(v, autoMinus);
  if (!s) return General(v);  // no section takes it
  if (s->HasText && !s->IsDate) return General(v);  // "@" shows numbers as they are
  if (const int slash = s->IsDate ? -1 : FractionSlash(*s); slash >= 0) return FormatFractionSection(*s, slash, v, autoMinus);
  if (s->IsDate) {
    // A moment before 1899-12-30 is a date too, not a negated one: its whole days count back and
    // its fraction is the time of day (-1.25 is 1899-12-29 06:00).
    if (s->IsCalendar) return FormatDateSection(*s, autoMinus ? v : -v);
    if (v < 0) return (autoMinus ? QStringLiteral("-") : QString()) + FormatDateSection(*s, -v);
    return FormatDateSection(*s, v);
  }
  return FormatNumberSection(*s, v, autoMinus);
}

QString TNumberFormat::FormatNumberSection(const TSection& s, double v, bool autoMinus) const {
  int first = -1, last = -1;
  for (int i = 0; i < static_cast<int>(s.Tokens.size()); ++i) {
    const TTok k = s.Tokens[i].Kind;
    if (k == TTok::Digit || k == TTok::Dot || k == TTok::General ||
        (k == TTok::Exp && first >= 0) || (k == TTok::Comma && first >= 0)) {
      if (first < 0) first = i;
      last = i;
    }
    if (k == TTok::Percent) v *= 100;
  }
  // Commas after the last digit placeholder (of the whole part, or of the decimals) scale by
  // a thousand each; a comma between placeholders groups thousands.
  for (int i = first; i >= 0 && i <= last; ++i) {
    if (s.Tokens[i].Kind != TTok::Comma) continue;
    bool digitFollows = false;
    for (int j = i + 1; j <= last && s.Tokens[j].Kind != TTok::Dot && s.Tokens[j].Kind != TTok::Exp; ++j)
      digitFollows = digitFollows || s.Tokens[j].Kind == TTok::Digit;
    if (!digitFollows) v /= 1000;
  }
  QString number;
  const bool negative = v < 0;
  const double a = std::abs(v);
  if (first >= 0 && s.Tokens[first].Kind == TTok::General) {
    number = General(a);
  } else if (first >= 0) {
    int intAll = 0, decAll = 0, expDigits = 0;
    QString intMarks, decMarks;  // the placeholders: '0' a digit always, '?' a digit or a space, '#' a digit if any
    bool dot = false, exp = false, expPlus = false, group = false;
    for (int i = first; i <= last; ++i) {
      const TToken& t = s.Tokens[i];
      if (t.Kind == TTok::Dot && !exp) dot = true;
      else if (t.Kind == TTok::Exp) { exp = true; expPlus = t.Flag; }
      else if (t.Kind == TTok::Comma && !dot && !exp) {
        for (int j = i + 1; j <= last && s.Tokens[j].Kind != TTok::Dot && s.Tokens[j].Kind != TTok::Exp; ++j)
          group = group || s.Tokens[j].Kind == TTok::Digit;
      } else if (t.Kind == TTok::Digit) {
        if (exp) ++expDigits;
        else if (dot) { ++decAll; decMarks += t.Text; }
        else { ++intAll; intMarks += t.Text; }
      }
    }
    QString mant;
    int e = 0;
    if (exp) {
      char buf[64];
      const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, decAll);
      const QString sci = QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
      const int at = static_cast<int>(sci.indexOf(QLatin1Char('e')));
      mant = sci.left(at);
      e = sci.mid(at + 1).toInt();
      if (a == 0) e = 0;
    } else {
      mant = Fixed(a, decAll);
    }
    QString intPart = mant.section(QLatin1Char('.'), 0, 0);
    QString decPart = mant.section(QLatin1Char('.'), 1, 1);
    // Trailing zeros: kept under '0', spaces under '?', dropped under '#'.
    for (qsizetype i = decPart.size() - 1; i >= 0 && decPart[i] == QLatin1Char('0') && i < decMarks.size(); --i) {
      if (decMarks[i] == QLatin1Char('0')) break;
      if (decMarks[i] == QLatin1Char('?')) decPart[i] = QLatin1Char(' ');
      else decPart.chop(1);
    }
    if (intPart == QLatin1String("0") && !intMarks.contains(QLatin1Char('0'))) intPart.clear();
    if (group) {
      for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3) intPart.insert(i, QLatin1Char(','));
    }
    // Leading places beyond the digits, from the right: '0' a zero, '?' a space.
    for (qsizetype k = intMarks.size() - 1 - intPart.size(); k >= 0 && intPart.size() < intMarks.size(); --k) {
      if (intMarks[k] == QLatin1Char('0')) intPart.prepend(QLatin1Char('0'));
      else if (intMarks[k] == QLatin1Char('?')) intPart.prepend(QLatin1Char(' '));
      else break;
    }
    number = intPart;
    if (dot) number += QLatin1Char('.') + decPart;
    if (exp) {
      number += QLatin1Char('E');
      if (e < 0) number += QLatin1Char('-');
      else if (expPlus) number += QLatin1Char('+');
      number += Pad(std::abs(e), std::max(expDigits, 1));
    }
  }
  QString out;
  for (int i = 0; i < static_cast<int>(s.Tokens.size()); ++i) {
    if (i == first) { out += number; i = last; continue; }
    const TToken& t = s.Tokens[i];
    if (t.Kind == TTok::Literal || t.Kind == TTok::Percent) out += t.Text;
  }
  if (negative && autoMinus && !AllZero(number)) out.prepend(QLatin1Char('-'));
  return out;
}

int TNumberFormat::FractionSlash(const TSection& s) {
  for (int i = 1; i < static_cast<int>(s.Tokens.size()); ++i) {
    const TToken& t = s.Tokens[i];
    if (t.Kind != TTok::Literal || !t.Text.startsWith(QLatin1Char('/')) || s.Tokens[i - 1].Kind != TTok::Digit) continue;
    const bool placeholders = t.Text.size() == 1 && i + 1 < static_cast<int>(s.Tokens.size()) && s.Tokens[i + 1].Kind == TTok::Digit;
    if (placeholders || (t.Text.size() > 1 && t.Text[1].isDigit())) return i;
  }
  return -1;
}

QString TNumberFormat::FormatFractionSection(const TSection& s, int slash, double v, bool autoMinus) const {
  const int count = static_cast<int>(s.Tokens.size());
  int numFirst = slash - 1;
  while (numFirst > 0 && s.Tokens[numFirst - 1].Kind == TTok::Digit) --numFirst;
  bool hasWhole = false;
  for (int i = 0; i < numFirst; ++i) hasWhole = hasWhole || s.Tokens[i].Kind == TTok::Digit;
  const int numDigits = slash - numFirst;
  // The denominator: placeholders after "/", or a number written there ("?/8").
  int denDigits = 0, fixed = 0, after = slash + 1;
  QString tail;  // literal text after a written denominator
  if (s.Tokens[slash].Text.size() == 1) {
    while (after < count && s.Tokens[after].Kind == TTok::Digit) { ++denDigits; ++after; }
  } else {
    const QString t = s.Tokens[slash].Text.mid(1);
    qsizetype k = 0;
    while (k < t.size() && t[k].isDigit()) ++k;
    fixed = t.left(k).toInt();
    tail = t.mid(k);
    denDigits = static_cast<int>(k);
  }
  const bool negative = v < 0;
  const double a = std::abs(v);
  double whole = hasWhole ? std::floor(a) : 0;
  const double part = a - whole;
  long long num = 0, den = 1;
  if (fixed > 0) {
    den = fixed;
    num = std::llround(part * static_cast<double>(den));
  } else {
    // The nearest fraction of at most denDigits digits below.
    const long long maxDen = std::min<long long>(static_cast<long long>(std::pow(10, std::min(denDigits, 4))) - 1, 9999);
    double bestErr = HUGE_VAL;
    for (long long d = 1; d <= maxDen; ++d) {
      const long long n = std::llround(part * static_cast<double>(d));
      const double err = std::abs(part - static_cast<double>(n) / static_cast<double>(d));
      if (err < bestErr - 1e-12) { bestErr = err; num = n; den = d; }
    }
  }
  if (hasWhole && num == den && num > 0) { whole += 1; num = 0; }
  QString out;
  auto placeholders = [&](int from, int to, const QString& digits) {
    // Digits right-aligned in the places; empty places as their mark asks.
    QString marks;
    for (int i = from; i < to; ++i)
      if (s.Tokens[i].Kind == TTok::Digit) marks += s.Tokens[i].Text;
    QString text = digits;
    for (qsizetype k = marks.size() - 1 - text.size(); k >= 0; --k) {
      if (marks[k] == QLatin1Char('0')) text.prepend(QLatin1Char('0'));
      else if (marks[k] == QLatin1Char('?')) text.prepend(QLatin1Char(' '));
    }
    return text;
  };
  const bool showFraction = num != 0 || !hasWhole || whole == 0;
  bool wholeDone = false;
  for (int i = 0; i < numFirst; ++i) {
    const TToken& t = s.Tokens[i];
    if (t.Kind == TTok::Digit) {
      if (!wholeDone) {
        int end = i;
        while (end < numFirst && s.Tokens[end].Kind == TTok::Digit) ++end;
        out += placeholders(i, end, whole != 0 ? QString::number(static_cast<long long>(whole)) : QString());
        wholeDone = true;
        i = end - 1;
      }
    } else if (t.Kind == TTok::Literal || t.Kind == TTok::Percent) {
      out += showFraction && (whole != 0 || !hasWhole) ? t.Text : QString(t.Text.size(), QLatin1Char(' '));
    }
  }
  if (showFraction && !(hasWhole && whole != 0 && num == 0)) {
    if (num == 0 && whole == 0) {
      out = out.trimmed() + QLatin1Char('0');
    } else {
      out += placeholders(numFirst, slash, QString::number(num));
      out += QLatin1Char('/');
      QString d = QString::number(den);
      if (fixed == 0) d = d.leftJustified(denDigits, QLatin1Char(' '));
      out += d + tail;
    }
  } else {
    out += QString(numDigits + 1 + denDigits, QLatin1Char(' '));
  }
  for (int i = after; i < count; ++i)
    if (s.Tokens[i].Kind == TTok::Literal) out += s.Tokens[i].Text;
  if (negative && autoMinus && (num != 0 || whole != 0)) out.prepend(QLatin1Char('-'));
  return out;
}

QString TNumberFormat::FormatDateSection(const TSection& s, double v) const {
  int fracDigits = 0;
  for (std::size_t i = 0; i + 1 < s.Tokens.size(); ++i)
    if (s.Tokens[i].Kind == TTok::Dot && i > 0 &&
        (s.Tokens[i - 1].Kind == TTok::Second || s.Tokens[i - 1].Kind == TTok::ElapsedSecond))
      for (std::size_t j = i + 1; j < s.Tokens.size() && s.Tokens[j].Kind == TTok::Digit; ++j) ++fracDigits;
  fracDigits = std::min(fracDigits, 3);
  // Round once to the shown resolution so 59.9999 s shows as the next minute, not :60.
  const double unitsPerDay = 86400.0 * std::pow(10.0, fracDigits);
  // Calendar codes show years 1 to 9999 only: outside them there is no date to show.
  if (s.IsCalendar && !(v > -693594 && v < 2958466)) return QStringLiteral("#NUM!");
  const double whole = std::trunc(v);
  const double units = std::round(v * unitsPerDay);
  if (!(std::abs(units) < 9e15)) return QStringLiteral("#NUM!");
  const long long perSec = static_cast<long long>(std::pow(10.0, fracDigits));
  const long long unitsOfDay = 86400LL * perSec;
  // Whole days and the time into the day, rounded once; a time that rounds up to midnight moves
  // to the next day.
  long long days = static_cast<long long>(whole);
  long long inDay = static_cast<long long>(std::round(std::abs(v - whole) * unitsPerDay));
  if (inDay >= unitsOfDay) { inDay -= unitsOfDay; ++days; }
  const long long total = v < 0 ? static_cast<long long>(units) : days * unitsOfDay + inDay;
  const long long secOfDay = inDay / perSec;
  const long long frac = v < 0 ? inDay % perSec : total % perSec;
  const long long totalSecs = total / perSec;
  const QDate date = QDate(1899, 12, 30).addDays(days);
  if (s.IsCalendar && !date.isValid()) return QStringLiteral("#NUM!");
  bool ampm = false;
  for (const TToken& t : s.Tokens) ampm = ampm || t.Kind == TTok::AmPm;
  QString out;
  for (std::size_t i = 0; i < s.Tokens.size(); ++i) {
    const TToken& t = s.Tokens[i];
    const int w = t.Width;
    switch (t.Kind) {
      case TTok::Literal: out += t.Text; break;
      case TTok::Year: out += w <= 2 ? Pad(date.year() % 100, 2) : Pad(date.year(), 4); break;
      case TTok::Month: out += Pad(date.month(), std::min(w, 2)); break;
      case TTok::MonthName: {
        const QString name = QLatin1String(kMonths[date.month() - 1]);
        out += w == 3 ? name.left(3) : w >= 5 ? name.left(1) : name;
        break;
      }
      case TTok::Day: out += Pad(date.day(), std::min(w, 2)); break;
      case TTok::WeekDay: {
        const QString name = QLatin1String(kDays[date.dayOfWeek() - 1]);
        out += w == 3 ? name.left(3) : name;
        break;
      }
      case TTok::Hour: {
        long long h = secOfDay / 3600;
        if (ampm) h = (h % 12 == 0) ? 12 : h % 12;
        out += Pad(h, std::min(w, 2));
        break;
      }
      case TTok::Minute: out += Pad(secOfDay / 60 % 60, std::min(w, 2)); break;
      case TTok::Second: out += Pad(secOfDay % 60, std::min(w, 2)); break;
      case TTok::ElapsedHour: out += Pad(totalSecs / 3600, w); break;
      case TTok::ElapsedMinute: out += Pad(totalSecs / 60, w); break;
      case TTok::ElapsedSecond: out += Pad(totalSecs, w); break;
      case TTok::AmPm:
        if (t.Flag) out += secOfDay < 43200 ? t.Text[0] : t.Text[2];
        else out += secOfDay < 43200 ? QStringLiteral("AM") : QStringLiteral("PM");
        break;
      case TTok::Dot:
        if (fracDigits > 0 && i > 0 && (s.Tokens[i - 1].Kind == TTok::Second || s.Tokens[i - 1].Kind == TTok::ElapsedSecond)) {
          out += QLatin1Char('.') + Pad(frac, fracDigits);
          while (i + 1 < s.Tokens.size() && s.Tokens[i + 1].Kind == TTok::Digit) ++i;
        } else {
          out += QLatin1Char('.');
        }
        break;
      default: break;
    }
  }
  return out;
}
