#include "workbook/formats/workbookfile.h"

#include <algorithm>
#include <stdexcept>

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "platform/safesave.h"
#include "workbook/formats/delimitedtext.h"
#include "workbook/formats/nativefile.h"
#include "workbook/formats/odsimport.h"
#include "workbook/formats/xlsxexport.h"
#include "workbook/formats/xlsximport.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/formula.h"
#include "workbook/model/formulafunctions.h"
#include "workbook/model/formulalexer.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

TWorkbook TWorkbookFile::Load(const QString& path, std::int16_t& fileType, QStringList* notes) {
  QFile file(path);
  if (!file.exists()) throw EWorkbookError(path, QString(), QStringLiteral("the file does not exist"));
  if (!file.open(QIODevice::ReadOnly))
    throw EWorkbookError(path, QString(), QStringLiteral("cannot open the file: %1").arg(file.errorString()));
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the file: %1").arg(file.errorString()));
  file.close();
  if (data.isEmpty()) throw EWorkbookError(path, QString(), QStringLiteral("the file is empty"));

  if (data.startsWith("PK\x03\x04")) {
    // An .ods names its type in a first entry stored uncompressed; some writers compress it, so
    // its content part tells too.
    bool ods = data.left(100).contains("application/vnd.oasis.opendocument.spreadsheet");
    if (!ods) {
      try {
        const TZipReader zip(data);
        ods = zip.Has("mimetype") && zip.Has("content.xml");
      } catch (const std::exception&) {
        // a damaged archive is reported by the reader below
      }
    }
    fileType = TWorkbook::ftXlsx5;
    TWorkbook book = ods ? TOdsImport::Read(path, data) : TXlsxImport::Read(path, data);
    NoteKeptFormulas(book, notes);
    return book;
  }
  // A compound document: a workbook saved with a password (its package is encrypted inside one), or
  // the binary format before .xlsx.
  if (data.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
    const QByteArray encrypted("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    if (data.contains(encrypted))
      throw EWorkbookError(path, QString(), QStringLiteral("the workbook is encrypted (protected by a password): save a copy without the password "
                                                          "in the program that made it, and open that"));
    throw EWorkbookError(path, QString(), QStringLiteral("this is a binary workbook of the older format (.xls), which this program does not "
                                                        "read: save it as .xlsx in the program that made it"));
  }
  if (TNativeFile::Recognise(data)) {
    fileType = TWorkbook::ftNative3;
    TWorkbook book = TNativeFile::Read(path, data);
    NoteKeptFormulas(book, notes);
    return book;
  }
  const char separator = TDelimitedText::GuessSeparator(data);
  fileType = separator == ',' ? TWorkbook::ftCsv : TWorkbook::ftTabText;
  return TDelimitedText::Read(path, data, separator, notes);
}

namespace {

bool CallsUnknownFunction(const TWorkbook& book, int row, int col) {
  const TCell* cell = book.SheetAt(book.Sheet()).Find(row, col);
  const TFormula* code = cell ? book.FormulaCode(*cell) : nullptr;
  if (!code) return false;
  for (const TInstr& in : code->Code)
    if (in.Op == TOp::Call && in.Func == static_cast<std::uint16_t>(TFunc::Unknown)) return true;
  return false;
}

// Places an array formula to be computed when the engine computes it as spreadsheets do: it
// compiles, calls only functions the engine has, and a trial run takes no range where it wants one
// value (spreadsheets go element by element there). False otherwise, for it to be kept.
bool PlaceArrayFormula(TWorkbook& book, const TWorkbookFile::TPendingFormula& f, const QString& text) {
  const int cols = std::max(f.ArrayCols, 1);
  if (static_cast<long long>(f.ArrayRows) * cols > TWorkbook::MaxArrayCells) return false;
  try {
    book.SetArrayFormulaRC(f.Row, f.Col, text, f.ArrayRows, cols);
  } catch (const EWorkbookError&) {
    return false;
  }
  if (CallsUnknownFunction(book, f.Row, f.Col)) return false;
  const TCell* cell = book.SheetAt(book.Sheet()).Find(f.Row, f.Col);
  TFormulaEvaluator trial;
  std::vector<TCellValue> values;
  return trial.RunArray(*book.FormulaCode(*cell), book.Cells(), values);
}

// Copies the compiled formula of (fromRow, fromCol) on the active sheet to (row, col), unless it
// is kept as written (its value is the file's for that cell only) or cannot move there.
bool CopyCompiled(TWorkbook& book, int row, int col, int fromRow, int fromCol) {
  const TCell* source = book.SheetAt(book.Sheet()).Find(fromRow, fromCol);
  const TFormula* code = source ? book.FormulaCode(*source) : nullptr;
  return !(code && code->Kept) && book.CopyFormulaRC(row, col, fromRow, fromCol);
}

// The names called as functions in a formula that the engine does not have.
void UnknownFunctions(const QString& formula, QStringList& out) {
  std::vector<TFormulaToken> tokens;
  try {
    tokens = TFormulaLexer::Tokenize(formula);
  } catch (const EWorkbookError&) {
    return;
  }
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].Kind != TTokenKind::Ident || tokens[i + 1].Kind != TTokenKind::LParen) continue;
    const QString name = tokens[i].Text.toUpper();
    if (!TFormulaFunctions::Find(name) && !out.contains(name)) out << name;
  }
}

}  // namespace

