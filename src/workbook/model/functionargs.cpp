#include "workbook/model/functionargs.h"

#include <algorithm>
#include <cmath>

#include <QRegularExpression>

bool TFunctionArgs::Number(const TCellValue& v, double& x, TCellValue& result) {
  TCellError err = TCellError::None;
  if (TFormulaEvaluator::ToNumber(v, x, err)) return true;
  result = TCellValue::Error(err);
  return false;
}

bool TFunctionArgs::Integer(const TCellValue& v, long long& n, TCellValue& result) {
  double x = 0;
  if (!Number(v, x, result)) return false;
  if (std::isnan(x)) { result = TCellValue::Error(TCellError::Num); return false; }
  // Clamped before the conversion, which is undefined past long long's range: a huge index is
  // simply out of any range and gives that function's out-of-range error.
  n = static_cast<long long>(std::clamp(std::trunc(x), -1e9, 1e9));
  return true;
}

bool TFunctionArgs::Text(const TCellValue& v, QString& s, TCellValue& result) {
  if (v.IsError()) { result = v; return false; }
  if (v.Kind == TValueKind::Range) {
    TFormulaEvaluator::RangeAsScalar();
    result = TCellValue::Error(TCellError::Value);
    return false;
  }
  s = TFormulaEvaluator::ToText(v);
  return true;
}

int TFunctionArgs::FindKey(const TCellValue& key, const TRangeRef& line, bool sorted, const ICellSource& cells) {
  int found = 0;
  const bool ok = EachCell(line, cells, [&](int row, int col, const TCellValue& cell) {
    if (cell.Kind == TValueKind::Empty || cell.IsError() || KindRank(cell.Kind) != KindRank(key.Kind)) return true;
    const int c = TFormulaEvaluator::Compare(cell, key);
    if (c == 0 || (sorted && c < 0)) found = row - line.Row1 + col - line.Col1 + 1;
    return c != 0 && (!sorted || c < 0);  // sorted: nothing past a greater value can match
  });
  return ok ? found : -1;
}

void TFunctionArgs::SetNumber(double v, TCellValue& result) {
  result = std::isfinite(v) ? TCellValue::Number(v) : TCellValue::Error(TCellError::Num);
}

qsizetype TFunctionArgs::WildcardMatch(const QString& pattern, const QString& text, bool search, qsizetype from) {
  QString rx;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('~') && i + 1 < pattern.size()) rx += QRegularExpression::escape(QString(pattern[++i]));
    else if (c == QLatin1Char('*')) rx += QStringLiteral(".*");
    else if (c == QLatin1Char('?')) rx += QLatin1Char('.');
    else rx += QRegularExpression::escape(QString(c));
  }
  const QRegularExpression re(search ? rx : QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = re.match(text, from);
  if (!m.hasMatch()) return -1;
  return search ? m.capturedStart() : 0;
}
