#include "workbook/formats/odsnumberstyles.h"

#include <algorithm>
#include <charconv>

namespace {

int Whole(std::string_view text, int otherwise) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size() && n >= 0 ? std::min(n, 30) : otherwise;
}

QString Repeat(char c, int n) { return QString(std::max(n, 0), QLatin1Char(c)); }

// The digits of a number element: "0", "#,##0", "0.00", "0.0##".
QString Digits(const TXmlPartParser::TAttributes& attrs) {
  const int whole = Whole(attrs.Get("min-integer-digits"), 1);
  QString code = whole == 0 ? QStringLiteral("#") : Repeat('0', whole);
  if (attrs.Has("grouping", "true")) {
    while (code.size() < 4) code.prepend(QLatin1Char('#'));
    code.insert(code.size() - 3, QLatin1Char(','));
  }
  const int decimals = Whole(attrs.Get("decimal-places"), 0);
  const int shown = std::min(Whole(attrs.Get("min-decimal-places"), decimals), decimals);
  if (decimals > 0) code += QLatin1Char('.') + Repeat('0', shown) + Repeat('#', decimals - shown);
  return code;
}

bool Long(const TXmlPartParser::TAttributes& attrs) { return attrs.Has("style", "long"); }

}  // namespace

bool TOdsNumberStyles::Start(std::string_view name, const TXmlPartParser::TAttributes& attrs) {
  if (FKind == TKind::None) {
    static const std::pair<std::string_view, TKind> kStyles[] = {
        {"number-style", TKind::Number}, {"percentage-style", TKind::Percentage}, {"currency-style", TKind::Currency},
        {"date-style", TKind::Date},     {"time-style", TKind::Time},             {"text-style", TKind::Text},
        {"boolean-style", TKind::Other}};
    for (const auto& [element, kind] : kStyles)
      if (name == element) {
        FKind = kind;
        FName = std::string(attrs.Get("name"));
        FStyle = TDataStyle();
        FElapsedHours = attrs.Has("truncate-on-overflow", "false");
        return false;
      }
    if (name == "style" && attrs.Has("family", "table-cell"))
      FCells[std::string(attrs.Get("name"))] = {std::string(attrs.Get("data-style-name")), std::string(attrs.Get("parent-style-name"))};
    return false;
  }
  QString& code = FStyle.Code;
  if (name == "number") {
    if (attrs.Find("decimal-places") || attrs.Find("min-decimal-places")) FStyle.Plain = false;
    code += Digits(attrs);
    return false;
  }
  if (name == "map") {
    const std::string_view condition = attrs.Get("condition");
    const std::string apply(attrs.Get("apply-style-name"));
    if (condition == "value()>=0" || condition == "value()>0") FStyle.Positive = apply;
    else if (condition == "value()<0") FStyle.Negative = apply;
    return false;
  }
  if (name == "text-properties" || name == "embedded-text" || name == "fill-character") return false;
  FStyle.Plain = false;
  if (name == "text" || name == "currency-symbol") return true;
  if (name == "scientific-number") {
    code += Digits(attrs) + QStringLiteral("E+") + Repeat('0', std::max(Whole(attrs.Get("min-exponent-digits"), 2), 1));
  } else if (name == "fraction") {
    // A whole part is shown when its digits are stated at all, even as none.
    if (attrs.Find("min-integer-digits")) code += Whole(attrs.Get("min-integer-digits"), 0) > 0 ? QStringLiteral("0 ") : QStringLiteral("# ");
    code += Repeat('?', std::max(Whole(attrs.Get("min-numerator-digits"), 1), 1)) + QLatin1Char('/');
    const int denominator = Whole(attrs.Get("denominator-value"), 0);
    code += denominator > 0 ? QString::number(denominator) : Repeat('?', std::max(Whole(attrs.Get("min-denominator-digits"), 1), 1));
  } else if (name == "day") {
    code += Long(attrs) ? QStringLiteral("dd") : QStringLiteral("d");
  } else if (name == "month") {
    if (attrs.Has("textual", "true")) code += Long(attrs) ? QStringLiteral("mmmm") : QStringLiteral("mmm");
    else code += Long(attrs) ? QStringLiteral("mm") : QStringLiteral("m");
  } else if (name == "year") {
    code += Long(attrs) ? QStringLiteral("yyyy") : QStringLiteral("yy");
  } else if (name == "day-of-week") {
    code += Long(attrs) ? QStringLiteral("dddd") : QStringLiteral("ddd");
  } else if (name == "hours") {
    const QString hours = Long(attrs) ? QStringLiteral("hh") : QStringLiteral("h");
    // A duration's hours run on past a day.
    code += FElapsedHours ? QLatin1Char('[') + hours + QLatin1Char(']') : hours;
  } else if (name == "minutes") {
    code += Long(attrs) ? QStringLiteral("mm") : QStringLiteral("m");
  } else if (name == "seconds") {
    code += Long(attrs) ? QStringLiteral("ss") : QStringLiteral("s");
    if (const int decimals = Whole(attrs.Get("decimal-places"), 0); decimals > 0) code += QLatin1Char('.') + Repeat('0', decimals);
  } else if (name == "am-pm") {
    code += QStringLiteral("AM/PM");
  } else if (name == "text-content") {
    code += QLatin1Char('@');
  }
  return false;
}

