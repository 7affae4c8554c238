#include "workbook/model/workbook.h"

#include <algorithm>
#include <cmath>

#include <QRegularExpression>

#include "platform/numbers.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/formulaevaluator.h"
#include "workbook/model/formulafunctions.h"
#include "workbook/model/keptformulatext.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/workbookerror.h"

namespace {

// Rows in the low bits: a column of formulas reading the column beside it gives consecutive keys,
// which the hash table files in neighbouring buckets instead of scattering them over memory.
std::uint64_t CellKey(int sheetId, int row, int col) {
  return (static_cast<std::uint64_t>(sheetId) << 42) | (static_cast<std::uint64_t>(col) << 21) |
         static_cast<std::uint64_t>(row);
}

QString CellWhere(int row, int col) { return QStringLiteral("cell %1").arg(a1::CellName(row, col)); }

// Whole rows or columns (-1) resolved against a grid of rows x cols.
void Resolve(int& r1, int& c1, int& r2, int& c2, int rows, int cols) {
  if (c1 < 0 || c2 < 0) { c1 = 1; c2 = std::max(cols, 1); }
  if (r1 < 0 || r2 < 0) { r1 = 1; r2 = std::max(rows, 1); }
  if (r2 < r1) std::swap(r1, r2);
  if (c2 < c1) std::swap(c1, c2);
}

}  // namespace

TWorkbook::TWorkbook() {
  FFormats.emplace_back(QStringLiteral("General"));
  FFormatIndex.insert(QStringLiteral("General"), 0);
  AddSheet();
}

TWorkbook::~TWorkbook() = default;
TWorkbook::TWorkbook(TWorkbook&&) noexcept = default;
TWorkbook& TWorkbook::operator=(TWorkbook&&) noexcept = default;

// ------------------------------------------------------------------------------------ files

QStringList TWorkbook::Read(const QString& path, std::int16_t* fileType) {
  std::int16_t type = 0;
  QStringList notes;
  TWorkbook fresh = TWorkbookFile::Load(path, type, &notes);
  if (fileType) *fileType = type;
  Adopt(std::move(fresh));
  return notes;
}

QStringList TWorkbook::Write(const QString& path, std::int16_t fileType, int textRows) const {
  return TWorkbookFile::Save(*this, path, fileType, textRows);
}

// ------------------------------------------------------------------------------------ sheets

void TWorkbook::AddSheet() {
  const int id = static_cast<int>(FById.size());
  int n = NumSheets() + 1;
  while (FindSheet(QStringLiteral("Sheet%1").arg(n))) ++n;
  FSheets.push_back(std::make_unique<TSheet>(id, QStringLiteral("Sheet%1").arg(n)));
  FById.push_back(FSheets.back().get());
  FIndexById.push_back(NumSheets());
  FIdByName.insert(FSheets.back()->Name().toCaseFolded(), id);
}

void TWorkbook::SetNumSheets(int count) {
  if (count < 1) throw EWorkbookError(QStringLiteral("a workbook has at least one sheet"));
  if (count == NumSheets()) return;
  if (count < NumSheets()) {
    DeleteSheets(count + 1, NumSheets() - count);
    return;
  }
  while (NumSheets() < count) AddSheet();
  SheetsChanged();
}

void TWorkbook::CheckSheet(int sheet) const {
  if (sheet < 1 || sheet > NumSheets())
    throw EWorkbookError(QStringLiteral("there is no sheet %1 (the workbook has %2)").arg(sheet).arg(NumSheets()));
}

void TWorkbook::SetSheet(int sheet) {
  CheckSheet(sheet);
  if (FSheet == sheet) return;
  FSheet = sheet;
  Notify(nullptr, 0, 0, 0, 0);
}

QString TWorkbook::SheetName(int sheet) const {
  CheckSheet(sheet);
  return FSheets[sheet - 1]->Name();
}

// Names and places are indexed: a workbook of thousands of sheets must not search them all for
// every sheet added or cell changed.
int TWorkbook::FindSheet(const QString& name) const {
  auto it = FIdByName.constFind(name.toCaseFolded());
  return it == FIdByName.constEnd() ? 0 : FIndexById[static_cast<std::size_t>(it.value())];
}

int TWorkbook::IndexOf(const TSheet& sheet) const { return FIndexById[static_cast<std::size_t>(sheet.Id())]; }

void TWorkbook::SetSheetName(int sheet, const QString& name) {
  CheckSheet(sheet);
  const QString old = FSheets[sheet - 1]->Name();
  if (name == old) return;
  if (name.trimmed().isEmpty()) throw EWorkbookError(QStringLiteral("a sheet name cannot be empty"));
  const int other = FindSheet(name);
  if (other && other != sheet) throw EWorkbookError(QStringLiteral("there is already a sheet named \"%1\"").arg(name));
  FIdByName.remove(old.toCaseFolded());
  FSheets[sheet - 1]->SetName(name);
  FIdByName.insert(name.toCaseFolded(), FSheets[sheet - 1]->Id());
  // The text changes now; SheetsChanged compiles it again. A kept text is not compiled: it is
  // only written back, and must then name the sheet by its new name.
  for (TFormulaCell& f : FFormulas)
    if (f.Live && (f.Code->Code.OtherSheets || f.Code->Code.Kept)) {
      const QString text = SourceText(f);
      const QString edited = f.Code->Code.Kept ? TKeptFormulaText::RenameSheet(text, old, name) : TFormula::RenameSheet(text, old, name);
      if (f.Code->Code.Kept && edited == text) continue;
      auto renamed = std::make_shared<TSharedCode>(*f.Code);
      renamed->Pattern = TFormulaPattern(edited);
      renamed->Row = f.Row;
      renamed->Col = f.Col;
      f.Code = std::move(renamed);
    }
  for (TDefinedName& n : FNames) n.Text = TKeptFormulaText::RenameSheet(n.Text, old, name);
  SheetsChanged();
}

void TWorkbook::DeleteSheets(int first, int count) {
  if (count <= 0) return;
  CheckSheet(first);
  const int last = std::min(first + count - 1, NumSheets());
  if (first == 1 && last == NumSheets())
    throw EWorkbookError(QStringLiteral("cannot delete every sheet: a workbook keeps at least one"));
  for (int s = first; s <= last; ++s) {
    const int id = FSheets[s - 1]->Id();
    FById[id] = nullptr;
    FIndexById[static_cast<std::size_t>(id)] = 0;
    FIdByName.remove(FSheets[s - 1]->Name().toCaseFolded());
  }
  for (std::uint32_t slot = 0; slot < FFormulas.size(); ++slot)
    if (FFormulas[slot].Live && !FById[static_cast<std::size_t>(FFormulas[slot].SheetId)]) FreeFormula(slot);
  FSheets.erase(FSheets.begin() + (first - 1), FSheets.begin() + last);
  for (int i = first; i <= NumSheets(); ++i) FIndexById[static_cast<std::size_t>(FSheets[i - 1]->Id())] = i;
  if (FSheet > NumSheets()) FSheet = NumSheets();
  else if (FSheet > last) FSheet -= last - first + 1;
  else if (FSheet >= first) FSheet = std::min(first, NumSheets());
  SheetsChanged();
}