void TWorkbookFile::KeepFormulasNaming(std::vector<TPendingFormula>& formulas, std::vector<TWorkbook::TDefinedName>& names,
                                       int sheetCount) {
  if (names.empty()) return;
  QSet<QString> folded;
  for (TWorkbook::TDefinedName& n : names) {
    folded.insert(n.Name.toCaseFolded());
    if (n.Sheet > sheetCount) n.Sheet = 0;
  }
  for (TPendingFormula& f : formulas) {
    std::vector<TFormulaToken> tokens;
    try {
      tokens = TFormulaLexer::Tokenize(f.Text);
    } catch (const EWorkbookError&) {
      continue;  // it will not compile: kept anyway
    }
    for (std::size_t i = 0; i < tokens.size() && !f.NamesName; ++i)
      f.NamesName = tokens[i].Kind == TTokenKind::Ident && folded.contains(tokens[i].Text.toCaseFolded()) &&
                    (i + 1 == tokens.size() || tokens[i + 1].Kind != TTokenKind::LParen);
    f.Verbatim = f.Verbatim || f.NamesName;
  }
}

void TWorkbookFile::NoteKeptFormulas(const TWorkbook& book, QStringList* notes) {
  if (!notes) return;
  QStringList cells = book.KeptFormulaCells();
  if (cells.isEmpty()) return;
  QStringList missing;
  for (int s = 1; s <= book.NumSheets(); ++s)
    book.SheetAt(s).ForEachCell([&](int, int, const TCell& cell) {
      if (const TFormula* code = book.FormulaCode(cell); code && code->Kept) UnknownFunctions(book.FormulaText(cell), missing);
    });
  const qsizetype count = cells.size();
  constexpr qsizetype kNamed = 10;
  if (count > kNamed) {
    cells = cells.mid(0, kNamed);
    cells << QStringLiteral("and %1 more").arg(count - kNamed);
  }
  *notes << QStringLiteral("%1 %2 not recalculated here (written in a form this program does not compute) and %3 the value "
                           "saved with the file: %4")
                .arg(count).arg(count == 1 ? QStringLiteral("formula is") : QStringLiteral("formulas are"),
                                count == 1 ? QStringLiteral("keeps") : QStringLiteral("keep"), cells.join(QStringLiteral(", ")));
  if (!missing.isEmpty()) notes->last() += QStringLiteral("; functions this program does not have: %1").arg(missing.join(QStringLiteral(", ")));
}

void TWorkbookFile::PlaceFormulas(TWorkbook& book, const std::vector<TPendingFormula>& formulas, const QString& path,
                                  const TSharedUses* uses) {
  book.ReserveFormulas(formulas.size() + (uses ? uses->Uses.size() : 0));
  TRowRoom room;
  for (const TPendingFormula& f : formulas) room.Add(f.Sheet, f.Row);
  if (uses)
    for (const TSharedUse& u : uses->Uses) room.Add(formulas[u.Source].Sheet, u.Row);
  room.Reserve(book);
  TPlaced previous;
  for (const TPendingFormula& f : formulas) PlaceFormula(book, f, path, previous);
  if (!uses) return;
  for (const TSharedUse& u : uses->Uses) {
    const TPendingFormula& master = formulas[u.Source];
    // The usual use, a copy of its master's code, needs no pending formula built for it.
    if (!master.Verbatim) {
      book.SetSheet(master.Sheet);
      if (CopyCompiled(book, u.Row, u.Col, master.Row, master.Col)) continue;
    }
    TPendingFormula f{master.Sheet, u.Row, u.Col, master.Text, 0, true, master.Row, master.Col, true, uses->Saved(u)};
    f.Verbatim = master.Verbatim;  // a formula naming a defined name, kept as written with its master
    f.NamesName = master.NamesName;
    Place(book, f, path, TPlaced());
  }
}

