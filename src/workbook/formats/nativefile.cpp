#include "workbook/formats/nativefile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <cstring>
#include <vector>

#include <QStringDecoder>

#include "platform/numbers.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

constexpr int kVersion = 1;

void AppendString(QByteArray& out, const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  out += '"';
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          static const char hex[] = "0123456789abcdef";
          out += "\\x";
          out += hex[(c >> 4) & 0xf];
          out += hex[c & 0xf];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// One line being read, with the position of the next token.
class TLine {
 public:
  TLine(const QString& path, int number, const char* begin, const char* end)
      : FPath(path), FNumber(number), FPos(begin), FEnd(end) {}

  [[noreturn]] void Fail(const QString& what) const {
    throw EWorkbookError(FPath, QStringLiteral("line %1").arg(FNumber), what);
  }
  void SkipBlanks() { while (FPos < FEnd && (*FPos == ' ' || *FPos == '\t')) ++FPos; }
  bool AtEnd() { SkipBlanks(); return FPos >= FEnd; }
  char Peek() { SkipBlanks(); return FPos < FEnd ? *FPos : '\0'; }
  QByteArray Word() {
    SkipBlanks();
    const char* b = FPos;
    while (FPos < FEnd && *FPos != ' ' && *FPos != '\t') ++FPos;
    return QByteArray(b, static_cast<int>(FPos - b));
  }
  long long Integer(const char* what, long long lo, long long hi) {
    const QByteArray w = Word();
    long long v = 0;
    const auto res = std::from_chars(w.constData(), w.constData() + w.size(), v);
    if (w.isEmpty() || res.ec != std::errc() || res.ptr != w.constData() + w.size())
      Fail(QStringLiteral("expected a whole number for %1").arg(QLatin1String(what)));
    if (v < lo || v > hi) Fail(QStringLiteral("%1 %2 is outside %3..%4").arg(QLatin1String(what)).arg(v).arg(lo).arg(hi));
    return v;
  }
  int Column() {
    const QByteArray w = Word();
    long long v = 0;
    const auto res = std::from_chars(w.constData(), w.constData() + w.size(), v);
    if (!w.isEmpty() && res.ec == std::errc() && res.ptr == w.constData() + w.size() && v >= 1 && v <= a1::MaxCols)
      return static_cast<int>(v);
    int col = 0;
    for (char c : w) {
      if (c < 'A' || c > 'Z' || col > a1::MaxCols) Fail(QStringLiteral("bad column \"%1\"").arg(QString::fromUtf8(w)));
      col = col * 26 + (c - 'A' + 1);
    }
    if (col < 1 || col > a1::MaxCols) Fail(QStringLiteral("bad column \"%1\"").arg(QString::fromUtf8(w)));
    return col;
  }
  double Number() {
    const QByteArray w = Word();
    const std::optional<double> v = numbers::ParseExact(std::string_view(w.constData(), static_cast<std::size_t>(w.size())));
    if (!v) Fail(QStringLiteral("malformed number \"%1\"").arg(QString::fromUtf8(w)));
    return *v;
  }
  QString String() {
    SkipBlanks();
    if (FPos >= FEnd || *FPos != '"') Fail(QStringLiteral("expected a quoted text"));
    ++FPos;
    QByteArray bytes;
    for (;;) {
      if (FPos >= FEnd) Fail(QStringLiteral("unterminated text"));
      const char c = *FPos++;
      if (c == '"') break;
      if (c != '\\') { bytes += c; continue; }
      if (FPos >= FEnd) Fail(QStringLiteral("unterminated text"));
      const char e = *FPos++;
      switch (e) {
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case '"': bytes += '"'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
          int v = 0;
          if (FEnd - FPos < 2 || std::from_chars(FPos, FPos + 2, v, 16).ptr != FPos + 2)
            Fail(QStringLiteral("bad \\x escape"));
          FPos += 2;
          bytes += static_cast<char>(v);
          break;
        }
        default: Fail(QStringLiteral("unknown escape \\%1").arg(QChar(e)));
      }
    }
    return Decode(bytes);
  }
  // The rest of the line as bytes, checked to be UTF-8 but not converted.
  std::pair<const char*, const char*> RestBytes() {
    SkipBlanks();
    const char* b = FPos;
    FPos = FEnd;
    if (std::any_of(b, FEnd, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      Decode(QByteArray::fromRawData(b, static_cast<qsizetype>(FEnd - b)));
    return {b, FEnd};
  }
  QString Rest() {
    SkipBlanks();
    const QByteArray bytes(FPos, static_cast<int>(FEnd - FPos));
    FPos = FEnd;
    return Decode(bytes);
  }
  QString Decode(const QByteArray& bytes) const {
    // A text may start with U+FEFF: it is content here, not a byte-order mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString s = decoder.decode(bytes);
    if (decoder.hasError()) Fail(QStringLiteral("text is not valid UTF-8"));
    return s;
  }
  void ExpectEnd() { if (!AtEnd()) Fail(QStringLiteral("unexpected \"%1\"").arg(QString::fromUtf8(Word()))); }
  int Number_() const { return FNumber; }

 private:
  QString FPath;
  int FNumber;
  const char* FPos;
  const char* FEnd;
};


// A formula line waiting for every sheet to exist: its text stays in the file's bytes until it is
// placed, so a file of a million formulas holds no million texts meanwhile. A formula kept with
// its saved value (rare) waits in full among Kept.
struct TFormulaLine {
  int Sheet, Row, Col, Line;
  qsizetype Begin;
  int Length;
  int Kept;  // index into the kept formulas, -1 for text to compile
};

// text = the UTF-8 bytes (checked when read), into its existing room: placing a formula that
// shares the code above keeps no copy of its text, so the room serves the next one.
void DecodeInto(QString& text, const char* b, qsizetype n) {
  if (std::any_of(b, b + n, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    text = QString::fromUtf8(b, n);
    return;
  }
  text.resize(n);
  QChar* out = text.data();
  for (qsizetype i = 0; i < n; ++i) out[i] = QLatin1Char(b[i]);
}

}  // namespace

bool TNativeFile::Recognise(const QByteArray& data) {
  QByteArray head = data.left(64);
  if (head.startsWith("\xEF\xBB\xBF")) head.remove(0, 3);
  return head.startsWith(Magic);
}

namespace {

// The value of a "kept" cell: a number, a "text", an error value, TRUE, FALSE or "empty".
TCellValue ReadKeptValue(TLine& line) {
  const char first = line.Peek();
  if (first == '"') return TCellValue::Text(line.String());
  if (first == '#') {
    const QString text = QString::fromLatin1(line.Word());
    const TCellError err = TCellValue::ParseError(text);
    if (err == TCellError::None) line.Fail(QStringLiteral("unknown error value \"%1\"").arg(text));
    return TCellValue::Error(err);
  }
  if (first == 'T' || first == 'F' || first == 'e') {
    const QByteArray word = line.Word();
    if (word == "TRUE" || word == "FALSE") return TCellValue::Boolean(word == "TRUE");
    if (word != "empty") line.Fail(QStringLiteral("unknown kept value \"%1\"").arg(QString::fromUtf8(word)));
    return TCellValue{};
  }
  return TCellValue::Number(line.Number());
}

void AppendKept(QByteArray& out, const TCellValue& v, const TFormula& code) {
  out += " kept ";
  switch (v.Kind) {
    case TValueKind::Number: numbers::AppendShortest(out, v.Num); break;
    case TValueKind::Text: AppendString(out, v.Str); break;
    case TValueKind::Error: out += TCellValue::ErrorText(v.Err).toLatin1(); break;
    case TValueKind::Bool: out += v.Num != 0 ? "TRUE" : "FALSE"; break;
    default: out += "empty"; break;
  }
  if (code.ArrayRows > 0) {
    out += " array ";
    numbers::AppendInteger(out, code.ArrayRows);
    out += ' ';
    numbers::AppendInteger(out, code.ArrayCols);
  }
}

}  // namespace

TWorkbook TNativeFile::Read(const QString& path, const QByteArray& data) {
  TWorkbook book;
  book.SetAutoRecalc(false);
  std::vector<TFormulaLine> formulas;
  std::vector<TWorkbookFile::TPendingFormula> kept;
  std::vector<TWorkbook::TDefinedName> names;
  const char* p = data.constData();
  const char* end = p + data.size();
  if (data.startsWith("\xEF\xBB\xBF")) p += 3;
  // Every formula has an "=": room for that many (at most a few million, since a file may be
  // nothing but "="), so a file of formulas does not copy the list at every doubling.
  std::size_t equals = 0;
  for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '=', static_cast<std::size_t>(end - q)))) != nullptr; ++q) ++equals;
  formulas.reserve(std::min<std::size_t>(equals, std::size_t(1) << 21));
  int lineNo = 0, sheet = 0;
  bool header = false, finished = false;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = nl ? nl : end;
    const char* next = nl ? nl + 1 : end;
    if (lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
    ++lineNo;
    TLine line(path, lineNo, p, lineEnd);
    p = next;
    if (line.AtEnd() || line.Peek() == '#') continue;
    try {
      TLine cmdLine = line;
      const QByteArray word = cmdLine.Word();
      if (finished) line.Fail(QStringLiteral("text after \"end\""));
      if (!header) {
        if (word != Magic) line.Fail(QStringLiteral("not a workbook file (expected \"%1\")").arg(QLatin1String(Magic)));
        const long long version = cmdLine.Integer("version", 1, 1000000);
        if (version > kVersion) line.Fail(QStringLiteral("version %1 is newer than this program reads (%2)").arg(version).arg(kVersion));
        cmdLine.ExpectEnd();
        header = true;
        continue;
      }
      if (word == "end") {
        cmdLine.ExpectEnd();
        finished = true;
        continue;
      }
      if (word == "sheet") {
        const QString name = cmdLine.String();
        cmdLine.ExpectEnd();
        if (name.trimmed().isEmpty()) cmdLine.Fail(QStringLiteral("empty sheet name"));
        const int existing = book.FindSheet(name);
        if (existing && existing <= sheet) cmdLine.Fail(QStringLiteral("a second sheet named \"%1\"").arg(name));
        if (sheet > 0) book.SetNumSheets(sheet + 1);
        ++sheet;
        book.SetSheetName(sheet, name);
        book.SetSheet(sheet);
        continue;
      }
      if (sheet == 0) cmdLine.Fail(QStringLiteral("\"%1\" before the first sheet").arg(QString::fromUtf8(word)));
      if (word == "name") {
        // A name another program's file defined, kept to be written back.
        TWorkbook::TDefinedName n;
        n.Name = cmdLine.String();
        if (n.Name.isEmpty()) cmdLine.Fail(QStringLiteral("empty name"));
        if (cmdLine.Peek() == 's') {
          if (cmdLine.Word() != "sheet") cmdLine.Fail(QStringLiteral("expected \"sheet\" or \"=\""));
          n.Sheet = static_cast<int>(cmdLine.Integer("sheet", 1, sheet));
        }
        if (cmdLine.Peek() != '=') cmdLine.Fail(QStringLiteral("expected \"=\" and what the name stands for"));
        n.Text = cmdLine.Rest().mid(1);
        names.push_back(n);
        continue;
      }
      if (word == "size") {
        const int rows = static_cast<int>(cmdLine.Integer("rows", 1, a1::MaxRows));
        const int cols = static_cast<int>(cmdLine.Integer("columns", 1, a1::MaxCols));
        cmdLine.ExpectEnd();
        book.SetMaxRow(std::max(rows, book.LastRow()));
        book.SetMaxCol(std::max(cols, book.LastCol()));
      } else if (word == "header-height") {
        book.SetHdrHeight(static_cast<std::uint16_t>(cmdLine.Integer("header height", 0, 65535)));
        cmdLine.ExpectEnd();
      } else if (word == "column") {
        const int col = cmdLine.Column();
        while (!cmdLine.AtEnd()) {
          const QByteArray attr = cmdLine.Word();
          if (attr == "width") book.SetColWidth(col, static_cast<std::uint16_t>(cmdLine.Integer("width", 0, 65535)));
          else if (attr == "heading") book.SetColText(col, cmdLine.String());
          else cmdLine.Fail(QStringLiteral("unknown column attribute \"%1\"").arg(QString::fromUtf8(attr)));
        }
      } else if (word == "row") {
        const int row = static_cast<int>(cmdLine.Integer("row", 1, a1::MaxRows));
        const QByteArray attr = cmdLine.Word();
        if (attr != "height") cmdLine.Fail(QStringLiteral("expected \"height\""));
        book.SetRowHeight(row, static_cast<std::uint16_t>(cmdLine.Integer("height", 0, 65535)));
        cmdLine.ExpectEnd();
      } else if (word == "cell") {
        const QByteArray name = cmdLine.Word();
        const auto cell = a1::ParseCellName(QString::fromLatin1(name));
        if (!cell || cell->AbsCol || cell->AbsRow) cmdLine.Fail(QStringLiteral("bad cell name \"%1\"").arg(QString::fromUtf8(name)));
        const int r = cell->Row, c = cell->Col;
        if (cmdLine.Peek() == 'f') {
          if (cmdLine.Word() != "format") cmdLine.Fail(QStringLiteral("expected \"format\" or a value"));
          book.SetNumberFormatRC(r, c, cmdLine.String());
        }
        if (cmdLine.Peek() == 'k') {
          // A formula from another program's file that the engine does not compute: its saved
          // value, its array extent if any, then the text as written.
          if (cmdLine.Word() != "kept") cmdLine.Fail(QStringLiteral("expected \"kept\" or a value"));
          TWorkbookFile::TPendingFormula f{sheet, r, c, QString(), cmdLine.Number_()};
          f.Keep = f.Verbatim = true;
          f.Saved = ReadKeptValue(cmdLine);
          if (cmdLine.Peek() == 'a') {
            if (cmdLine.Word() != "array") cmdLine.Fail(QStringLiteral("expected \"array\" or a formula"));
            f.ArrayRows = static_cast<int>(cmdLine.Integer("rows", 1, a1::MaxRows));
            f.ArrayCols = static_cast<int>(cmdLine.Integer("columns", 1, a1::MaxCols));
          }
          if (cmdLine.Peek() != '=') cmdLine.Fail(QStringLiteral("expected a formula after the kept value"));
          f.Text = cmdLine.Rest();
          formulas.push_back({sheet, r, c, cmdLine.Number_(), 0, 0, static_cast<int>(kept.size())});
          kept.push_back(std::move(f));
          continue;
        }
        const char first = cmdLine.Peek();
        if (first == '\0') continue;
        if (first == '"') {
          book.SetTextRC(r, c, cmdLine.String());
          cmdLine.ExpectEnd();
        } else if (first == '=') {
          const auto [b, e] = cmdLine.RestBytes();
          formulas.push_back({sheet, r, c, cmdLine.Number_(), b - data.constData(), static_cast<int>(e - b), -1});
        } else if (first == '#') {
          const QString text = QString::fromLatin1(cmdLine.Word());
          const TCellError err = TCellValue::ParseError(text);
          if (err == TCellError::None) cmdLine.Fail(QStringLiteral("unknown error value \"%1\"").arg(text));
          book.SetValueRC(r, c, TCellValue::Error(err));
          cmdLine.ExpectEnd();
        } else {
          book.SetNumberRC(r, c, cmdLine.Number());
          cmdLine.ExpectEnd();
        }
      } else {
        cmdLine.Fail(QStringLiteral("unknown line \"%1\"").arg(QString::fromUtf8(word)));
      }
    } catch (const EWorkbookError& e) {
      // A last line without its line break, before any "end", was cut off: that is the fault to
      // name, not whatever the cut left looking wrong.
      if (nl || finished || !header) throw;
      throw EWorkbookError(path, e.Where(), QStringLiteral("the file ends early, in the middle of this line: it is truncated"));
    }
  }
  if (!header) throw EWorkbookError(path, QString(), QStringLiteral("not a workbook file"));
  if (!finished) throw EWorkbookError(path, QStringLiteral("line %1").arg(lineNo), QStringLiteral("the file ends early (no \"end\" line): it is truncated"));
  if (sheet == 0) throw EWorkbookError(path, QString(), QStringLiteral("the workbook has no sheet"));
  book.SetDefinedNames(std::move(names));
  book.ReserveFormulas(formulas.size());
  TWorkbookFile::TRowRoom room;
  for (const TFormulaLine& l : formulas) room.Add(l.Sheet, l.Row);
  room.Reserve(book);
  TWorkbookFile::TPlaced previous;
  TWorkbookFile::TPendingFormula pending{0, 0, 0, QString()};
  for (const TFormulaLine& l : formulas) {
    if (l.Kept >= 0) {
      TWorkbookFile::PlaceFormula(book, kept[static_cast<std::size_t>(l.Kept)], path, previous);
      continue;
    }
    pending.Sheet = l.Sheet;
    pending.Row = l.Row;
    pending.Col = l.Col;
    pending.Line = l.Line;
    DecodeInto(pending.Text, data.constData() + l.Begin, l.Length);
    TWorkbookFile::PlaceFormula(book, pending, path, previous);
  }
  book.SetSheet(1);
  book.SetSelection(1, 1, 1, 1);
  book.SetAutoRecalc(true);
  return book;
}