void TWorkbook::Clear() { Adopt(TWorkbook()); }

void TWorkbook::Adopt(TWorkbook&& fresh) {
  TChangeHandler handler = std::move(FOnChange);
  *this = std::move(fresh);
  FOnChange = std::move(handler);
  Notify(nullptr, 0, 0, 0, 0);
}

// References by sheet name may point elsewhere now: compile those formulas again, then recompute
// them, what depends on them and the clock formulas. Nothing else can have changed, and a results
// table of many runs must not be recomputed whole for every run added.
void TWorkbook::SheetsChanged() {
  std::vector<std::uint32_t> roots(FVolatile.begin(), FVolatile.end());
  for (std::uint32_t slot = 0; slot < FFormulas.size(); ++slot) {
    TFormulaCell& f = FFormulas[slot];
    if (!f.Live || !f.Code->Code.OtherSheets) continue;
    Unregister(slot);
    const QString text = SourceText(f);
    TFormulaPattern pattern;
    TFormula code = CompileFor(*ById(f.SheetId), text, &pattern);
    f.Code = Share(std::move(code), text, f.Row, f.Col, &pattern);
    Register(slot);
    roots.push_back(slot);
  }
  if (FAutoRecalc && !roots.empty()) {
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    RecalcFrom(roots);
  }
  Notify(nullptr, 0, 0, 0, 0);
}

// ------------------------------------------------------------------------------ current cell

void TWorkbook::SetRow(int row) {
  CheckCell(row, FCol);
  FRow = row;
  FSel = {FRow, FCol, FRow, FCol};
}

void TWorkbook::SetCol(int col) {
  CheckCell(FRow, col);
  FCol = col;
  FSel = {FRow, FCol, FRow, FCol};
}

void TWorkbook::SetSelection(int row1, int col1, int row2, int col2) {
  auto valid = [](int v, int max) { return v == -1 || (v >= 1 && v <= max); };
  if (!valid(row1, a1::MaxRows) || !valid(row2, a1::MaxRows) || !valid(col1, a1::MaxCols) || !valid(col2, a1::MaxCols))
    throw EWorkbookError(QStringLiteral("selection %1,%2:%3,%4 is outside the sheet").arg(row1).arg(col1).arg(row2).arg(col2));
  FSel = {row1, col1, row2, col2};
  const TSelection s = Selection();
  FRow = s.Row1;
  FCol = s.Col1;
}

TWorkbook::TSelection TWorkbook::Selection() const {
  TSelection s = FSel;
  // The grid always covers the data (writes extend it), so whole rows end at MaxCol.
  Resolve(s.Row1, s.Col1, s.Row2, s.Col2, MaxRow(), MaxCol());
  return s;
}

void TWorkbook::SetNumberFormat(const QString& format) {
  const TSelection s = Selection();
  const std::uint16_t index = FormatIndex(format);
  for (int r = s.Row1; r <= s.Row2; ++r)
    for (int c = s.Col1; c <= s.Col2; ++c) Touch(Active(), r, c).Format = index;
  Notify(&Active(), s.Row1, s.Col1, s.Row2, s.Col2);
}

// ------------------------------------------------------------------------------------- cells

void TWorkbook::CheckCell(int row, int col) const {
  if (row < 1 || row > a1::MaxRows || col < 1 || col > a1::MaxCols)
    throw EWorkbookError(QStringLiteral("cell (%1, %2) is outside the sheet").arg(row).arg(col));
}

TCell& TWorkbook::Touch(TSheet& sheet, int row, int col) {
  CheckCell(row, col);
  if (row > sheet.MaxRow) sheet.MaxRow = row;
  if (col > sheet.MaxCol) sheet.MaxCol = col;
  return sheet.At(row, col);
}

void TWorkbook::SetNumbersRC(int row, int col, const double* values, int count) {
  if (count <= 0) return;
  // What depends on these cells is found cell by cell, and a batch traces each one.
  if (FAutoRecalc || FBatch > 0) {
    for (int i = 0; i < count; ++i) SetNumberRC(row, col + i, values[i]);
    return;
  }
  CheckCell(row, col);
  CheckCell(row, col + count - 1);
  TSheet& sheet = Active();
  sheet.MaxRow = std::max(sheet.MaxRow, row);
  sheet.MaxCol = std::max(sheet.MaxCol, col + count - 1);
  TRowCells& cells = sheet.RowAt(row);
  TCell* side = cells.Run(col, count);
  for (int i = 0; i < count; ++i) {
    TCell& cell = side ? side[i] : cells.At(col + i);
    if (cell.Kind != TCellKind::Number && cell.Kind != TCellKind::Empty) Release(sheet, cell);
    if (std::isfinite(values[i])) {
      cell.Kind = TCellKind::Number;
      cell.Num = values[i];
    } else {  // as one at a time: the fault stays visible
      cell.Kind = TCellKind::Error;
      cell.Aux = static_cast<std::uint32_t>(TCellError::Num);
    }
  }
  Notify(&sheet, row, col, row, col + count - 1);
}

void TWorkbook::Release(TSheet& sheet, TCell& cell) {
  if (cell.Kind == TCellKind::Text) {
    sheet.ReleaseText(cell.Aux);
  } else if (cell.Kind == TCellKind::Formula) {
    FreeFormula(cell.Aux);
  }
  cell.Kind = TCellKind::Empty;
  cell.Num = 0;
  cell.Aux = 0;
}

// After a cell changed: recompute what depends on it (now, or at the end of a batch).
void TWorkbook::Written(TSheet& sheet, int row, int col) {
  if (FAutoRecalc) {
    const TCell* cell = sheet.Find(row, col);
    if (FBatch > 0) {
      if (cell && cell->Kind == TCellKind::Formula) FPending.push_back(cell->Aux);
      else Dependents(sheet.Id(), row, col, FPending);
    } else {
      FRoots.clear();
      if (cell && cell->Kind == TCellKind::Formula) FRoots.push_back(cell->Aux);
      else Dependents(sheet.Id(), row, col, FRoots);
      if (!FRoots.empty()) RecalcFrom(FRoots);
    }
  }
  if (FBatch == 0) Notify(&sheet, row, col, row, col);
  else FTrace.Touched(sheet, row, col);
}


// A batch within one sheet is told as the range it wrote: a sample row appended to a long run must
// not make the view start over.
void TWorkbook::EndBatch() {
  if (--FBatch > 0) return;
  if (FAutoRecalc && !FPending.empty()) {
    std::vector<std::uint32_t> roots;
    roots.swap(FPending);
    RecalcFrom(roots);
  }
  FPending.clear();
  const TBatchTrace trace = FTrace;
  FTrace = TBatchTrace{};
  if (!trace.Sheet) return;  // nothing was written
  if (trace.Mixed) Notify(nullptr, 0, 0, 0, 0);
  else Notify(trace.Sheet, trace.Row1, trace.Col1, trace.Row2, trace.Col2);
}

QString TWorkbook::TextRC(int row, int col) const {
  if (row == 0) return ColText(col);
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  if (!cell) return QString();
  switch (cell->Kind) {
    case TCellKind::Empty: return QString();
    case TCellKind::Number: return numbers::FloatToStr(cell->Num);
    case TCellKind::Text: return Active().Text(cell->Aux);
    default: return TFormulaEvaluator::ToText(CellValue(Active(), *cell));
  }
}