void TWorkbookFile::PlaceFormula(TWorkbook& book, const TPendingFormula& f, const QString& path, TPlaced& previous) {
  Place(book, f, path, previous);
  previous = {f.Sheet, f.Row, f.Col};
}

void TWorkbookFile::Place(TWorkbook& book, const TPendingFormula& f, const QString& path, const TPlaced& previous) {
  book.SetSheet(f.Sheet);
  if (f.Verbatim) {
    const QString text = f.Shared ? TFormula::Shift(f.Text, f.Row - f.FromRow, f.Col - f.FromCol) : f.Text;
    if (!f.NamesName && f.ArrayRows > 0 && PlaceArrayFormula(book, f, text)) return;
    book.SetKeptFormulaRC(f.Row, f.Col, text, f.Saved, f.ArrayRows, f.ArrayCols);
    return;
  }
  try {
    // Copying the compiled source spares compiling the shifted text of every use again; but a
    // source kept as written (it calls a function we lack) would bring its own saved value, and
    // each copy must show the value the file saved for its cell.
    if (f.Shared && CopyCompiled(book, f.Row, f.Col, f.FromRow, f.FromCol)) return;
    const QString text = f.Shared ? TFormula::Shift(f.Text, f.Row - f.FromRow, f.Col - f.FromCol) : f.Text;
    // A column (or row) of formulas written out one by one is mostly the same formula moved
    // along: one that reads exactly as the formula above, or the one placed before, moved here
    // shares that code instead of being compiled again.
    const bool copied =
        !f.Shared && ((f.Row > 1 && book.CopyFormulaRC(f.Row, f.Col, f.Row - 1, f.Col, &text)) ||
                      (previous.Sheet == f.Sheet && !(previous.Row == f.Row - 1 && previous.Col == f.Col) &&
                       book.CopyFormulaRC(f.Row, f.Col, previous.Row, previous.Col, &text)));
    if (!copied) book.SetFormulaRC(f.Row, f.Col, text);
    // A function this program lacks would give #NAME? where the file holds a value.
    if (f.Keep && CallsUnknownFunction(book, f.Row, f.Col)) book.SetKeptFormulaRC(f.Row, f.Col, text, f.Saved);
  } catch (const EWorkbookError& e) {
    if (f.Keep) {
      book.SetKeptFormulaRC(f.Row, f.Col, f.Shared ? TFormula::Shift(f.Text, f.Row - f.FromRow, f.Col - f.FromCol) : f.Text, f.Saved);
      return;
    }
    const QString where = f.Line > 0 ? QStringLiteral("line %1").arg(f.Line)
                                     : QStringLiteral("sheet \"%1\" cell %2").arg(book.SheetName(f.Sheet), a1::CellName(f.Row, f.Col));
    throw EWorkbookError(path, where, e.What());
  }
}

void TWorkbookFile::TRowRoom::Add(int sheet, int row) {
  if (sheet < 1) return;
  if (FSheets.size() <= static_cast<std::size_t>(sheet)) FSheets.resize(static_cast<std::size_t>(sheet) + 1);
  TExtent& e = FSheets[static_cast<std::size_t>(sheet)];
  e.LastRow = std::max(e.LastRow, row);
  ++e.Count;
}

void TWorkbookFile::TRowRoom::Reserve(TWorkbook& book) const {
  for (std::size_t s = 1; s < FSheets.size() && s <= static_cast<std::size_t>(book.NumSheets()); ++s) {
    const TExtent& e = FSheets[s];
    const std::size_t dense = 2 * e.Count + 16;
    if (e.Count > 0) book.ReserveRows(static_cast<int>(s), static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(e.LastRow), dense)));
  }
}

void TWorkbookFile::TSharedUses::Add(int row, int col, std::size_t source, const TCellValue& saved) {
  TSharedUse use{row, col, static_cast<std::uint32_t>(source), saved.Kind, saved.Err, {saved.Num}};
  if (saved.Kind == TValueKind::Text) {
    use.Text = static_cast<std::uint32_t>(Texts.size());
    Texts.push_back(saved.Str);
  }
  Uses.push_back(use);
}

TCellValue TWorkbookFile::TSharedUses::Saved(const TSharedUse& use) const {
  TCellValue v;
  v.Kind = use.Kind;
  v.Err = use.Err;
  if (use.Kind == TValueKind::Text) v.Str = Texts[use.Text];
  else v.Num = use.Num;
  return v;
}

