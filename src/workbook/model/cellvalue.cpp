#include "workbook/model/cellvalue.h"

#include "workbook/model/numberformat.h"

namespace {
struct TErrorName { TCellError Code; const char* Text; };
constexpr TErrorName kErrorNames[] = {
    {TCellError::Div0, "#DIV/0!"}, {TCellError::Value, "#VALUE!"}, {TCellError::Ref, "#REF!"},
    {TCellError::Name, "#NAME?"},  {TCellError::Num, "#NUM!"},     {TCellError::NA, "#N/A"},
    {TCellError::Circular, "#CIRC!"}, {TCellError::Null, "#NULL!"}};
}  // namespace

bool TCellValue::operator==(const TCellValue& o) const {
  if (Kind != o.Kind) return false;
  switch (Kind) {
    case TValueKind::Empty: return true;
    case TValueKind::Number:
    case TValueKind::Bool: return Num == o.Num;
    case TValueKind::Text: return Str == o.Str;
    case TValueKind::Error: return Err == o.Err;
    case TValueKind::Range:
      return Range.SheetId == o.Range.SheetId && Range.Row1 == o.Range.Row1 &&
             Range.Col1 == o.Range.Col1 && Range.Row2 == o.Range.Row2 && Range.Col2 == o.Range.Col2;
  }
  return false;
}

QString TCellValue::ToText() const {
  switch (Kind) {
    case TValueKind::Empty: return QString();
    case TValueKind::Number: return TNumberFormat::General(Num);
    case TValueKind::Text: return Str;
    case TValueKind::Bool: return Num != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case TValueKind::Error: return ErrorText(Err);
    case TValueKind::Range: return ErrorText(TCellError::Value);
  }
  return QString();
}

QString TCellValue::ErrorText(TCellError e) {
  for (const auto& n : kErrorNames)
    if (n.Code == e) return QString::fromLatin1(n.Text);
  return QString();
}

TCellError TCellValue::ParseError(const QString& text) {
  for (const auto& n : kErrorNames)
    if (text.compare(QLatin1String(n.Text), Qt::CaseInsensitive) == 0) return n.Code;
  return TCellError::None;
}