void TWorkbook::SetTextRC(int row, int col, const QString& text) {
  if (row == 0) { SetColText(col, text); return; }
  TSheet& sheet = Active();
  TCell& cell = Touch(sheet, row, col);
  if (cell.Kind == TCellKind::Text && sheet.Text(cell.Aux) == text) return;
  Release(sheet, cell);
  if (!text.isEmpty()) {
    cell.Kind = TCellKind::Text;
    cell.Aux = sheet.AddText(text);
  }
  Written(sheet, row, col);
}

double TWorkbook::NumberRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  return cell ? NumberOf(Active(), *cell) : 0;
}

void TWorkbook::SetNumberRC(int row, int col, double value) {
  TSheet& sheet = Active();
  TCell& cell = Touch(sheet, row, col);
  if (cell.Kind != TCellKind::Number) Release(sheet, cell);
  if (std::isfinite(value)) {
    cell.Kind = TCellKind::Number;
    cell.Num = value;
  } else {  // a sheet holds no infinities or NaNs: keep the fault visible instead
    cell.Kind = TCellKind::Error;
    cell.Aux = static_cast<std::uint32_t>(TCellError::Num);
  }
  Written(sheet, row, col);
}

QString TWorkbook::FormulaRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  return cell ? FormulaText(*cell) : QString();
}

bool TWorkbook::HasFormulaRC(int row, int col, QStringView formula) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  if (!cell || cell->Kind != TCellKind::Formula) return false;
  const TFormulaCell& f = FFormulas[cell->Aux];
  return f.Code->Pattern.Matches(formula, f.Row - f.Code->Row, f.Col - f.Code->Col);
}

QString TWorkbook::FormulaText(const TCell& cell) const {
  if (cell.Kind != TCellKind::Formula) return QString();
  return SourceText(FFormulas[cell.Aux]);
}

void TWorkbook::FormulaText(const TCell& cell, QString& out) const {
  if (cell.Kind != TCellKind::Formula) {
    out.resize(0);
    return;
  }
  const TFormulaCell& f = FFormulas[cell.Aux];
  f.Code->Pattern.TextInto(f.Row - f.Code->Row, f.Col - f.Code->Col, out);
}

QString TWorkbook::SourceText(const TFormulaCell& f) const {
  return f.Code->Pattern.Text(f.Row - f.Code->Row, f.Col - f.Code->Col);
}

TWorkbook::TCodePtr TWorkbook::Share(TFormula code, const QString& text, int row, int col, TFormulaPattern* pattern) {
  auto shared = std::make_shared<TSharedCode>();
  // The pattern read with the code serves when its text is the one kept.
  if (pattern && text.startsWith(QLatin1Char('='))) shared->Pattern = std::move(*pattern);
  else shared->Pattern = TFormulaPattern(text.startsWith(QLatin1Char('=')) ? text : QLatin1Char('=') + text);
  shared->Row = row;
  shared->Col = col;
  if (!code.OtherSheets) {
    for (const TInstr& in : code.Code) {
      if (in.Op != TOp::Ref) continue;
      const TFormulaRef& r = code.Refs[in.Arg];
      if (r.SheetId < 0 || r.AbsRow || r.AbsCol) continue;
      const std::pair<int, int> offset{r.Row - row, r.Col - col};
      if (std::find(shared->Offsets.begin(), shared->Offsets.end(), offset) == shared->Offsets.end())
        shared->Offsets.push_back(offset);
    }
  }
  shared->Code = std::move(code);
  return shared;
}

TFormula TWorkbook::CompileFor(const TSheet& sheet, const QString& text, TFormulaPattern* pattern) const {
  return TFormula::Compile(
      text, sheet.Id(),
      [this](const QString& name) {
        const int index = FindSheet(name);
        return index ? FSheets[index - 1]->Id() : -1;
      },
      pattern);
}

TFormula TWorkbook::CompileAt(const TSheet& sheet, int row, int col, const QString& formula,
                              TFormulaPattern* pattern) const {
  try {
    return CompileFor(sheet, formula, pattern);
  } catch (const EWorkbookError& e) {
    throw EWorkbookError(QString(), CellWhere(row, col), QStringLiteral("%1: %2").arg(formula, e.What()));
  }
}

void TWorkbook::SetFormulaRC(int row, int col, const QString& formula) {
  CheckCell(row, col);
  TSheet& sheet = Active();
  TFormulaPattern pattern;
  TFormula code = CompileAt(sheet, row, col, formula, &pattern);
  StoreFormula(sheet, row, col, Share(std::move(code), formula, row, col, &pattern));
  Written(sheet, row, col);
}

void TWorkbook::SetKeptFormulaRC(int row, int col, const QString& formula, const TCellValue& saved, int arrayRows, int arrayCols) {
  CheckCell(row, col);
  TSheet& sheet = Active();
  TFormula code;
  switch (saved.Kind) {
    case TValueKind::Number:
      code.Numbers.push_back(saved.Num);
      code.Code.push_back(TInstr{TOp::Number});
      break;
    case TValueKind::Text:
      code.Strings.push_back(saved.Str);
      code.Code.push_back(TInstr{TOp::String});
      break;
    case TValueKind::Bool: code.Code.push_back(TInstr{TOp::Bool, 0, 0, saved.Num != 0 ? 1u : 0u}); break;
    case TValueKind::Error: code.Code.push_back(TInstr{TOp::Error, 0, 0, static_cast<std::uint32_t>(saved.Err)}); break;
    default: code.Code.push_back(TInstr{TOp::Missing}); break;
  }
  code.Kept = true;
  code.ArrayRows = std::max(arrayRows, 0);
  code.ArrayCols = std::max(arrayCols, 0);
  StoreFormula(sheet, row, col, Share(std::move(code), formula, row, col));
  Written(sheet, row, col);
}

void TWorkbook::SetArrayFormulaRC(int row, int col, const QString& formula, int rows, int cols) {
  CheckCell(row, col);
  if (rows < 1 || cols < 1 || static_cast<long long>(rows) * cols > MaxArrayCells)
    throw EWorkbookError(QString(), CellWhere(row, col),
                         QStringLiteral("an array formula fills from 1 to %1 cells, not %2 x %3").arg(MaxArrayCells).arg(rows).arg(cols));
  CheckCell(row + rows - 1, col + cols - 1);
  TSheet& sheet = Active();
  TFormula code = CompileAt(sheet, row, col, formula);
  code.ArrayRows = rows;
  code.ArrayCols = cols;
  StoreFormula(sheet, row, col, Share(std::move(code), formula, row, col));
  Written(sheet, row, col);
}

const TFormula* TWorkbook::FormulaCode(const TCell& cell) const {
  return cell.Kind == TCellKind::Formula ? &FFormulas[cell.Aux].Code->Code : nullptr;
}

