#include "workbook/model/formula.h"

#include "workbook/model/formulalexer.h"
#include "workbook/model/formulaparser.h"

namespace {

QString CellText(const a1::TCellName& c) { return a1::NameText(c); }

// Rebuilds the text, letting edit() replace each reference token or range (first..last token).
// edit returns the replacement text for the span from the first token's start.
template <typename Edit>
QString Rewrite(const QString& text, Edit edit) {
  std::vector<TFormulaToken> tokens;
  try {
    tokens = TFormulaLexer::Tokenize(text);
  } catch (...) {
    return text;  // text that does not lex holds no references to rewrite
  }
  QString out;
  int copied = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].Kind != TTokenKind::Ref) continue;
    const TFormulaToken* second = nullptr;
    if (i + 2 < tokens.size() && tokens[i + 1].Kind == TTokenKind::Colon && tokens[i + 2].Kind == TTokenKind::Ref)
      second = &tokens[i + 2];
    const TFormulaToken& first = tokens[i];
    const int end = second ? second->Pos + second->Len : first.Pos + first.Len;
    out += text.mid(copied, first.Pos - copied);
    out += edit(text, first, second);
    copied = end;
    if (second) i += 2;
  }
  out += text.mid(copied);
  return out;
}

}  // namespace

TFormula TFormula::Compile(const QString& text, int ownSheetId, const TSheetResolver& resolver) {
  TFormula f;
  const std::vector<TFormulaToken> tokens = TFormulaLexer::Tokenize(text);
  TFormulaParser(tokens, ownSheetId, resolver, f).Parse();
  return f;
}

QString TFormula::Shift(const QString& text, int dRow, int dCol) {
  if (dRow == 0 && dCol == 0) return text;
  return Rewrite(text, [&](const QString& s, const TFormulaToken& a, const TFormulaToken* b) {
    auto move = [&](a1::TCellName c, bool& ok) {
      if (!c.AbsRow) c.Row += dRow;
      if (!c.AbsCol) c.Col += dCol;
      ok = ok && c.Row >= 1 && c.Row <= a1::MaxRows && c.Col >= 1 && c.Col <= a1::MaxCols;
      return c;
    };
    bool ok = true;
    const a1::TCellName ca = move(a.Cell, ok);
    const a1::TCellName cb = b ? move(b->Cell, ok) : a1::TCellName{};
    if (!ok) return QStringLiteral("#REF!");
    QString r = s.mid(a.Pos, a.CellPos - a.Pos) + CellText(ca);
    if (b) r += s.mid(a.Pos + a.Len, b->CellPos - (a.Pos + a.Len)) + CellText(cb);
    return r;
  });
}

bool TFormula::ShiftCode(int dRow, int dCol, int ownSheetId) {
  if (OtherSheets || Kept) return false;
  for (TFormulaRef& r : Refs) {
    if (!r.AbsRow) r.Row += dRow;
    if (!r.AbsCol) r.Col += dCol;
    if (r.Row < 1 || r.Row > a1::MaxRows || r.Col < 1 || r.Col > a1::MaxCols) return false;
    r.SheetId = ownSheetId;
  }
  for (const TInstr& in : Code) {
    if (in.Op != TOp::Range) continue;
    TFormulaRef& a = Refs[in.Arg];
    TFormulaRef& b = Refs[in.Arg + 1];
    if (b.Row < a.Row) { std::swap(a.Row, b.Row); std::swap(a.AbsRow, b.AbsRow); }
    if (b.Col < a.Col) { std::swap(a.Col, b.Col); std::swap(a.AbsCol, b.AbsCol); }
  }
  return true;
}

bool TFormula::Movable(int dRow, int dCol) const {
  if (OtherSheets) return false;
  for (const TFormulaRef& r : Refs) {
    const int row = r.AbsRow ? r.Row : r.Row + dRow, col = r.AbsCol ? r.Col : r.Col + dCol;
    if (row < 1 || row > a1::MaxRows || col < 1 || col > a1::MaxCols) return false;
  }
  return true;
}

QString TFormula::RenameSheet(const QString& text, const QString& oldName, const QString& newName) {
  const QString quoted = a1::QuoteSheetName(newName);
  return Rewrite(text, [&](const QString& s, const TFormulaToken& a, const TFormulaToken* b) {
    auto one = [&](const TFormulaToken& t) {
      if (t.HasSheet && t.Text.compare(oldName, Qt::CaseInsensitive) == 0)
        return quoted + QLatin1Char('!') + s.mid(t.CellPos, t.Pos + t.Len - t.CellPos);
      return s.mid(t.Pos, t.Len);
    };
    QString r = one(a);
    if (b) r += s.mid(a.Pos + a.Len, b->Pos - (a.Pos + a.Len)) + one(*b);
    return r;
  });
}