void TWorkbookFile::TSharedUses::Append(TSharedUses&& other, std::size_t offset) {
  if (Uses.empty() && Texts.empty()) {  // the first sheet's: taken whole
    Uses = std::move(other.Uses);
    Texts = std::move(other.Texts);
    if (offset > 0)
      for (TSharedUse& u : Uses) u.Source += static_cast<std::uint32_t>(offset);
    return;
  }
  const auto texts = static_cast<std::uint32_t>(Texts.size());
  Uses.reserve(Uses.size() + other.Uses.size());
  for (TSharedUse u : other.Uses) {
    u.Source += static_cast<std::uint32_t>(offset);
    if (u.Kind == TValueKind::Text) u.Text += texts;
    Uses.push_back(u);
  }
  Texts.insert(Texts.end(), std::make_move_iterator(other.Texts.begin()), std::make_move_iterator(other.Texts.end()));
}

void TWorkbookFile::NameSheets(TWorkbook& book, const std::vector<QString>& names, const QString& path) {
  book.SetNumSheets(static_cast<int>(names.size()));
  // Out of the way first, so that no new name meets an old one still in use. A set, not a search
  // of the list for each sheet: a file may name tens of thousands.
  const QSet<QString> taken(names.begin(), names.end());
  for (int s = 1; s <= book.NumSheets(); ++s) {
    QString parked = QStringLiteral("\u2060%1").arg(s);
    while (taken.contains(parked)) parked += QLatin1Char('_');
    book.SetSheetName(s, parked);
  }
  for (int s = 1; s <= book.NumSheets(); ++s) {
    try {
      book.SetSheetName(s, names[static_cast<std::size_t>(s - 1)]);
    } catch (const EWorkbookError& e) {
      throw EWorkbookError(path, QStringLiteral("sheet %1").arg(s), e.What());
    }
  }
}

std::int16_t TWorkbookFile::TypeForExtension(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == QLatin1String("vts")) return TWorkbook::ftNative3;
  if (ext == QLatin1String("xlsx") || ext == QLatin1String("xls")) return TWorkbook::ftXlsx5;
  if (ext == QLatin1String("txt") || ext == QLatin1String("tsv")) return TWorkbook::ftTabText;
  if (ext == QLatin1String("csv")) return TWorkbook::ftCsv;
  return 0;
}

QStringList TWorkbookFile::Save(const TWorkbook& book, const QString& path, std::int16_t fileType, int textRows) {
  QStringList changes;
  switch (fileType) {
    case TWorkbook::ftNative2:
    case TWorkbook::ftNative3:
      SaveAtomically(path, [&](QIODevice& out) { Put(out, TNativeFile::Write(book)); });
      return changes;
    case TWorkbook::ftXlsx4:
    case TWorkbook::ftXlsx5:
      SaveAtomically(path, [&](QIODevice& out) { TXlsxExport::Write(book, out, path); });
      return changes;
    case TWorkbook::ftTabText:
      SaveAtomically(path, [&](QIODevice& out) {
        TDelimitedText::Write(book, '\t', [&out](const QByteArray& piece) { Put(out, piece); }, textRows, &changes);
      });
      return changes;
    case TWorkbook::ftCsv:
      SaveAtomically(path, [&](QIODevice& out) {
        TDelimitedText::Write(book, ',', [&out](const QByteArray& piece) { Put(out, piece); }, textRows, &changes);
      });
      return changes;
    default:
      throw EWorkbookError(path, QString(), QStringLiteral("unknown file type %1").arg(fileType));
  }
}

void TWorkbookFile::Put(QIODevice& out, const QByteArray& bytes) {
  if (out.write(bytes) != bytes.size()) throw std::runtime_error(out.errorString().toStdString());
}

void TWorkbookFile::SaveAtomically(const QString& path, const std::function<void(QIODevice&)>& fill) {
  TSafeSave save(path);
  auto fail = [&](const QString& cause) {
    save.Discard();
    throw EWorkbookError(path, QString(), QStringLiteral("cannot write the file: %1").arg(cause));
  };
  if (!save.Begin()) fail(save.ErrorText());
  try {
    fill(save);
  } catch (const EWorkbookError&) {
    // A writer that met a failed write reports it in its own words; the device knows the cause.
    if (!save.ErrorText().isEmpty()) fail(save.ErrorText());
    save.Discard();
    throw;
  } catch (const std::exception& e) {
    fail(save.ErrorText().isEmpty() ? QString::fromUtf8(e.what()) : save.ErrorText());
  }
  if (!save.Commit()) fail(save.ErrorText());
}