QStringList TWorkbook::KeptFormulaCells() const {
  QStringList out;
  // Most workbooks keep none: the formula table says so without a walk over every cell.
  if (std::none_of(FFormulas.begin(), FFormulas.end(), [](const TFormulaCell& f) { return f.Live && f.Code && f.Code->Code.Kept; }))
    return out;
  for (const auto& sheet : FSheets)
    sheet->ForEachCell([&](int r, int c, const TCell& cell) {
      if (cell.Kind == TCellKind::Formula && FFormulas[cell.Aux].Code->Code.Kept)
        out << a1::QuoteSheetName(sheet->Name()) + QLatin1Char('!') + a1::CellName(r, c);
    });
  return out;
}

void TWorkbook::ReserveFormulas(std::size_t n) { FFormulas.reserve(FFormulas.size() + n); }

void TWorkbook::ReserveRows(int sheet, int rows) {
  CheckSheet(sheet);
  FSheets[sheet - 1]->ReserveRows(std::min(rows, a1::MaxRows));
}

bool TWorkbook::CopyFormulaRC(int row, int col, int fromRow, int fromCol, const QString* onlyAs) {
  CheckCell(row, col);
  TSheet& sheet = Active();
  const TCell* from = sheet.Find(fromRow, fromCol);
  if (!from || from->Kind != TCellKind::Formula) return false;
  // Held first: storing may move both the cell and the formula table.
  TCodePtr code = FFormulas[from->Aux].Code;
  const int dRow = row - code->Row, dCol = col - code->Col;
  if (!code->Code.Movable(dRow, dCol)) return false;
  // A text matched is a new formula of its own: a kept one's code only yields the value saved for
  // its own cell, and an array formula's would spill a second array.
  if (onlyAs && (code->Code.Kept || code->Code.ArrayRows > 0 || !code->Pattern.Matches(*onlyAs, dRow, dCol))) return false;
  StoreFormula(sheet, row, col, std::move(code));
  Written(sheet, row, col);
  return true;
}

void TWorkbook::StoreFormula(TSheet& sheet, int row, int col, TCodePtr code) {
  TCell& cell = Touch(sheet, row, col);
  Release(sheet, cell);
  std::uint32_t slot;
  if (!FFreeFormulas.empty()) {
    slot = FFreeFormulas.back();
    FFreeFormulas.pop_back();
  } else {
    slot = static_cast<std::uint32_t>(FFormulas.size());
    FFormulas.emplace_back();
  }
  TFormulaCell& f = FFormulas[slot];
  const std::uint32_t generation = f.Generation + 1;
  f = TFormulaCell{};
  f.Generation = generation;
  f.SheetId = sheet.Id();
  f.Row = row;
  f.Col = col;
  f.Code = std::move(code);
  f.Live = true;
  cell.Kind = TCellKind::Formula;
  cell.Aux = slot;
  Register(slot);
}

QString TWorkbook::EntryRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  if (!cell) return QString();
  switch (cell->Kind) {
    case TCellKind::Number: return numbers::FloatToShortest(cell->Num);
    case TCellKind::Text: return Active().Text(cell->Aux);
    case TCellKind::Formula: return FormulaText(*cell);
    case TCellKind::Error: return TCellValue::ErrorText(static_cast<TCellError>(cell->Aux));
    default: return QString();
  }
}

void TWorkbook::SetEntryRC(int row, int col, const QString& entry) {
  if (entry.startsWith(QLatin1Char('=')) && entry.size() > 1) {
    SetFormulaRC(row, col, entry);
  } else if (auto n = numbers::ParseTypedNumber(entry)) {
    SetNumberRC(row, col, *n);
  } else {
    SetTextRC(row, col, entry);
  }
}

TCellValue TWorkbook::ValueRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  return cell ? CellValue(Active(), *cell) : TCellValue{};
}

void TWorkbook::SetValueRC(int row, int col, const TCellValue& value) {
  switch (value.Kind) {
    case TValueKind::Number: SetNumberRC(row, col, value.Num); return;
    case TValueKind::Text: SetTextRC(row, col, value.Str); return;
    case TValueKind::Bool: SetFormulaRC(row, col, value.Num != 0 ? QStringLiteral("=TRUE") : QStringLiteral("=FALSE")); return;
    case TValueKind::Error: {
      TSheet& sheet = Active();
      TCell& cell = Touch(sheet, row, col);
      Release(sheet, cell);
      cell.Kind = TCellKind::Error;
      cell.Aux = static_cast<std::uint32_t>(value.Err);
      Written(sheet, row, col);
      return;
    }
    default: ClearRange(row, col, row, col); return;
  }
}

TCellValue TWorkbook::CellValue(const TSheet& sheet, const TCell& cell) const {
  switch (cell.Kind) {
    case TCellKind::Empty: return TCellValue{};
    case TCellKind::Number: return TCellValue::Number(cell.Num);
    case TCellKind::Text: return TCellValue::Text(sheet.Text(cell.Aux));
    case TCellKind::Formula: return ResultOf(cell.Aux);
    case TCellKind::Error: return TCellValue::Error(static_cast<TCellError>(cell.Aux));
  }
  return TCellValue{};
}

double TWorkbook::NumberOf(const TSheet& sheet, const TCell& cell) const {
  if (cell.Kind == TCellKind::Number) return cell.Num;
  const TCellValue v = CellValue(sheet, cell);
  if (v.Kind == TValueKind::Number || v.Kind == TValueKind::Bool) return v.Num;
  if (v.Kind == TValueKind::Text) return numbers::ParseTypedNumber(v.Str).value_or(0);
  return 0;
}

const TNumberFormat& TWorkbook::FormatOf(const TCell* cell) const { return FFormats[cell ? cell->Format : 0]; }

QString TWorkbook::FormattedTextRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  if (!cell || cell->Kind == TCellKind::Empty) return QString();
  return FormatOf(cell).Format(CellValue(Active(), *cell));
}

QString TWorkbook::NumberFormatRC(int row, int col) const {
  CheckCell(row, col);
  const TCell* cell = Active().Find(row, col);
  return FFormats[cell ? cell->Format : 0].Code();
}

std::uint16_t TWorkbook::FormatIndex(const QString& code) {
  const QString key = code.isEmpty() ? QStringLiteral("General") : code;
  auto it = FFormatIndex.constFind(key);
  if (it != FFormatIndex.constEnd()) return it.value();
  if (FFormats.size() >= 65535) throw EWorkbookError(QStringLiteral("too many number formats"));
  FFormats.emplace_back(key);
  const auto index = static_cast<std::uint16_t>(FFormats.size() - 1);
  FFormatIndex.insert(key, index);
  return index;
}

void TWorkbook::SetNumberFormatRC(int row, int col, const QString& format) {
  const std::uint16_t index = FormatIndex(format);
  Touch(Active(), row, col).Format = index;
  Notify(&Active(), row, col, row, col);
}

void TWorkbook::ClearRange(int row1, int col1, int row2, int col2) {
  Resolve(row1, col1, row2, col2, MaxRow(), MaxCol());
  TSheet& sheet = Active();
  BeginBatch();
  // Releasing a cell and queueing its dependents leave the storage as it is.
  sheet.ForEachCell(row1, row2, col1, col2, [&](int r, int c, TCell& cell) {
    if (cell.Kind == TCellKind::Empty) return;
    Release(sheet, cell);
    Written(sheet, r, c);
  });
  EndBatch();
}

