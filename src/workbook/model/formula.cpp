#include "workbook/model/formula.h"

#include "workbook/model/formulalexer.h"
#include "workbook/model/formulaparser.h"

namespace {

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

TFormula TFormula::Compile(const QString& text, int ownSheetId, const TSheetResolver& resolver, TFormulaPattern* pattern) {
  TFormula f;
  const std::vector<TFormulaToken> tokens = TFormulaLexer::Tokenize(text);
  TFormulaParser(tokens, ownSheetId, resolver, f).Parse();
  if (pattern) *pattern = TFormulaPattern(text, tokens);
  return f;
}

QString TFormula::Shift(const QString& text, int dRow, int dCol) {
  if (dRow == 0 && dCol == 0) return text;
  return TFormulaPattern(text).Text(dRow, dCol);
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