void TOdsNumberStyles::End(std::string_view name, const std::string& text) {
  if (FKind == TKind::None) return;
  if (name == "text" || name == "currency-symbol") {
    FStyle.Code += Literal(text);
  } else if (name.size() > 6 && name.substr(name.size() - 6) == "-style") {
    if (FKind == TKind::Other) FStyle.Code.clear();
    else if (FKind == TKind::Number && FStyle.Plain) FStyle.Code = QStringLiteral("General");
    if (!FName.empty()) FData[FName] = FStyle;
    FKind = TKind::None;
  }
}

// Text shown as it stands: separators a date or a number shows as themselves stay bare, the rest
// is escaped so that no letter or sign reads as a code.
QString TOdsNumberStyles::Literal(const std::string& text) const {
  const bool moment = FKind == TKind::Date || FKind == TKind::Time;
  QString out;
  for (const QChar c : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) {
    const bool bare = c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char(':') ||
                      c == QLatin1Char('(') || c == QLatin1Char(')') || (moment && (c == QLatin1Char('.') || c == QLatin1Char(','))) ||
                      (FKind == TKind::Percentage && c == QLatin1Char('%'));
    if (!bare) out += QLatin1Char('\\');
    out += c;
  }
  return out;
}

QString TOdsNumberStyles::CellFormat(std::string_view cellStyle) const {
  // A style takes its parent's data style unless it names its own; the chain is kept short.
  for (int depth = 0; depth < 8 && !cellStyle.empty(); ++depth) {
    const auto style = FCells.find(cellStyle);
    if (style == FCells.end()) return QString();
    if (!style->second.DataStyle.empty()) return DataFormat(style->second.DataStyle);
    cellStyle = style->second.Parent;
  }
  return QString();
}

QString TOdsNumberStyles::DataFormat(std::string_view dataStyle) const { return DataFormat(dataStyle, 0); }

QString TOdsNumberStyles::DataFormat(std::string_view dataStyle, int depth) const {
  const auto style = FData.find(dataStyle);
  if (style == FData.end()) return QString();
  const TDataStyle& s = style->second;
  // Conditions naming the styles for values above and below zero become the code's sections, in
  // the order positive, negative, zero; the style itself is the section for the rest.
  const QString positive = depth < 4 && !s.Positive.empty() ? DataFormat(s.Positive, depth + 1) : QString();
  if (positive.isEmpty() || s.Code.isEmpty()) return s.Code;
  const QString negative = depth < 4 && !s.Negative.empty() ? DataFormat(s.Negative, depth + 1) : QString();
  return negative.isEmpty() ? positive + QLatin1Char(';') + s.Code : positive + QLatin1Char(';') + negative + QLatin1Char(';') + s.Code;
}