int TWorkbook::LastRow() const { return Active().LastRow(); }
int TWorkbook::LastCol() const { return Active().LastCol(); }
int TWorkbook::MaxRow() const { return Active().MaxRow; }
int TWorkbook::MaxCol() const { return Active().MaxCol; }

void TWorkbook::SetMaxRow(int rows) {
  if (rows < 1 || rows > a1::MaxRows) throw EWorkbookError(QStringLiteral("MaxRow %1 is outside 1..%2").arg(rows).arg(a1::MaxRows));
  const int old = Active().MaxRow;
  if (rows > old) {
    // Growing moves nothing (no cell lies beyond the grid): the view only gains rows at the end,
    // and a long run grown a few rows at a time is not walked whole each time.
    Active().MaxRow = rows;
    Notify(&Active(), old + 1, 1, rows, std::max(MaxCol(), 1));
    return;
  }
  if (rows < old) ClearRange(rows + 1, 1, old, MaxCol());
  Active().MaxRow = rows;
  Active().TrimRows(rows, a1::MaxCols);
  Notify(nullptr, 0, 0, 0, 0);
}

void TWorkbook::SetMaxCol(int cols) {
  if (cols < 1 || cols > a1::MaxCols) throw EWorkbookError(QStringLiteral("MaxCol %1 is outside 1..%2").arg(cols).arg(a1::MaxCols));
  if (cols < Active().MaxCol) ClearRange(1, cols + 1, MaxRow(), Active().MaxCol);
  Active().MaxCol = cols;
  Active().TrimRows(a1::MaxRows, cols);
  Notify(nullptr, 0, 0, 0, 0);
}

QString TWorkbook::ColText(int col) const {
  auto it = Active().ColTexts.find(col);
  return it == Active().ColTexts.end() ? QString() : it->second;
}

void TWorkbook::SetColText(int col, const QString& text) {
  CheckCell(1, col);
  if (text.isEmpty()) Active().ColTexts.erase(col);
  else Active().ColTexts[col] = text;
  Notify(&Active(), 0, col, 0, col);
}

std::uint16_t TWorkbook::ColWidth(int col) const {
  auto it = Active().ColWidths.find(col);
  return it == Active().ColWidths.end() ? TSheet::DefaultColWidth : it->second;
}

void TWorkbook::SetColWidth(int col, std::uint16_t width) {
  CheckCell(1, col);
  Active().ColWidths[col] = width;
  Notify(&Active(), 0, col, 0, col);
}

std::uint16_t TWorkbook::RowHeight(int row) const {
  auto it = Active().RowHeights.find(row);
  return it == Active().RowHeights.end() ? TSheet::DefaultRowHeight : it->second;
}

void TWorkbook::SetRowHeight(int row, std::uint16_t height) {
  CheckCell(row, 1);
  Active().RowHeights[row] = height;
  Notify(&Active(), row, 0, row, 0);
}

std::uint16_t TWorkbook::HdrHeight() const { return Active().HdrHeight; }
void TWorkbook::SetHdrHeight(std::uint16_t height) {
  Active().HdrHeight = height;
  Notify(nullptr, 0, 0, 0, 0);
}

// ------------------------------------------------------------------------------------ copying

TWorkbook::TCellCopy TWorkbook::Snapshot(const TSheet& sheet, int row, int col) const {
  TCellCopy copy;
  const TCell* cell = sheet.Find(row, col);
  if (!cell) return copy;
  copy.Kind = cell->Kind;
  copy.Num = cell->Num;
  copy.Aux = cell->Aux;
  if (cell->Kind == TCellKind::Text) copy.Text = sheet.Text(cell->Aux);
  if (cell->Kind == TCellKind::Formula) {
    copy.Code = FFormulas[cell->Aux].Code;
  }
  if (cell->Format) copy.Format = FFormats[cell->Format].Code();
  return copy;
}

void TWorkbook::Put(TSheet& sheet, int row, int col, const TCellCopy& given) {
  // A kept formula's text cannot be moved along reliably: a copy elsewhere holds its value.
  const bool moved = given.Kind == TCellKind::Formula && (row != given.Code->Row || col != given.Code->Col);
  const bool keptMoved = moved && given.Code->Code.Kept;
  // A copy elsewhere of an array formula is an ordinary formula: it must not fill cells around it.
  const bool arrayMoved = moved && !keptMoved && given.Code->Code.ArrayRows > 0;
  TCellCopy value;
  const TCellCopy& copy = keptMoved || arrayMoved ? value : given;
  if (keptMoved) {
    value = given;
    TCellValue v;
    FEvaluator.Run(value.Code->Code, *this, v);
    value.Kind = v.Kind == TValueKind::Number ? TCellKind::Number : v.Kind == TValueKind::Text ? TCellKind::Text
               : v.Kind == TValueKind::Error ? TCellKind::Error : v.Kind == TValueKind::Bool ? TCellKind::Formula : TCellKind::Empty;
    value.Num = v.Num;
    value.Text = v.Kind == TValueKind::Bool ? (v.Num != 0 ? QStringLiteral("=TRUE") : QStringLiteral("=FALSE")) : v.Str;
    value.Aux = static_cast<std::uint32_t>(v.Err);
    value.Code = v.Kind == TValueKind::Bool ? Share(CompileFor(sheet, value.Text), value.Text, row, col) : nullptr;
  } else if (arrayMoved) {
    value = given;
    auto plain = std::make_shared<TSharedCode>(*given.Code);
    plain->Code.ArrayRows = plain->Code.ArrayCols = 0;
    value.Code = std::move(plain);
  }
  TCell& cell = Touch(sheet, row, col);
  if (copy.Kind == TCellKind::Formula) {
    // The copy shares the compiled code where it can run moved; only a formula naming other
    // sheets or pushed off the sheet is written out as text and compiled again.
    const int dr = row - copy.Code->Row, dc = col - copy.Code->Col;
    if (copy.Code->Code.Movable(dr, dc)) {
      StoreFormula(sheet, row, col, copy.Code);
    } else {
      const QString text = copy.Code->Pattern.Text(dr, dc);
      TFormula code;
      TFormulaPattern pattern;
      try {
        code = CompileFor(sheet, text, &pattern);
      } catch (const EWorkbookError&) {
        code = CompileFor(sheet, QStringLiteral("=#REF!"));  // cannot happen for text that compiled before
        pattern = TFormulaPattern(text);
      }
      StoreFormula(sheet, row, col, Share(std::move(code), text, row, col, &pattern));
    }
  } else {
    Release(sheet, cell);
    cell.Kind = copy.Kind;
    cell.Num = copy.Num;
    cell.Aux = copy.Aux;
    if (copy.Kind == TCellKind::Text) cell.Aux = sheet.AddText(copy.Text);
  }
  sheet.At(row, col).Format = copy.FormatSlot;
  Written(sheet, row, col);
}

