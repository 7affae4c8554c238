#include "workbook/model/textfunctions.h"

#include "workbook/model/functionargs.h"

namespace {
using A = TFunctionArgs;

// FIND (exact case, no wildcards) and SEARCH (any case, wildcards): 1-based position of `what` in
// `within` from `start`, #VALUE! when absent.
void Locate(std::span<TCellValue> args, TCellValue& result, bool search) {
  QString what, within;
  long long start = 1;
  if (!A::Text(args[0], what, result) || !A::Text(args[1], within, result)) return;
  if (args.size() > 2 && !A::Integer(args[2], start, result)) return;
  if (start < 1 || start > within.size() + (search ? 0 : 1)) return A::SetError(TCellError::Value, result);
  const qsizetype at = search ? A::WildcardMatch(what, within, true, start - 1)
                              : within.indexOf(what, start - 1, Qt::CaseSensitive);
  if (at < 0) return A::SetError(TCellError::Value, result);
  A::SetNumber(static_cast<double>(at + 1), result);
}
void Find(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Locate(a, r, false); }
void Search(std::span<TCellValue> a, const ICellSource&, TCellValue& r) { Locate(a, r, true); }

// SUBSTITUTE(text, old, new[, which]): every occurrence, or only the which-th.
void Substitute(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString text, from, to;
  if (!A::Text(args[0], text, result) || !A::Text(args[1], from, result) || !A::Text(args[2], to, result)) return;
  long long which = 0;
  if (args.size() > 3) {
    if (!A::Integer(args[3], which, result)) return;
    if (which < 1) return A::SetError(TCellError::Value, result);
  }
  if (from.isEmpty()) { result = TCellValue::Text(text); return; }
  if (which == 0) { result = TCellValue::Text(text.replace(from, to)); return; }
  qsizetype at = text.indexOf(from);
  for (long long n = 1; n < which && at >= 0; ++n) at = text.indexOf(from, at + from.size());
  if (at >= 0) text.replace(at, from.size(), to);
  result = TCellValue::Text(text);
}

// REPLACE(text, start, count, new): characters start.. start+count-1 become `new`.
void Replace(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString text, with;
  long long start = 0, count = 0;
  if (!A::Text(args[0], text, result) || !A::Integer(args[1], start, result) || !A::Integer(args[2], count, result) ||
      !A::Text(args[3], with, result))
    return;
  if (start < 1 || count < 0) return A::SetError(TCellError::Value, result);
  const qsizetype from = std::min<qsizetype>(start - 1, text.size());
  result = TCellValue::Text(text.replace(from, std::min<qsizetype>(count, text.size() - from), with));
}

// Texts longer than this are refused, as spreadsheets refuse them, so REPT cannot fill memory.
constexpr qsizetype kMaxText = 32767;

void Rept(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString text;
  long long n = 0;
  if (!A::Text(args[0], text, result) || !A::Integer(args[1], n, result)) return;
  if (n < 0 || text.size() * n > kMaxText) return A::SetError(TCellError::Value, result);
  result = TCellValue::Text(text.repeated(static_cast<qsizetype>(n)));
}

void Exact(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString a, b;
  if (!A::Text(args[0], a, result) || !A::Text(args[1], b, result)) return;
  result = TCellValue::Boolean(a == b);
}

// Every letter after a non-letter in upper case, every other letter in lower case.
void Proper(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString s;
  if (!A::Text(args[0], s, result)) return;
  bool start = true;
  for (QChar& c : s) {
    if (c.isLetter()) {
      c = start ? c.toUpper() : c.toLower();
      start = false;
    } else {
      start = true;
    }
  }
  result = TCellValue::Text(s);
}

void Char(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  long long n = 0;
  if (!A::Integer(args[0], n, result)) return;
  if (n < 1 || n > 255) return A::SetError(TCellError::Value, result);
  result = TCellValue::Text(QString(QChar(static_cast<char16_t>(n))));
}

void Code(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString s;
  if (!A::Text(args[0], s, result)) return;
  if (s.isEmpty()) return A::SetError(TCellError::Value, result);
  A::SetNumber(s[0].unicode(), result);
}

// CLEAN(text): without the control characters (codes 0 to 31).
void Clean(std::span<TCellValue> args, const ICellSource&, TCellValue& result) {
  QString text;
  if (!A::Text(args[0], text, result)) return;
  text.removeIf([](QChar c) { return c.unicode() < 32; });
  result = TCellValue::Text(text);
}

// The texts of the arguments, ranges cell by cell (row by row), joined by `delimiter`; with
// skipEmpty empty texts are left out. An error met is the result; too long a text is #VALUE!.
void Join(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result, const QString& delimiter, bool skipEmpty) {
  QString out;
  bool first = true;
  TCellError err = TCellError::None;
  auto add = [&](const TCellValue& v) {
    if (v.IsError()) { err = v.Err; return false; }
    const QString text = TFormulaEvaluator::ToText(v);
    if (skipEmpty && text.isEmpty()) return true;
    if (!first) out += delimiter;
    out += text;
    first = false;
    if (out.size() > kMaxText) err = TCellError::Value;
    return err == TCellError::None;
  };
  for (const TCellValue& a : args) {
    if (a.Kind == TValueKind::Range) A::EachCell(a.Range, cells, [&](int, int, const TCellValue& cell) { return add(cell); });
    else add(a);
    if (err != TCellError::None) return A::SetError(err, result);
  }
  result = TCellValue::Text(out);
}
void Concat(std::span<TCellValue> a, const ICellSource& c, TCellValue& r) { Join(a, c, r, QString(), false); }

// TEXTJOIN(delimiter, skip empty, texts...)
void TextJoin(std::span<TCellValue> args, const ICellSource& cells, TCellValue& result) {
  QString delimiter;
  bool skip = true;
  TCellError err = TCellError::None;
  if (!A::Text(args[0], delimiter, result)) return;
  if (!TFormulaEvaluator::ToBool(args[1], skip, err)) return A::SetError(err, result);
  Join(args.subspan(2), cells, result, delimiter, skip);
}

const TFamilyFunction kFunctions[] = {
    {"CLEAN", 1, 1, Clean},     {"CONCAT", 1, 255, Concat}, {"TEXTJOIN", 3, 255, TextJoin},
    {"FIND", 2, 3, Find},       {"SEARCH", 2, 3, Search}, {"SUBSTITUTE", 3, 4, Substitute},
    {"REPLACE", 4, 4, Replace}, {"REPT", 2, 2, Rept},     {"EXACT", 2, 2, Exact},
    {"PROPER", 1, 1, Proper},   {"CHAR", 1, 1, Char},     {"CODE", 1, 1, Code},
};
}  // namespace

std::span<const TFamilyFunction> TTextFunctions::Functions() { return kFunctions; }
