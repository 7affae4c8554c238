#include "workbook/model/formulapattern.h"

#include "workbook/model/formulalexer.h"

namespace {

const QString RefError = QStringLiteral("#REF!");

bool Moved(a1::TCellName& c, int dRow, int dCol) {
  if (!c.AbsRow) c.Row += dRow;
  if (!c.AbsCol) c.Col += dCol;
  return c.Row >= 1 && c.Row <= a1::MaxRows && c.Col >= 1 && c.Col <= a1::MaxCols;
}

}  // namespace

TFormulaPattern::TFormulaPattern(const QString& text) : FText(text) {
  std::vector<TFormulaToken> tokens;
  try {
    tokens = TFormulaLexer::Tokenize(text);
  } catch (...) {
    return;
  }
  *this = TFormulaPattern(text, tokens);
}

TFormulaPattern::TFormulaPattern(const QString& text, const std::vector<TFormulaToken>& tokens) : FText(text) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].Kind != TTokenKind::Ref) continue;
    const TFormulaToken& a = tokens[i];
    THole h;
    h.Begin = a.Pos;
    h.End = a.Pos + a.Len;
    h.CellA = a.CellPos;
    h.LenA = a.Pos + a.Len - a.CellPos;
    h.A = a.Cell;
    if (i + 2 < tokens.size() && tokens[i + 1].Kind == TTokenKind::Colon && tokens[i + 2].Kind == TTokenKind::Ref) {
      const TFormulaToken& b = tokens[i + 2];
      h.End = b.Pos + b.Len;
      h.CellB = b.CellPos;
      h.LenB = b.Pos + b.Len - b.CellPos;
      h.B = b.Cell;
      i += 2;
    }
    FHoles.push_back(h);
  }
}

bool TFormulaPattern::Move(const THole& h, int dRow, int dCol, char16_t* a, int& lenA, char16_t* b, int& lenB) {
  a1::TCellName ca = h.A, cb = h.B;
  const bool inA = Moved(ca, dRow, dCol);
  const bool inB = h.CellB < 0 || Moved(cb, dRow, dCol);
  if (!inA || !inB) return false;
  lenA = a1::WriteName(ca, a);
  lenB = h.CellB < 0 ? 0 : a1::WriteName(cb, b);
  return true;
}

QString TFormulaPattern::Text(int dRow, int dCol) const {
  if ((dRow == 0 && dCol == 0) || FHoles.empty()) return FText;
  QString out;
  TextInto(dRow, dCol, out);
  return out;
}

void TFormulaPattern::TextInto(int dRow, int dCol, QString& out) const {
  if ((dRow == 0 && dCol == 0) || FHoles.empty()) {
    out = FText;
    return;
  }
  out.resize(0);
  out.reserve(FText.size() + 8);
  const QStringView text(FText);
  char16_t a[a1::NameChars], b[a1::NameChars];
  int lenA = 0, lenB = 0, copied = 0;
  for (const THole& h : FHoles) {
    if (!Move(h, dRow, dCol, a, lenA, b, lenB)) {
      out.append(text.mid(copied, h.Begin - copied));
      out.append(RefError);
    } else {
      out.append(text.mid(copied, h.CellA - copied));
      out.append(reinterpret_cast<const QChar*>(a), lenA);
      if (h.CellB >= 0) {
        out.append(text.mid(h.CellA + h.LenA, h.CellB - (h.CellA + h.LenA)));
        out.append(reinterpret_cast<const QChar*>(b), lenB);
      }
    }
    copied = h.End;
  }
  out.append(text.mid(copied));
}

bool TFormulaPattern::Matches(QStringView text, int dRow, int dCol) const {
  if ((dRow == 0 && dCol == 0) || FHoles.empty()) return text == FText;
  const QStringView source(FText);
  qsizetype at = 0;
  // Takes `part` from `text` at `at`, if it is there.
  auto take = [&](QStringView part) {
    if (text.size() - at < part.size() || text.mid(at, part.size()) != part) return false;
    at += part.size();
    return true;
  };
  char16_t a[a1::NameChars], b[a1::NameChars];
  int lenA = 0, lenB = 0, copied = 0;
  for (const THole& h : FHoles) {
    if (!Move(h, dRow, dCol, a, lenA, b, lenB)) {
      if (!take(source.mid(copied, h.Begin - copied)) || !take(RefError)) return false;
    } else {
      if (!take(source.mid(copied, h.CellA - copied)) || !take(QStringView(a, lenA))) return false;
      if (h.CellB >= 0 &&
          (!take(source.mid(h.CellA + h.LenA, h.CellB - (h.CellA + h.LenA))) || !take(QStringView(b, lenB))))
        return false;
    }
    copied = h.End;
  }
  return take(source.mid(copied)) && at == text.size();
}