void TWorkbook::CopyRange(int row1, int col1, int row2, int col2, const TWorkbook& source,
                          int srcRow1, int srcCol1, int srcRow2, int srcCol2) {
  const TSheet& from = source.Active();
  Resolve(srcRow1, srcCol1, srcRow2, srcCol2, from.MaxRow, from.MaxCol);
  const int rows = srcRow2 - srcRow1 + 1, cols = srcCol2 - srcCol1 + 1;
  Resolve(row1, col1, row2, col2, std::max(MaxRow(), row1 + rows - 1), std::max(MaxCol(), col1 + cols - 1));
  source.CheckCell(srcRow2, srcCol2);
  CheckCell(row2, col2);
  std::vector<TCellCopy> snap;
  snap.reserve(static_cast<std::size_t>(rows) * cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) snap.push_back(source.Snapshot(from, srcRow1 + r, srcCol1 + c));
  // Formats are looked up once here, not for every cell of a row copied down a long run.
  for (TCellCopy& copy : snap) copy.FormatSlot = copy.Format.isEmpty() ? 0 : FormatIndex(copy.Format);
  // A row copied down a long run at once (a recovered table grows by its whole length) makes its
  // formulas' room once, at the size needed: grown by doubling, the table would be copied along
  // and hold up to twice that room at its peak.
  std::size_t formulas = 0;
  const int toRows = row2 - row1 + 1, toCols = col2 - col1 + 1;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      if (snap[static_cast<std::size_t>(r) * cols + c].Kind == TCellKind::Formula)
        formulas += static_cast<std::size_t>((toRows - r + rows - 1) / rows) * static_cast<std::size_t>((toCols - c + cols - 1) / cols);
  const std::size_t needed = FFormulas.size() + formulas - std::min(formulas, FFreeFormulas.size());
  if (needed > FFormulas.capacity() && needed > 2 * FFormulas.capacity()) FFormulas.reserve(needed);
  TSheet& to = Active();
  BeginBatch();
  // A row filled from (about) its start is allocated at its width once: a results table appends
  // whole rows, and a row grown by doubling would keep up to half its room empty.
  const bool dense = col2 <= 2 * (col2 - col1 + 1) + 16;
  for (int r = row1; r <= row2; ++r) {
    if (dense) to.ReserveRow(r, col2);
    for (int c = col1; c <= col2; ++c) {
      const int sr = (r - row1) % rows, sc = (c - col1) % cols;
      Put(to, r, c, snap[static_cast<std::size_t>(sr) * cols + sc]);
    }
  }
  EndBatch();
}

void TWorkbook::EditCopyDown() {
  const TSelection s = Selection();
  if (s.Row2 <= s.Row1) return;
  CopyRange(s.Row1 + 1, s.Col1, s.Row2, s.Col2, *this, s.Row1, s.Col1, s.Row1, s.Col2);
}

QString TWorkbook::EditCopy() const {
  TSelection s = Selection();
  s.Row2 = std::min(s.Row2, std::max(LastRow(), s.Row1));
  s.Col2 = std::min(s.Col2, std::max(LastCol(), s.Col1));
  QString out;
  for (int r = s.Row1; r <= s.Row2; ++r) {
    for (int c = s.Col1; c <= s.Col2; ++c) {
      QString t = FormattedTextRC(r, c);
      // A number keeps every digit (a "0.00" format would paste rounded); only a date or clock
      // appearance stays as shown, which a spreadsheet reads back as the same moment or duration.
      const TCellValue v = ValueRC(r, c);
      if (v.Kind == TValueKind::Number && !t.contains(QLatin1Char(':')) && !TNumberFormat(NumberFormatRC(r, c)).ShowsDates())
        t = numbers::FloatToShortest(v.Num);
      t.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
      if (c > s.Col1) out += QLatin1Char('\t');
      out += t;
    }
    out += QLatin1Char('\n');
  }
  return out;
}

QString TWorkbook::EditCut() {
  const QString text = EditCopy();
  const TSelection s = Selection();
  ClearRange(s.Row1, s.Col1, s.Row2, s.Col2);
  return text;
}

QStringList TWorkbook::PastedLines(const QString& text) {
  QString body = text;
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (body.endsWith(QLatin1Char('\n'))) body.chop(1);
  if (body.isEmpty()) return {};
  return body.split(QLatin1Char('\n'));
}

void TWorkbook::EditPaste(const QString& text) {
  const TSelection s = Selection();
  const QStringList lines = PastedLines(text);
  if (lines.isEmpty()) return;
  BeginBatch();
  for (int i = 0; i < lines.size(); ++i) {
    const QStringList fields = lines[i].split(QLatin1Char('\t'));
    for (int j = 0; j < fields.size(); ++j) {
      const int r = s.Row1 + i, c = s.Col1 + j;
      if (r > a1::MaxRows || c > a1::MaxCols) continue;
      try {
        SetEntryRC(r, c, fields[j]);
      } catch (const EWorkbookError&) {
        SetTextRC(r, c, fields[j]);  // pasted text that is no valid formula is kept as text
      }
    }
  }
  EndBatch();
}

// -------------------------------------------------------------------------------- calculation

void TWorkbook::ReadCell(int sheetId, int row, int col, TCellValue& out) const {
  const TSheet* sheet = ById(sheetId);
  if (!sheet) { out = TCellValue::Error(TCellError::Ref); return; }
  const TCell* cell = sheet->Find(row, col);
  out = cell ? CellValue(*sheet, *cell) : TCellValue{};
}

bool TWorkbook::ClipRange(TRangeRef& range) const {
  const TSheet* sheet = ById(range.SheetId);
  if (!sheet) return false;
  range.Row2 = std::min(range.Row2, sheet->RowCount());
  // Writes widen the grid, so no cell lies beyond MaxCol: a whole row (3:3) stops there.
  range.Col2 = std::min(range.Col2, sheet->MaxCol);
  return true;
}

void TWorkbook::FreeFormula(std::uint32_t slot) {
  Unregister(slot);
  const std::uint32_t generation = FFormulas[slot].Generation;
  FFormulas[slot] = TFormulaCell{};
  FFormulas[slot].Generation = generation;  // stale range entries must stay stale
  FTextResults.erase(slot);
  FFreeFormulas.push_back(slot);
}

TCellValue TWorkbook::ResultOf(std::uint32_t slot) const {
  const TFormulaCell& f = FFormulas[slot];
  switch (f.Kind) {
    case TValueKind::Number: return TCellValue::Number(f.Num);
    case TValueKind::Bool: return TCellValue::Boolean(f.Num != 0);
    case TValueKind::Error: return TCellValue::Error(f.Err);
    case TValueKind::Text: {
      auto it = FTextResults.find(slot);
      return TCellValue::Text(it == FTextResults.end() ? QString() : it->second);
    }
    default: return TCellValue{};
  }
}

void TWorkbook::SetResult(std::uint32_t slot, TCellValue&& value) {
  TFormulaCell& f = FFormulas[slot];
  if (f.Kind == TValueKind::Text && value.Kind != TValueKind::Text) FTextResults.erase(slot);
  f.Kind = value.Kind;
  f.Num = value.Num;
  f.Err = value.Err;
  if (value.Kind == TValueKind::Text) FTextResults[slot] = std::move(value.Str);
}