QByteArray TNativeFile::Write(const TWorkbook& book) {
  QByteArray out;
  out += Magic;
  out += ' ';
  numbers::AppendInteger(out, kVersion);
  out += '\n';
  for (int s = 1; s <= book.NumSheets(); ++s) {
    const TSheet& sheet = book.SheetAt(s);
    out += "sheet ";
    AppendString(out, sheet.Name());
    out += "\nsize ";
    numbers::AppendInteger(out, sheet.MaxRow);
    out += ' ';
    numbers::AppendInteger(out, sheet.MaxCol);
    out += '\n';
    if (sheet.HdrHeight != TSheet::DefaultRowHeight) {
      out += "header-height ";
      numbers::AppendInteger(out, sheet.HdrHeight);
      out += '\n';
    }
    std::map<int, int> columns;
    for (const auto& [col, w] : sheet.ColWidths) columns[col] |= 1;
    for (const auto& [col, t] : sheet.ColTexts) columns[col] |= 2;
    for (const auto& [col, what] : columns) {
      out += "column ";
      a1::AppendColumnName(out, col);
      if (what & 1) { out += " width "; numbers::AppendInteger(out, sheet.ColWidths.at(col)); }
      if (what & 2) { out += " heading "; AppendString(out, sheet.ColTexts.at(col)); }
      out += '\n';
    }
    for (const auto& [row, h] : sheet.RowHeights) {
      out += "row ";
      numbers::AppendInteger(out, row);
      out += " height ";
      numbers::AppendInteger(out, h);
      out += '\n';
    }
    sheet.ForEachCell([&](int r, int c, const TCell& cell) {
      if (cell.Kind == TCellKind::Empty && cell.Format == 0) return;
      out += "cell ";
      a1::AppendColumnName(out, c);
      numbers::AppendInteger(out, r);
      if (cell.Format) {
        out += " format ";
        AppendString(out, book.FormatCode(cell.Format));
      }
      switch (cell.Kind) {
        case TCellKind::Empty: break;
        case TCellKind::Number: out += ' '; numbers::AppendShortest(out, cell.Num); break;
        case TCellKind::Text: out += ' '; AppendString(out, sheet.Text(cell.Aux)); break;
        case TCellKind::Error: out += ' '; out += TCellValue::ErrorText(static_cast<TCellError>(cell.Aux)).toLatin1(); break;
        case TCellKind::Formula: {
          // An array formula goes the same way: its extent is kept, and reading decides again
          // whether it is computed.
          if (const TFormula* code = book.FormulaCode(cell); code && (code->Kept || code->ArrayRows > 0))
            AppendKept(out, book.CellValue(sheet, cell), *code);
          QString f = book.FormulaText(cell);
          f.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
          out += ' ';
          out += f.toUtf8();
          break;
        }
      }
      out += '\n';
    });
  }
  for (const TWorkbook::TDefinedName& n : book.DefinedNames()) {
    out += "name ";
    AppendString(out, n.Name);
    if (n.Sheet > 0) {
      out += " sheet ";
      numbers::AppendInteger(out, n.Sheet);
    }
    out += " =";
    out += QString(n.Text).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')).toUtf8();
    out += '\n';
  }
  out += "end\n";
  return out;
}