// A formula's relative references are filed by distance when its sheet has room for the distances
// it adds; otherwise cell by cell.
bool TWorkbook::FileByOffset(const TFormulaCell& f) {
  const auto& offsets = f.Code->Offsets;
  if (offsets.empty()) return false;
  const auto id = static_cast<std::size_t>(f.SheetId);
  if (FOffsets.size() <= id) FOffsets.resize(id + 1);
  std::vector<TOffsetUse>& uses = FOffsets[id];
  std::size_t added = 0;
  for (const auto& o : offsets)
    if (std::none_of(uses.begin(), uses.end(), [&](const TOffsetUse& u) { return u.DRow == o.first && u.DCol == o.second; })) ++added;
  if (uses.size() + added > MaxOffsets) return false;
  for (const auto& o : offsets) {
    auto it = std::find_if(uses.begin(), uses.end(), [&](const TOffsetUse& u) { return u.DRow == o.first && u.DCol == o.second; });
    if (it == uses.end()) uses.push_back({o.first, o.second, 1});
    else ++it->Count;
  }
  return true;
}

void TWorkbook::Register(std::uint32_t slot) {
  TFormulaCell& f = FFormulas[slot];
  const TFormula& code = f.Code->Code;
  const int dRow = f.Row - f.Code->Row, dCol = f.Col - f.Code->Col;
  if (code.Volatile) FVolatile.insert(slot);
  f.ByOffset = FileByOffset(f);
  for (const TInstr& in : code.Code) {
    if (in.Op == TOp::Ref) {
      const TFormulaRef r = code.Moved(in.Arg, dRow, dCol, f.SheetId);
      if (r.SheetId < 0 || (f.ByOffset && !r.AbsRow && !r.AbsCol)) continue;
      TReaders& readers = FCellDeps[CellKey(r.SheetId, r.Row, r.Col)];
      if (readers.First == TReaders::None) readers.First = slot;
      else readers.More.push_back(slot);
    } else if (in.Op == TOp::Range) {
      const TFormulaRef a = code.Moved(in.Arg, dRow, dCol, f.SheetId);
      const TFormulaRef b = code.Moved(in.Arg + 1, dRow, dCol, f.SheetId);
      if (a.SheetId >= 0)
        FRangeDeps.Add({a.SheetId, std::min(a.Row, b.Row), std::min(a.Col, b.Col), std::max(a.Row, b.Row), std::max(a.Col, b.Col), slot, f.Generation});
    }
  }
}

void TWorkbook::Unregister(std::uint32_t slot) {
  TFormulaCell& f = FFormulas[slot];
  FVolatile.erase(slot);
  if (!f.Code) return;
  const TFormula& code = f.Code->Code;
  const int dRow = f.Row - f.Code->Row, dCol = f.Col - f.Code->Col;
  if (f.ByOffset) {
    std::vector<TOffsetUse>& uses = FOffsets[static_cast<std::size_t>(f.SheetId)];
    for (const auto& o : f.Code->Offsets) {
      auto it = std::find_if(uses.begin(), uses.end(), [&](const TOffsetUse& u) { return u.DRow == o.first && u.DCol == o.second; });
      if (it != uses.end() && --it->Count == 0) uses.erase(it);
    }
    f.ByOffset = false;
  }
  for (const TInstr& in : code.Code) {
    if (in.Op == TOp::Ref) {
      const TFormulaRef r = code.Moved(in.Arg, dRow, dCol, f.SheetId);
      if (r.SheetId < 0) continue;
      auto it = FCellDeps.find(CellKey(r.SheetId, r.Row, r.Col));
      if (it == FCellDeps.end()) continue;
      TReaders& readers = it->second;
      auto& v = readers.More;
      if (readers.First == slot) {
        readers.First = TReaders::None;
        if (!v.empty()) { readers.First = v.back(); v.pop_back(); }
      } else {
        auto pos = std::find(v.begin(), v.end(), slot);
        if (pos != v.end()) { *pos = v.back(); v.pop_back(); }
      }
      if (readers.First == TReaders::None) FCellDeps.erase(it);
    } else if (in.Op == TOp::Range && code.Refs[in.Arg].SheetId >= 0) {
      ++FStaleRangeDeps;
    }
  }
  ++f.Generation;  // range entries of the old generation no longer count
  if (FStaleRangeDeps > 64 && FStaleRangeDeps * 2 > FRangeDeps.Size()) {
    FRangeDeps.RemoveIf([this](const TRangeDependencies::TEntry& d) {
      return !FFormulas[d.Slot].Live || FFormulas[d.Slot].Generation != d.Generation;
    });
    FStaleRangeDeps = 0;
  }
}

void TWorkbook::Dependents(int sheetId, int row, int col, std::vector<std::uint32_t>& out) const {
  auto it = FCellDeps.find(CellKey(sheetId, row, col));
  if (it != FCellDeps.end()) {
    out.push_back(it->second.First);
    out.insert(out.end(), it->second.More.begin(), it->second.More.end());
  }
  // Readers filed by distance: the formula that distance back, if it reads at that distance.
  if (static_cast<std::size_t>(sheetId) < FOffsets.size() && !FOffsets[sheetId].empty()) {
    const TSheet* sheet = ById(sheetId);
    for (const TOffsetUse& u : FOffsets[sheetId]) {
      const TCell* cell = sheet ? sheet->Find(row - u.DRow, col - u.DCol) : nullptr;
      if (!cell || cell->Kind != TCellKind::Formula) continue;
      const TFormulaCell& f = FFormulas[cell->Aux];
      if (!f.Live || !f.ByOffset) continue;
      const std::pair<int, int> offset{u.DRow, u.DCol};
      const auto& offsets = f.Code->Offsets;
      if (std::find(offsets.begin(), offsets.end(), offset) != offsets.end()) out.push_back(cell->Aux);
    }
  }
  FRangeDeps.ForEachHolding(sheetId, row, col, [&](const TRangeDependencies::TEntry& d) {
    if (FFormulas[d.Slot].Live && FFormulas[d.Slot].Generation == d.Generation) out.push_back(d.Slot);
  });
}

// Depth-first over "is used by" edges with an explicit stack; the reverse of the finishing order
// is a dependency order. An edge back into the stack closes a cycle: its members get #CIRC!.
void TWorkbook::RecalcFrom(const std::vector<std::uint32_t>& roots) {
  if (++FEpoch == 0) {  // the epochs wrapped: marks of long ago must not look current
    for (TFormulaCell& f : FFormulas) f.VisitEpoch = 0;
    FEpoch = 1;
  }
  const std::uint32_t epoch = FEpoch;
  FOrder.clear();
  FChildren.clear();
  FFrames.clear();
  auto push = [&](std::uint32_t slot) {
    TFormulaCell& f = FFormulas[slot];
    f.VisitEpoch = epoch;
    f.OnStack = true;
    f.Circ = false;
    const auto begin = static_cast<std::uint32_t>(FChildren.size());
    const auto [rows, cols] = ArrayExtent(f);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) Dependents(f.SheetId, f.Row + i, f.Col + j, FChildren);
    FFrames.push_back({slot, begin, static_cast<std::uint32_t>(FChildren.size()), begin});
  };
  for (std::uint32_t root : roots) {
    if (!FFormulas[root].Live || FFormulas[root].VisitEpoch == epoch) continue;
    push(root);
    while (!FFrames.empty()) {
      TFrame& top = FFrames.back();
      if (top.Pos < top.End) {
        const std::uint32_t child = FChildren[top.Pos++];
        TFormulaCell& c = FFormulas[child];
        if (c.VisitEpoch != epoch) {
          push(child);
        } else if (c.OnStack) {
          for (auto it = FFrames.rbegin(); it != FFrames.rend(); ++it) {
            FFormulas[it->Slot].Circ = true;
            if (it->Slot == child) break;
          }
        }
      } else {
        FFormulas[top.Slot].OnStack = false;
        FOrder.push_back(top.Slot);
        FChildren.resize(top.Begin);
        FFrames.pop_back();
      }
    }
  }
  for (auto it = FOrder.rbegin(); it != FOrder.rend(); ++it) {
    TFormulaCell& f = FFormulas[*it];
    if (f.Circ) SetResult(*it, TCellValue::Error(TCellError::Circular));
    else Evaluate(*it);
    if (FOnChange && FBatch == 0) {
      const auto [rows, cols] = ArrayExtent(f);
      Notify(ById(f.SheetId), f.Row, f.Col, f.Row + rows - 1, f.Col + cols - 1);
    }
  }
}

void TWorkbook::Evaluate(std::uint32_t slot) {
  const TFormulaCell& f = FFormulas[slot];
  const TFormulaPlace place{f.SheetId, f.Row - f.Code->Row, f.Col - f.Code->Col};
  FRunning = &f;
  if (ArrayExtent(f) != std::pair{1, 1}) {
    FEvaluator.RunArray(f.Code->Code, *this, FArrayScratch, place);
    FRunning = nullptr;
    FScratch = FArrayScratch.front();
    SetResult(slot, std::move(FScratch));
    FillArray(f, FArrayScratch);
  } else {
    FEvaluator.Run(f.Code->Code, *this, FScratch, place);
    FRunning = nullptr;
    SetResult(slot, std::move(FScratch));
  }
  ++FEvaluations;
}

std::pair<int, int> TWorkbook::ArrayExtent(const TFormulaCell& f) {
  const TFormula& code = f.Code->Code;
  if (code.Kept || code.ArrayRows <= 0) return {1, 1};
  return {code.ArrayRows, std::max(code.ArrayCols, 1)};
}

void TWorkbook::FillArray(const TFormulaCell& f, const std::vector<TCellValue>& values) {
  TSheet* sheet = ById(f.SheetId);
  if (!sheet) return;
  const auto [rows, cols] = ArrayExtent(f);
  for (int i = 0; i < rows && f.Row + i <= a1::MaxRows; ++i)
    for (int j = 0; j < cols && f.Col + j <= a1::MaxCols; ++j) {
      if (i == 0 && j == 0) continue;
      const int row = f.Row + i, col = f.Col + j;
      TCellValue v = values[static_cast<std::size_t>(i) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(j)];
      // A cell holds no truth value of its own (TRUE is a formula): 1 or 0 stands for one here.
      if (v.Kind == TValueKind::Bool) v = TCellValue::Number(v.Num);
      const TCell* old = sheet->Find(row, col);
      if (old && old->Kind == TCellKind::Formula) continue;
      if (old && CellValue(*sheet, *old) == v) continue;
      TCell& cell = Touch(*sheet, row, col);
      Release(*sheet, cell);
      switch (v.Kind) {
        case TValueKind::Number: cell.Kind = TCellKind::Number; cell.Num = v.Num; break;
        case TValueKind::Text: cell.Kind = TCellKind::Text; cell.Aux = sheet->AddText(v.Str); break;
        case TValueKind::Error: cell.Kind = TCellKind::Error; cell.Aux = static_cast<std::uint32_t>(v.Err); break;
        default: break;
      }
    }
}

bool TWorkbook::CallsSubtotal(int sheetId, int row, int col) const {
  const TSheet* sheet = ById(sheetId);
  const TCell* cell = sheet ? sheet->Find(row, col) : nullptr;
  if (!cell || cell->Kind != TCellKind::Formula) return false;
  const TSharedCode& shared = *FFormulas[cell->Aux].Code;
  static const std::uint16_t subtotal = static_cast<std::uint16_t>(TFormulaFunctions::Find(QStringLiteral("SUBTOTAL"))->Id);
  static const std::uint16_t aggregate = static_cast<std::uint16_t>(TFormulaFunctions::Find(QStringLiteral("AGGREGATE"))->Id);
  if (shared.Code.Kept) {
    // Only the text is there to tell.
    static const QRegularExpression call(QStringLiteral("\\b(SUBTOTAL|AGGREGATE)\\s*\\("), QRegularExpression::CaseInsensitiveOption);
    return call.match(shared.Pattern.Source()).hasMatch();
  }
  return std::any_of(shared.Code.Code.begin(), shared.Code.Code.end(), [](const TInstr& in) {
    return in.Op == TOp::Call && (in.Func == subtotal || in.Func == aggregate);
  });
}

bool TWorkbook::RunningCell(int& sheetId, int& row, int& col) const {
  if (!FRunning) return false;
  sheetId = FRunning->SheetId;
  row = FRunning->Row;
  col = FRunning->Col;
  return true;
}

int TWorkbook::SheetIdOf(const QString& name) const {
  const int index = FindSheet(name);
  return index ? FSheets[index - 1]->Id() : -1;
}

// With AutoRecalc on every result already follows its inputs; only formulas reading the clock can
// be stale, so those and what depends on them are recomputed. Without it, everything is.
void TWorkbook::Recalc() {
  if (!FAutoRecalc) {
    RecalcAll();
    return;
  }
  std::vector<std::uint32_t> roots(FVolatile.begin(), FVolatile.end());
  std::sort(roots.begin(), roots.end());
  RecalcFrom(roots);
  if (!roots.empty()) Notify(nullptr, 0, 0, 0, 0);
}

void TWorkbook::RecalcAll() {
  std::vector<std::uint32_t> all;
  all.reserve(FFormulas.size());
  for (std::uint32_t slot = 0; slot < FFormulas.size(); ++slot)
    if (FFormulas[slot].Live) all.push_back(slot);
  // A chain through every formula stacks them all: room at once instead of copies at each doubling.
  FFrames.reserve(all.size());
  FOrder.reserve(all.size());
  // One notice for all: a table of a million formulas is not told of each.
  ++FBatch;
  RecalcFrom(all);
  --FBatch;
  Notify(nullptr, 0, 0, 0, 0);
}

void TWorkbook::SetAutoRecalc(bool on) {
  const bool was = FAutoRecalc;
  FAutoRecalc = on;
  if (on && !was) RecalcAll();
}

void TWorkbook::Notify(const TSheet* sheet, int row1, int col1, int row2, int col2) const {
  if (!FOnChange) return;
  FOnChange(sheet ? IndexOf(*sheet) : 0, row1, col1, row2, col2);
}

std::size_t TWorkbook::MemoryBytes() const {
  std::size_t bytes = 0;
  for (const auto& s : FSheets) bytes += s->MemoryBytes();
  bytes += FFormulas.capacity() * sizeof(TFormulaCell);
  return bytes;
}
