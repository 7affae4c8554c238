#include "results/tableform.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "acquisition/capturedrun.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "platform/hourglass.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "results/columnformat.h"
#include "results/iresultshost.h"
#include "results/iresultslogger.h"
#include "results/isamplejournal.h"
#include "results/journalstate.h"
#include "results/resultsprinter.h"
#include "results/scoperun.h"
#include "results/titlerowdelegate.h"
#include "rigconfig/rigconfig.h"
#include "workbook/formats/workbookfile.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/view/f1book.h"

namespace {

const QString RunPrefix = QStringLiteral("Run ");

constexpr std::uint16_t DefaultTitleTwips = 255;

// Every line break, "\r\n" included, leaves one blank: the "\r" becomes it and the "\n" goes.
QString OneLine(QString text) {
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.remove(QLatin1Char('\n'));
  return text;
}

// A clock time as the text formats write one ("12:30:05", "1:02:03.5", "-0:05"), in days.
std::optional<double> ParseClockTime(const QString& text) {
  static const QRegularExpression re(QStringLiteral(R"(^\s*(-)?(\d+):(\d{1,2})(?::(\d{1,2}(?:\.\d+)?))?\s*$)"));
  const QRegularExpressionMatch m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const double minutes = m.captured(3).toDouble();
  const double seconds = m.captured(4).isEmpty() ? 0 : m.captured(4).toDouble();
  if (minutes >= 60 || seconds >= 60) return std::nullopt;
  const double days = (m.captured(2).toDouble() * 3600 + minutes * 60 + seconds) / 86400.0;
  return m.captured(1).isEmpty() ? days : -days;
}

bool IsSingleSheetType(std::int16_t type) { return type == TWorkbook::ftTabText || type == TWorkbook::ftCsv; }

// Calls visit(row, column, text) for each text cell of the given columns below the title row, until
// a call returns false.
template <typename TVisit>
void ForEachText(const TSheet& sheet, const std::vector<int>& columns, TVisit visit) {
  const int last = sheet.RowCount();
  for (int r = 2; r <= last; ++r)
    for (int c : columns) {
      const TCell* cell = sheet.Find(r, c);
      if (!cell || cell->Kind != TCellKind::Text) continue;
      if (!visit(r, c, sheet.Text(cell->Aux))) return;
    }
}

}  // namespace

TTableForm::TTableForm(TWorkbook& runTemplate, QWidget* parent)
    : QWidget(parent), FTemplate(runTemplate), FPrinting(std::make_unique<TResultsPrinter>(this)), FRowLimit(a1::MaxRows) {
  setWindowTitle(QStringLiteral("Table"));
  ResultsTable = new TF1Book(this);
  // One tab per run below the grid, as a workbook shows its sheets; the chosen tab is the active
  // sheet, which the sheet commands act on.
  FTabs = new QTabBar(this);
  FTabs->setShape(QTabBar::RoundedSouth);
  FTabs->setExpanding(false);
  FTabs->setUsesScrollButtons(true);
  FTabs->setDrawBase(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ResultsTable, 1);
  layout->addWidget(FTabs);
  ApplyViewLook();
  connect(FTabs, &QTabBar::currentChanged, this, [this](int index) {
    if (index >= 0 && index + 1 != Book().Sheet()) Book().SetSheet(index + 1);
  });
  // Every change of the sheets (added, deleted, renamed, switched, a file read) resets the view.
  connect(ResultsTable->View()->model(), &QAbstractItemModel::modelReset, this, &TTableForm::SyncTabs);
  connect(ResultsTable->View()->model(), &QAbstractItemModel::modelReset, this, [this] { FFirstEditable = -1; });
  connect(ResultsTable->View()->model(), &QAbstractItemModel::layoutChanged, this, [this] { FFirstEditable = -1; });
  connect(ResultsTable->View()->model(), &QAbstractItemModel::dataChanged, this, [this] { FFirstEditable = -1; });
  SyncTabs();
  connect(ResultsTable, &TF1Book::Click, this, &TTableForm::ResultsTableClick);
  connect(ResultsTable, &TF1Book::EditRefused, this, [this](const QString& m) { Tell(m, TMsgDlgType::mtError); });
  TServices::SetTable(this);
}

TTableForm::~TTableForm() {
  if (TServices::Table() == this) TServices::SetTable(nullptr);
}

TWorkbook& TTableForm::Book() { return ResultsTable->Book(); }

void TTableForm::SyncTabs() {
  const QSignalBlocker quiet(FTabs);
  const TWorkbook& book = Book();
  while (FTabs->count() > book.NumSheets()) FTabs->removeTab(FTabs->count() - 1);
  for (int s = 1; s <= book.NumSheets(); ++s) {
    // A "&" in a sheet name is shown, not taken as a shortcut mark.
    const QString text = QString(book.SheetName(s)).replace(QLatin1Char('&'), QLatin1String("&&"));
    if (s > FTabs->count()) FTabs->addTab(text);
    else if (FTabs->tabText(s - 1) != text) FTabs->setTabText(s - 1, text);
  }
  FTabs->setCurrentIndex(book.Sheet() - 1);
}
const TWorkbook& TTableForm::Book() const { return ResultsTable->Book(); }

int TTableForm::TemplateCols() const { return FTemplate.MaxCol(); }

void TTableForm::Tell(const QString& text, TMsgDlgType kind) const {
  TServices::Prompts().MessageDlg(text, kind, TMsgDlgButtons::OK);
}

void TTableForm::TellLater(const QString& text, TMsgDlgType kind) {
  QTimer::singleShot(0, this, [text, kind] { TServices::Prompts().MessageDlg(text, kind, TMsgDlgButtons::OK); });
}

void TTableForm::SetRowLimit(int rows) { FRowLimit = std::clamp(rows, 3, a1::MaxRows); }

// The title row is painted as a heading and the control's own letter headings are hidden: row 1
// carries the titles.
void TTableForm::ApplyViewLook() {
  ResultsTable->SetFixedRows(1);
  ResultsTable->setToolTip(QStringLiteral("click on the column headers for definitions"));
  // Titles and recorded samples are the users' work: neither typing into the grid nor Cut or Paste
  // changes them.
  auto readOnly = [this](int row) { return row < FirstEditableRow(); };
  auto empty = [this](int row) { return row >= FirstEditableRow(); };
  // The kept rows are the top ones, so the first row a command would change decides.
  ResultsTable->SetEditGuard([this](int row1, int) {
    if (row1 >= FirstEditableRow()) return QString();
    return QStringLiteral("The column titles and the recorded samples cannot be cut, pasted over or cleared. "
                          "Copy them instead, or choose cells below the last sample.");
  });
  for (QTableView* view : ResultsTable->findChildren<QTableView*>()) {
    view->setItemDelegate(new TTitleRowDelegate(readOnly, view, empty));
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->verticalHeader()->setMinimumSectionSize(1);
    view->setShowGrid(true);
  }
  ApplyRowHeight();
}

// Data rows take the template's row-1 height: one view setting instead of a height per row, which
// would slow every redraw of a long run.
void TTableForm::ApplyRowHeight() {
  const double pxPerTwip = logicalDpiY() / 1440.0;
  const int rowPx = std::max(1, static_cast<int>(FTemplate.RowHeight(1) * pxPerTwip));
  for (QTableView* view : ResultsTable->findChildren<QTableView*>()) view->verticalHeader()->setDefaultSectionSize(rowPx);
}

// ------------------------------------------------------------------------------- runs

void TTableForm::Initialise() {
  const TRigConfig* rig = TServices::Rig();
  if (rig && !rig->Run_Spreadsheet.isEmpty()) {
    try {
      FTemplate.Read(rig->Run_Spreadsheet);
    } catch (const EWorkbookError& e) {
      Tell(QStringLiteral("The run sheet could not be loaded: %1").arg(e.Message()), TMsgDlgType::mtError);
    }
  }
  FTemplate.SetSheet(1);
  FTemplate.SetAutoRecalc(true);
  FTemplate.SetRow(2);

  if (FHost && rig) {
    using C = IResultsHost::TCommand;
    if (rig->DisableUnhideButton) {
      for (C c : {C::LecturerToolButton, C::LecturerMode1, C::ChangePassword1, C::UnhideToolButton})
        FHost->SetCommandEnabled(c, false);
      FHost->SetEnableUnhideButton(false);
    }
    if (rig->Industrial) {
      FHost->SetCommandEnabled(C::UnhideToolButton, false);
      FHost->SetCommandEnabled(C::NomenclatureToolButton, false);
    }
  }

  // Start from a single blank sheet, so the new "Run 1" clashes with no old name.
  Book().Clear();
  current_filetype = 1;
  WrongAnswers = 0;
  RunNo = 0;
  sample_taken_but_not_saved.fill(false);
  ApplyRowHeight();
  NewRun();
  Book().DeleteSheets(1, 1);
  current_filename.clear();
  // A fresh table holds nothing to protect.
  if (FJournal) FJournal->Retire();
  SyncTabs();

  if (FGraph && rig && rig->fTable_Sample_Count)
    for (int run = 1; run <= MaxRuns; ++run) FGraph->SetRunRows(run, Book().LastRow());
}

bool TTableForm::CheckRoomForRun() const {
  if (Book().NumSheets() < MaxRuns) return true;
  Tell(QStringLiteral("The table already holds %1 runs, the most it can keep. Save the results, then delete a run "
                      "or start a new table before beginning another run.")
           .arg(MaxRuns),
       TMsgDlgType::mtWarning);
  return false;
}

bool TTableForm::AddSheet() {
  if (!CheckRoomForRun()) return false;
  NewRun();
  return true;
}

// Asked for every painted cell: kept until the sheet or its cells change.
int TTableForm::FirstEditableRow() const {
  if (FFirstEditable < 0) FFirstEditable = RecordedSamples(Book().Sheet()) + 2;
  return FFirstEditable;
}

// The pattern row of a run holds formats and formulas; a sample puts values beside them. So the
// last recorded sample is the last row holding a value in a column the pattern leaves without one.
int TTableForm::RecordedSamples(int sheet) const {
  const TWorkbook& book = Book();
  if (sheet < 1 || sheet > book.NumSheets()) return 0;
  const TSheet& s = book.SheetAt(sheet);
  const int patternRow = PatternRow();
  const TSheet& pattern = FTemplate.SheetAt(1);
  const bool capture = IsCaptureRun(sheet);
  auto patternHoldsValue = [&](int c) {
    if (capture) return false;  // a capture's columns are its own
    const TCell* cell = patternRow <= pattern.RowCount() && c <= pattern.RowLength(patternRow) ? pattern.Find(patternRow, c) : nullptr;
    return cell && (cell->Kind == TCellKind::Number || cell->Kind == TCellKind::Text);
  };
  for (int r = s.RowCount(); r >= 2; --r)
    for (int c = 1; c <= s.RowLength(r); ++c) {
      const TCell* cell = s.Find(r, c);
      if (cell && (cell->Kind == TCellKind::Number || cell->Kind == TCellKind::Text) && !patternHoldsValue(c)) return r - 1;
    }
  return 0;
}

// The run template decides the new sheet's shape; row 2 starts as the template's data-row pattern.
void TTableForm::NewRun() {
  TWorkbook& book = Book();
  ++RunNo;
  // A loaded file may already use the next number (runs deleted before it was saved).
  while (book.FindSheet(RunPrefix + QString::number(RunNo))) ++RunNo;
  const int sheet = book.NumSheets() + 1;
  book.SetNumSheets(sheet);
  book.SetSheet(sheet);
  book.SetSheetName(sheet, RunPrefix + QString::number(RunNo));
  if (sheet <= MaxRuns) sample_taken_but_not_saved[sheet - 1] = false;

  const int cols = TemplateCols();
  book.SetMaxCol(cols);
  book.SetHdrHeight(FTemplate.HdrHeight());
  book.SetMaxRow(2);
  for (int c = 1; c <= cols; ++c) {
    book.SetColText(c, FTemplate.ColText(c));
    book.SetColWidth(c, FTemplate.ColWidth(c));
  }
  if (FTemplate.MaxRow() >= 3) book.CopyRange(2, 1, 2, cols, FTemplate, 3, 1, 3, cols);
  // Room for the formulas of every row the run may reach, taken now while the table is small: grown
  // as samples arrive, the store would be moved whole at each doubling, a pause of a second in one
  // sample of a long run. Untouched room costs address space, not memory.
  if (FTemplate.MaxRow() >= 3) {
    std::size_t formulas = 0;
    for (int c = 1; c <= cols; ++c) formulas += !FTemplate.FormulaRC(3, c).isEmpty();
    book.ReserveFormulas(formulas * static_cast<std::size_t>(std::max(FRowLimit - 1, 0)));
  }
  FormatSheet(sheet);
  grow_grid(sheet, 15);
  if (FJournal) FJournal->RunAdded(book.SheetName(sheet), RunNo);

  const TRigConfig* rig = TServices::Rig();
  // A fresh run has no rows to plot, whatever an earlier run of that number left behind.
  if (FGraph && sheet <= MaxRuns && !(rig && rig->fTable_Sample_Count)) FGraph->SetRunRows(sheet, 1);
  SyncTabs();
}

void TTableForm::FormatSheet(int sheet) {
  TWorkbook& book = Book();
  book.SetSheet(sheet);
  for (int c = 1; c <= book.MaxCol(); ++c) {
    QString heading = book.ColText(c);
    // Files without headings (.xlsx, text) carry the titles in row 1 only: keep them.
    if (heading.isEmpty()) {
      heading = book.TextRC(1, c);
      if (!heading.isEmpty()) book.SetColText(c, heading);
    }
    const QString title = OneLine(heading);
    if (book.TextRC(1, c) != title || book.FormulaRC(1, c).size()) book.SetTextRC(1, c, title);
  }
  // The title row takes the heading height, but never less than a data row: a template that
  // leaves the heading height at its default would cut every wrapped title.
  book.SetRowHeight(1, std::max({book.HdrHeight(), FTemplate.RowHeight(1), DefaultTitleTwips}));
  if (QuestionsAreAnswered) WriteCell();
}

void TTableForm::grow_grid(int sheet, int rows) {
  if (GrowRows(sheet, rows)) Book().Recalc();
}

bool TTableForm::GrowRows(int sheet, int rows) {
  TWorkbook& book = Book();
  book.SetSheet(sheet);
  const int r = book.MaxRow();
  // A run never grows past its last row.
  rows = std::min(rows, FRowLimit - r);
  if (rows <= 0) return false;
  book.SetMaxRow(r + rows);
  book.SetSelection(r, -1, r + rows, -1);
  book.EditCopyDown();
  book.SetSelection(1, 1, 2, 2);
  return true;
}

void TTableForm::WriteRow(const TWorkbook& source, int n, int sourceRow) {
  TWorkbook& book = Book();
  const int last = RecordingSheet();
  // Only a caller that ignored a full run gets here (the logger starts again at sample 1).
  if (n < 1 || n + 1 > FRowLimit) {
    TellLater(QStringLiteral("Sample %1 was not recorded: %2 holds at most %3 samples.").arg(n).arg(book.SheetName(last)).arg(FRowLimit - 1),
              TMsgDlgType::mtError);
    return;
  }
  const int remembered = book.Sheet();
  {
    // The run shown stays in view while the sample goes into the recording run: switching the
    // view there and back would make it walk both runs' rows for every sample.
    struct TBackstage {
      explicit TBackstage(TF1Book* b) : Book(b) { Book->SetBackstage(true); }
      ~TBackstage() { Book->SetBackstage(false); }
      TF1Book* Book;
    };
    std::optional<TBackstage> backstage;
    if (last != remembered) backstage.emplace(ResultsTable);
    book.SetSheet(last);
    if (book.MaxRow() <= n + 1) grow_grid(last, n - book.MaxRow() + 11);
    const int cols = TemplateCols();
    book.CopyRange(n + 1, 1, n + 1, cols, source, sourceRow, 1, sourceRow, cols);
    if (QuestionsAreAnswered && ScoreCellIsFree()) book.SetNumberRC(2, 1, Score);
    if (last <= MaxRuns) {
      sample_taken_but_not_saved[last - 1] = true;
      if (FGraph && FGraph->RunRows(last) < n) FGraph->SetRunRows(last, n);
    }
    book.SetSheet(remembered);
  }
  // The recorded rows are read-only; the view may show the new row only at its next pace.
  FFirstEditable = -1;
  book.Recalc();
  if (FJournal) JournalRow(last, n + 1);
  if (n + 1 >= FRowLimit) RunFilled(last);
}

void TTableForm::RunFilled(int sheet) {
  const QString full = QStringLiteral("%1 is full: a run holds at most %2 samples, and every one of them is kept.")
                           .arg(Book().SheetName(sheet))
                           .arg(FRowLimit - 1);
  if (Book().NumSheets() < MaxRuns) {
    NewRun();
    // The next sample is the new run's first.
    if (FLogger) FLogger->SetSampleTransferCount(0);
    const TRigConfig* rig = TServices::Rig();
    if (FGraph && rig && rig->Using_Graph) FGraph->DrawGraph();
    TellLater(full + QStringLiteral(" Recording goes on in %1.").arg(Book().SheetName(Book().NumSheets())),
              TMsgDlgType::mtInformation);
    return;
  }
  if (FLogger && FLogger->IsSampling()) FLogger->SampleNow();
  TellLater(full + QStringLiteral(" The table holds %1 runs, the most it can keep, so recording has stopped. Save the "
                                  "results, then delete a run or start a new table to record more.")
                       .arg(MaxRuns),
            TMsgDlgType::mtWarning);
}

// A rig that records a source in column 1 (the demo's sample number) has no score cell there:
// writing the score would overwrite the first sample's recorded value.
bool TTableForm::ScoreCellIsFree() const {
  const TQXDataList* list = TServices::DataList();
  if (!list) return true;
  return std::none_of(list->Sources().begin(), list->Sources().end(), [](const TQXSource* s) { return s->Source_Column == 1; });
}

void TTableForm::WriteCell() {
  Score = HintsUsed == 0 ? 0.001 : HintsUsed + std::min(WrongAnswers / 100.0, 1.0);
  if (ScoreCellIsFree()) {
    FTemplate.SetNumberRC(2, 1, Score);
    TWorkbook& book = Book();
    const int remembered = book.Sheet();
    for (int s = 1; s <= book.NumSheets(); ++s) {
      if (IsCaptureRun(s)) continue;  // its column 1 is the capture's sample number
      book.SetSheet(s);
      book.SetNumberRC(2, 1, Score);
    }
    book.SetSheet(remembered);
  }
  if (FHost) {
    using C = IResultsHost::TCommand;
    FHost->SetEnableUnhideButton(false);
    for (C c : {C::UnhideToolButton, C::LecturerMode1, C::LecturerToolButton}) FHost->SetCommandEnabled(c, false);
  }
  if (FGraph) FGraph->DrawGraph();
}

bool TTableForm::AnyRunUnsaved() const {
  for (bool unsaved : sample_taken_but_not_saved)
    if (unsaved) return true;
  return false;
}

bool TTableForm::ClearData() {
  if (AnyRunUnsaved() &&
      TServices::Prompts().MessageDlg(QStringLiteral("The current table data will be lost. Are you sure you wish to proceed?"),
                                      TMsgDlgType::mtWarning, TMsgDlgButtons::OKCancel) != TModalResult::mrOk)
    return false;
  if (FLogger && FLogger->IsSampling()) FLogger->SampleNow();
  // Every old run goes, however many there were; the fresh run becomes sheet 1.
  NewRun();
  const int old = Book().NumSheets() - 1;
  Book().DeleteSheets(1, old);
  if (FJournal) FJournal->RunsDeleted(1, old);
  sample_taken_but_not_saved.fill(false);
  if (FGraph)
    for (int i = 0; i < old; ++i) ShiftRunRows(1);
  if (QuestionsAreAnswered) WriteCell();
  SyncTabs();
  return true;
}

// The graph's row counts move down with the sheets after a deletion at `first`.
void TTableForm::ShiftRunRows(int first) {
  if (!FGraph) return;
  for (int i = std::max(first, 1); i < MaxRuns; ++i) FGraph->SetRunRows(i, FGraph->RunRows(i + 1));
  FGraph->SetRunRows(MaxRuns, 1);
}

// Removes a sheet, keeping every unsaved flag with its run.
void TTableForm::DeleteRun(int sheet) {
  Book().DeleteSheets(sheet, 1);
  if (FJournal) FJournal->RunsDeleted(sheet, 1);
  for (int i = sheet - 1; i + 1 < MaxRuns; ++i) sample_taken_but_not_saved[i] = sample_taken_but_not_saved[i + 1];
  sample_taken_but_not_saved[MaxRuns - 1] = false;
}

void TTableForm::DeleteSheet() {
  TWorkbook& book = Book();
  const TRigConfig* rig = TServices::Rig();
  if (book.NumSheets() == 1) {
    // ClearData already moved the row counts for the one sheet it replaced.
    if (!ClearData()) return;
    if (FLogger) FLogger->Reset_Sample_Status();
  } else {
    const int s = book.Sheet();
    if (s <= MaxRuns && sample_taken_but_not_saved[s - 1] &&
        TServices::Prompts().MessageDlg(QStringLiteral("This unsaved data will be lost. Do you wish to proceed?"),
                                        TMsgDlgType::mtWarning, TMsgDlgButtons::YesCancel) != TModalResult::mrYes)
      return;
    const bool recording = s == RecordingSheet();
    DeleteRun(s);
    ShiftRunRows(s);
    if (recording) {
      if (FLogger && FLogger->IsSampling()) FLogger->SampleNow();
      NewRun();
      if (FLogger) FLogger->Reset_Sample_Status();
    }
  }
  SyncTabs();
  // Counts first, then the redraw, so the graph never plots a run with another run's count.
  if (FGraph && rig && rig->Using_Graph) FGraph->DrawGraph();
}

void TTableForm::ChangeSheetName() {
  TWorkbook& book = Book();
  const int s = book.Sheet();
  const std::optional<QString> name =
      TServices::Prompts().InputText(QStringLiteral("Sheet Name"), QStringLiteral("&Name for sheet:"), book.SheetName(s), false);
  if (!name) return;
  try {
    book.SetSheetName(s, *name);
    if (FJournal) FJournal->RunRenamed(s, book.SheetName(s));
  } catch (const EWorkbookError& e) {
    Tell(QStringLiteral("The sheet keeps its name: %1").arg(e.What()), TMsgDlgType::mtError);
    return;
  }
  SyncTabs();
  const TRigConfig* rig = TServices::Rig();
  if (FGraph && rig && rig->Using_Graph) FGraph->DrawGraph();
}

// ------------------------------------------------------------------------------- reading back

// Reads a cell of any sheet without making it active, so the view is not reset for every read.
TCellValue TTableForm::ValueAt(int sheet, int row, int col) const {
  const TSheet& s = Book().SheetAt(sheet);
  const TCell* cell = s.Find(row, col);
  if (!cell) return {};
  return Book().CellValue(s, *cell);
}

double TTableForm::GetCellValue(int sheet, int n, int column) const {
  const int count = Book().NumSheets();
  if (sheet == 0) sheet = count;
  if (sheet < 1 || sheet > count || column < 1 || n + 1 < 1) return 0;
  const TWorkbook& book = Book();
  const TSheet& s = book.SheetAt(sheet);
  const TCell* cell = s.Find(n + 1, column);
  if (!cell) return EmptyCell;
  const TCellValue v = book.CellValue(s, *cell);
  if (v.Kind == TValueKind::Empty || (v.Kind == TValueKind::Text && v.Str.isEmpty())) return EmptyCell;
  return book.NumberOf(s, *cell);
}

QString TTableForm::GetColumnTitle(int column) const { return OneLine(Book().TextRC(1, column)); }

QString TTableForm::GetColumnTitleOf(int sheet, int column) const {
  const TCellValue v = sheet >= 1 && sheet <= Book().NumSheets() ? ValueAt(sheet, 1, column) : TCellValue{};
  return v.Kind == TValueKind::Text ? OneLine(v.Str) : QString();
}

QString TTableForm::GetColumnFormat(int column) const { return columnformat::Of(FTemplate, column); }

QString TTableForm::GetSheetName(int sheet) const { return Book().SheetName(sheet); }

int TTableForm::GetSheetCount() const { return Book().NumSheets(); }

// ------------------------------------------------------------------------------- files

void TTableForm::MarkSaved(bool allRuns) {
  if (allRuns) {
    sample_taken_but_not_saved.fill(false);
    if (FJournal) FJournal->Retire();  // the file holds every run now
    return;
  }
  const int s = Book().Sheet();
  if (s <= MaxRuns) sample_taken_but_not_saved[s - 1] = false;
  if (FJournal) FJournal->RunFlag(s, false);
}

int TTableForm::PatternRow() const { return FTemplate.MaxRow() >= 3 ? 3 : 2; }

// A column is numeric when the template's data-row pattern gives it a number format.
std::vector<int> TTableForm::NumericColumns() const {
  const int patternRow = PatternRow();
  std::vector<int> cols;
  for (int c = 1; c <= TemplateCols(); ++c) {
    const QString f = FTemplate.NumberFormatRC(patternRow, c);
    if (f != QLatin1String("General") && f != QLatin1String("@")) cols.push_back(c);
  }
  return cols;
}

QString TTableForm::CheckResults(const TWorkbook& candidate, const QString& path) const {
  const QString name = QFileInfo(path).fileName();
  if (candidate.NumSheets() > MaxRuns)
    return QStringLiteral("%1 holds %2 sheets, but a results table holds at most %3 runs. The file was not opened.")
        .arg(name)
        .arg(candidate.NumSheets())
        .arg(MaxRuns);
  const std::vector<int> numeric = NumericColumns();
  QString problem;
  for (int s = 1; s <= candidate.NumSheets() && problem.isEmpty(); ++s) {
    const TSheet& sheet = candidate.SheetAt(s);
    ForEachText(sheet, numeric, [&](int r, int c, const QString& text) {
      if (text.trimmed().isEmpty() || numbers::ParseTypedNumber(text) || ParseClockTime(text)) return true;
      problem = QStringLiteral("%1 is not a results table of this rig: sheet \"%2\", row %3, column %4 holds the text "
                               "\"%5\" where a number belongs. The file was not opened.")
                    .arg(name, sheet.Name())
                    .arg(r)
                    .arg(c)
                    .arg(text.left(40));
      return false;
    });
  }
  return problem;
}

// Numeric columns of a loaded table: blank texts (older versions wrote one where a sample had no
// elapsed time yet) read as empty. Text files carry neither number formats nor clock times, so there
// the texts also become numbers again and the columns take their formats from the template.
void TTableForm::TidyNumericColumns(bool textFile) {
  TWorkbook& book = Book();
  const std::vector<int> numeric = NumericColumns();
  const int patternRow = PatternRow();
  for (int s = 1; s <= book.NumSheets(); ++s) {
    if (IsCaptureRun(s)) continue;  // its columns are not the template's
    book.SetSheet(s);
    const TSheet& sheet = book.SheetAt(s);
    const int last = sheet.RowCount();
    std::vector<std::pair<int, int>> blanks;
    ForEachText(sheet, numeric, [&](int r, int c, const QString& text) {
      if (text.trimmed().isEmpty()) blanks.emplace_back(r, c);
      return true;
    });
    for (auto [r, c] : blanks) book.ClearRange(r, c, r, c);
    if (!textFile) continue;
    ForEachText(sheet, numeric, [&](int r, int c, const QString& text) {
      if (auto v = numbers::ParseTypedNumber(text)) book.SetNumberRC(r, c, *v);
      else if (auto t = ParseClockTime(text)) book.SetNumberRC(r, c, *t);
      return true;
    });
    if (last < 2) continue;
    for (int c : numeric) {
      book.SetSelection(2, c, last, c);
      book.SetNumberFormat(FTemplate.NumberFormatRC(patternRow, c));
    }
    book.SetSelection(1, 1, 1, 1);
  }
}

QString TTableForm::LoadResults(const QString& path, std::int16_t* fileType) {
  try {
    std::int16_t type = 0;
    QStringList notes;
    TWorkbook candidate = TWorkbookFile::Load(path, type, &notes);
    const QString problem = CheckResults(candidate, path);
    if (!problem.isEmpty()) return problem;
    for (const QString& note : notes) Tell(note, TMsgDlgType::mtWarning);
    // The checked file now replaces the table; the view follows through the book's change handler.
    Book().Adopt(std::move(candidate));
    if (fileType) *fileType = type;
    TidyNumericColumns(IsSingleSheetType(type));
  } catch (const EWorkbookError& e) {
    return QStringLiteral("The file could not be opened as a results table: %1").arg(e.Message());
  }
  return {};
}

bool TTableForm::Open() {
  if (AnyRunUnsaved() &&
      TServices::Prompts().MessageDlg(QStringLiteral("The current unsaved results will be lost. Do you wish to continue?"),
                                      TMsgDlgType::mtWarning, TMsgDlgButtons::OKCancel) != TModalResult::mrOk)
    return false;
  TFileDialogRequest request;
  request.Title = QStringLiteral("Open");
  request.Filter = QStringLiteral(
      "Results files (*.vts;*.xlsx;*.ods;*.txt;*.csv)|*.vts;*.xlsx;*.ods;*.txt;*.csv|Workbook (*.vts)|*.vts|"
      "Excel workbook (*.xlsx)|*.xlsx|OpenDocument spreadsheet (*.ods)|*.ods|Tab-delimited text (*.txt)|*.txt|"
      "CSV (*.csv)|*.csv");
  request.InitialDir = current_filename.isEmpty() ? QString() : QFileInfo(current_filename).absolutePath();
  request.DefaultExt = QStringLiteral("vts");
  const std::optional<QString> path = TServices::Prompts().OpenFileDialog(request);
  return path && OpenFile(*path);
}

bool TTableForm::OpenFile(const QString& file) {
  const std::optional<QString> path = file;
  THourglass busy;
  const int lastColBefore = Book().LastCol();
  std::int16_t type = 0;
  const QString problem = LoadResults(*path, &type);
  if (!problem.isEmpty()) {
    Tell(problem, TMsgDlgType::mtError);
    return false;
  }
  // .ods is read only: its first save asks for a name.
  current_filename = QFileInfo(*path).suffix().compare(QLatin1String("ods"), Qt::CaseInsensitive) == 0 ? QString() : *path;
  current_filetype = static_cast<std::uint16_t>(type);
  const TRigConfig* rig = TServices::Rig();
  const bool graphOn = FGraph && rig && rig->Using_Graph;
  TakeOverLoadedRuns(true, graphOn);
  TWorkbook& book = Book();
  if (book.LastCol() != lastColBefore)
    Tell(QStringLiteral("The table you have imported may not have come from this version of the program. Some "
                        "titles and text may be incorrect."),
         TMsgDlgType::mtWarning);
  const bool full = book.NumSheets() >= MaxRuns;
  if (!full) NewRun();
  else
    Tell(QStringLiteral("The opened table holds %1 runs, the most it can keep: new samples go into its last run. "
                        "Delete a run to start a new one.")
             .arg(MaxRuns),
         TMsgDlgType::mtWarning);
  if (FLogger) {
    FLogger->ResetSampleCounts();
    // New samples go after the last run's recorded rows, never over them.
    if (full) FLogger->SetSampleTransferCount(RecordedSamples(book.NumSheets()));
  }
  if (graphOn) FGraph->DrawGraph();
  return true;
}

bool TTableForm::WriteFile(const QString& path, std::int16_t fileType) {
  try {
    THourglass busy;
    // A text file holds the active run's recorded samples, not the blank rows grown ahead of them.
    const int textRows = IsSingleSheetType(fileType) ? RecordedSamples(Book().Sheet()) + 1 : 0;
    const QStringList changes = ResultsTable->Write(path, fileType, textRows);
    if (!changes.isEmpty())
      Tell(QStringLiteral("The results were saved to %1, with these changes: %2.").arg(QFileInfo(path).fileName(), changes.join(QStringLiteral("; "))),
           TMsgDlgType::mtWarning);
  } catch (const EWorkbookError& e) {
    Tell(QStringLiteral("The results could not be saved: %1").arg(e.Message()), TMsgDlgType::mtError);
    return false;
  }
  // Text formats hold the active sheet only: the other runs stay unsaved.
  MarkSaved(!IsSingleSheetType(fileType));
  return true;
}

bool TTableForm::Save() {
  Book().SaveWindowInfo();
  if (current_filename.isEmpty()) return SaveAs();
  return WriteFile(current_filename, static_cast<std::int16_t>(current_filetype));
}

bool TTableForm::SaveAs() {
  TFileDialogRequest request;
  request.Title = QStringLiteral("Save As");
  request.Filter = QStringLiteral(
      "Workbook (*.vts)|*.vts|Excel workbook (*.xlsx)|*.xlsx|Tab-delimited text (*.txt)|*.txt|CSV (*.csv)|*.csv");
  request.FileName = current_filename.isEmpty() ? QStringLiteral("Results.vts") : QFileInfo(current_filename).fileName();
  request.InitialDir = current_filename.isEmpty() ? QString() : QFileInfo(current_filename).absolutePath();
  request.DefaultExt = QStringLiteral("vts");
  const std::optional<QString> chosen = TServices::Prompts().SaveFileDialog(request);
  if (!chosen) return false;
  QString path = *chosen;
  std::int16_t type = TWorkbookFile::TypeForExtension(path);
  // .xls would be an .xlsx under the wrong name; a name without a known extension is a workbook.
  if (type == 0 || QFileInfo(path).suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.size() == 3) path.chop(4);
    path += type == 0 ? QStringLiteral(".vts") : QStringLiteral(".xlsx");
    type = TWorkbookFile::TypeForExtension(path);
  }
  if (!WriteFile(path, type)) return false;
  current_filename = path;
  current_filetype = static_cast<std::uint16_t>(type);
  current_extension = QLatin1Char('.') + QFileInfo(path).suffix();
  if (FJournal) FJournal->FileNamed(current_filename, current_filetype);
  return true;
}

void TTableForm::SetupDemo() {
  const TRigConfig* rig = TServices::Rig();
  const QString path = rig ? rig->Demo_Spreadsheet : QString();
  current_filename = path;
  if (path.isEmpty() || !QFileInfo::exists(path)) {
    Tell(QStringLiteral("Cannot find file ") + path, TMsgDlgType::mtError);
  } else {
    const QString problem = LoadResults(path, nullptr);
    if (!problem.isEmpty()) Tell(problem, TMsgDlgType::mtError);
  }
  TakeOverLoadedRuns(false, FGraph != nullptr);
}

// The sheets now in the book are the runs, all saved: the graph takes their row counts, each is
// formatted as a run, and run numbers go on after them.
void TTableForm::TakeOverLoadedRuns(bool toDataColumn, bool drawGraph) {
  TWorkbook& book = Book();
  sample_taken_but_not_saved.fill(false);
  // The table is a file's content now: nothing unsaved until the next sample.
  if (FJournal) FJournal->Retire();
  for (int i = 1; i <= book.NumSheets(); ++i) {
    book.SetSheet(i);
    if (toDataColumn) book.SetCol(2);
    if (FGraph && i <= MaxRuns) FGraph->SetRunRows(i, book.LastRow() - 1);
    FormatSheet(i);
  }
  RunNo = book.NumSheets();
  SyncTabs();
  if (drawGraph) FGraph->DrawGraph();
  if (FLogger) FLogger->SetSampleTransferCount(0);
}

// ------------------------------------------------------------------------------- journal

void TTableForm::RowCells(int sheet, int row, std::vector<TJournalCell>& cells) const {
  const TWorkbook& book = Book();
  const TSheet& s = book.SheetAt(sheet);
  const int cols = JournalCols(sheet);
  cells.resize(static_cast<std::size_t>(std::max(cols, 0)));
  for (int c = 1; c <= cols; ++c) {
    TJournalCell& out = cells[c - 1];
    out.Num = 0;
    const TCell* cell = s.Find(row, c);
    const TCellKind kind = cell ? cell->Kind : TCellKind::Empty;
    if (kind != TCellKind::Text && kind != TCellKind::Formula && !out.Text.isEmpty()) out.Text.resize(0);
    switch (kind) {
      case TCellKind::Empty: out.Kind = TJournalCell::TKind::Empty; break;
      case TCellKind::Number:
        out.Kind = TJournalCell::TKind::Number;
        out.Num = cell->Num;
        break;
      case TCellKind::Text:
        out.Kind = TJournalCell::TKind::Text;
        out.Text = s.Text(cell->Aux);
        break;
      case TCellKind::Formula:
        out.Kind = TJournalCell::TKind::Formula;
        book.FormulaText(*cell, out.Text);
        break;
      case TCellKind::Error:
        out.Kind = TJournalCell::TKind::Error;
        out.Num = cell->Aux;
        break;
    }
  }
}

void TTableForm::JournalRow(int sheet, int row) {
  if (!FJournal->Recording()) {
    JournalTable();
    return;
  }
  // Kept from sample to sample with their texts' room.
  static thread_local std::vector<TJournalCell> cells;
  RowCells(sheet, row, cells);
  FJournal->RowWritten(sheet, row, cells);
}

// Every run with its recorded rows, then the unsaved flags and the file name: enough to rebuild
// the table as it is now.
void TTableForm::JournalTable() {
  const TWorkbook& book = Book();
  FJournal->BeginSnapshot();
  std::vector<TJournalCell> cells;
  for (int s = 1; s <= book.NumSheets(); ++s) {
    FJournal->RunAdded(book.SheetName(s), RunNo);
    const int rows = RecordedSamples(s);
    // A capture's titles are its own (seconds, units): journalled with it, unlike a logger run's.
    for (int r = IsCaptureRun(s) ? 1 : 2; r <= rows + 1; ++r) {
      RowCells(s, r, cells);
      FJournal->RowWritten(s, r, cells);
    }
    FJournal->RunFlag(s, s <= MaxRuns && sample_taken_but_not_saved[s - 1]);
  }
  if (!current_filename.isEmpty()) FJournal->FileNamed(current_filename, current_filetype);
  FJournal->EndSnapshot();
}

void TTableForm::RestoreJournal(const TJournalState& state, const TProgress& progress) {
  TWorkbook& book = Book();
  ISampleJournal* journal = FJournal;
  FJournal = nullptr;  // the rebuilding is journalled whole, at the end
  book.Clear();
  sample_taken_but_not_saved.fill(false);
  RunNo = 0;
  const int runs = std::min(static_cast<int>(state.Runs.size()), MaxRuns);
  // Runs are made under names no journalled name can have, then take their own names.
  for (int i = 0; i < runs; ++i) {
    NewRun();
    book.SetSheetName(book.NumSheets(), QStringLiteral("\x01%1").arg(i));
  }
  if (runs == 0) NewRun();
  book.DeleteSheets(1, 1);
  int total = 0, done = 0;
  for (int i = 0; i < runs; ++i) total += static_cast<int>(state.Runs[i].Rows.size());
  if (progress) progress(0, total);
  // Every formula is brought up to date once, after every run's cells are in.
  const bool autoRecalc = book.AutoRecalc();
  book.SetAutoRecalc(false);
  std::vector<TJournalCell> cells;
  for (int i = 0; i < runs; ++i) {
    const TJournalState::TRun& run = state.Runs[i];
    const int sheet = i + 1;
    try {
      book.SetSheetName(sheet, run.Name);
    } catch (const EWorkbookError&) {
      book.SetSheetName(sheet, RunPrefix + QString::number(sheet));
    }
    book.SetSheet(sheet);
    // The run's grid grows once to hold every row, not ten rows at a time.
    if (!run.Rows.empty() && book.MaxRow() <= run.LastRow()) GrowRows(sheet, run.LastRow() - book.MaxRow() + 10);
    book.SetSheet(sheet);
    // A capture comes back in its own columns under its own titles, not the logger's.
    const TJournalState::TRow* titles = run.Find(1);
    const bool capture = run.Name.startsWith(QLatin1String(CapturePrefix)) && titles;
    if (capture) {
      QStringList heads;
      for (const TJournalCell& cell : titles->Cells()) {
        if (cell.Kind != TJournalCell::TKind::Text) break;
        heads << cell.Text;
      }
      ShapeCaptureRun(sheet, heads);
      if (book.MaxRow() <= run.LastRow()) GrowRows(sheet, run.LastRow() - book.MaxRow() + 10);
      book.SetSheet(sheet);
    }
    const int cols = capture ? book.MaxCol() : TemplateCols();
    // The run's cells reach the view as one change, not one notice per cell.
    std::optional<TWorkbook::TBatchScope> batch(std::in_place, book);
    int above = 0;  // the row restored before, whose formulas the next one may share
    for (const TJournalState::TRow& entry : run.Rows) {
      const int row = entry.Row;
      if (row > a1::MaxRows || (row == 1 && !capture)) continue;
      entry.CellsInto(cells);
      for (int c = 1; c <= cols; ++c) {
        const TJournalCell empty;
        const TJournalCell& cell = c <= static_cast<int>(cells.size()) ? cells[c - 1] : empty;
        switch (cell.Kind) {
          case TJournalCell::TKind::Empty: book.ClearRange(row, c, row, c); break;
          case TJournalCell::TKind::Number: book.SetNumberRC(row, c, cell.Num); break;
          case TJournalCell::TKind::Text: book.SetTextRC(row, c, cell.Text); break;
          case TJournalCell::TKind::Formula:
            // The grown rows carry the pattern's formulas already, and a formula changed during
            // the run is the one above moved down: neither is compiled again.
            if (book.HasFormulaRC(row, c, cell.Text)) break;
            if (above && book.CopyFormulaRC(row, c, above, c, &cell.Text)) break;
            try {
              book.SetFormulaRC(row, c, cell.Text);
            } catch (const EWorkbookError&) {
              book.SetTextRC(row, c, cell.Text);
            }
            break;
          case TJournalCell::TKind::Error:
            book.SetValueRC(row, c, TCellValue::Error(cell.Num >= 1 && cell.Num <= static_cast<int>(TCellError::Null)
                                                          ? static_cast<TCellError>(static_cast<int>(cell.Num))
                                                          : TCellError::Value));
            break;
        }
      }
      above = row;
      if (++done % 4096 == 0) {
        // The rows behind leave memory as the table takes them in.
        state.LetGo(entry.Data);
        if (progress) progress(done, total);
      }
    }
    batch.reset();
    if (capture) FormatCaptureColumns(sheet, run.LastRow() - 1);
    sample_taken_but_not_saved[i] = run.Unsaved;
    if (FGraph) FGraph->SetRunRows(sheet, run.Rows.empty() ? 1 : run.LastRow() - 1);
  }
  RunNo = std::max(state.RunNo, RunNo);
  current_filename = state.FileName;
  current_filetype = static_cast<std::uint16_t>(state.FileType > 0 ? state.FileType : 1);
  book.SetSheet(book.NumSheets());
  book.SetAutoRecalc(autoRecalc);
  book.Recalc();
  // New samples go after the last run's rows.
  if (FLogger) FLogger->SetSampleTransferCount(RecordedSamples(book.NumSheets()));
  const TRigConfig* rig = TServices::Rig();
  if (FGraph && rig && rig->Using_Graph) FGraph->DrawGraph();
  FJournal = journal;
  // Rebuilt run for run from this journal's own file, the table is what that file describes:
  // journalling goes on in it rather than writing it all out again.
  const bool everyRun = runs > 0 && runs == static_cast<int>(state.Runs.size());
  if (FJournal && !(everyRun && state.WholeBytes > 0 && FJournal->Resume(state.Source, state.WholeBytes))) JournalTable();
}

// ------------------------------------------------------------------------------- printing

void TTableForm::PrintForm() {
  if (FPrinting->ChoosePrinter()) PrintSheet(FPrinting->Printer());
}

void TTableForm::PageSetup() { FPrinting->PageSetup(); }

// Landscape pages of the active sheet with grid lines, the title row repeated on every page and
// the rig's header above; columns are scaled down when they are wider than the page.
void TTableForm::PrintSheet(QPrinter& printer) {
  const TWorkbook& book = Book();
  const TRigConfig* rig = TServices::Rig();
  const QString header = (rig ? rig->Print_Header : QString()) + QStringLiteral(" - ") + book.SheetName(book.Sheet()) +
                         QStringLiteral(" Results");
  QPainter painter;
  if (!painter.begin(&printer)) {
    Tell(QStringLiteral("The printer could not be started."), TMsgDlgType::mtError);
    return;
  }
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QRectF area(0, 0, page.width(), page.height());
  QFont body(QStringLiteral("Arial"), 9);
  QFont bold(QStringLiteral("Arial"), 10);
  bold.setBold(true);
  painter.setFont(body);
  const QFontMetricsF fm(body, &printer);
  const int cols = book.MaxCol();
  std::vector<double> widths;
  double total = 0;
  for (int c = 1; c <= cols; ++c) {
    widths.push_back(book.ColWidth(c) / 256.0 * fm.horizontalAdvance(QLatin1Char('0')) + fm.height() * 0.4);
    total += widths.back();
  }
  const double scale = total > area.width() ? area.width() / total : 1.0;
  for (double& w : widths) w *= scale;
  const double rowH = fm.height() * 1.4;
  const double titleH = rowH * 2.4;
  const double headerH = rowH * 1.6;
  // Rows below the last sample hold only copied formulas: they print empty, so they are left out.
  const int lastRow = std::max(RecordedSamples(book.Sheet()) + 1, 1);

  auto drawRow = [&](int r, double y, double h, bool title) {
    double x = area.left();
    painter.setFont(title ? bold : body);
    for (int c = 1; c <= cols; ++c) {
      const QRectF cell(x, y, widths[c - 1], h);
      if (title) painter.fillRect(cell, TTitleRowDelegate::HeadingColour());
      painter.drawRect(cell);
      const TCellValue v = ValueAt(book.Sheet(), r, c);
      const int align = title ? int(Qt::AlignCenter | Qt::TextWordWrap)
                        : v.Kind == TValueKind::Number ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                       : int(Qt::AlignLeft | Qt::AlignVCenter);
      painter.drawText(cell.adjusted(fm.height() * 0.2, 0, -fm.height() * 0.2, 0), align, book.FormattedTextRC(r, c));
      x += widths[c - 1];
    }
  };
  int r = 2;
  bool firstPage = true;
  do {
    if (!firstPage) printer.newPage();
    firstPage = false;
    painter.setFont(bold);
    painter.drawText(QRectF(area.left(), area.top(), area.width(), headerH), Qt::AlignLeft | Qt::AlignVCenter, header);
    double y = area.top() + headerH;
    drawRow(1, y, titleH, true);
    y += titleH;
    while (r <= lastRow && y + rowH <= area.bottom()) {
      drawRow(r, y, rowH, false);
      y += rowH;
      ++r;
    }
  } while (r <= lastRow);
  painter.end();
}

// ------------------------------------------------------------------------------- commands

int TTableForm::GetScopeData(const TScopeRun& run) {
  const int L = static_cast<int>(run.Ch1.size());
  FNumberLastScanSamples = static_cast<std::uint32_t>(L);
  if (L == 0) return 0;
  if (!CheckRoomForRun()) return 0;
  // The sources of the two inputs give the titles and the conversion to their units.
  const TQXAnalogueInputSource* sources[2] = {};
  if (const TQXDataList* list = TServices::DataList())
    for (TQXSource* s : list->Sources())
      if (auto* in = dynamic_cast<const TQXAnalogueInputSource*>(s))
        for (int k = 0; k < 2; ++k)
          if (!sources[k] && in->FChannel == (k == 0 ? run.ChannelOne : run.ChannelTwo)) sources[k] = in;
  const auto title = [](const TQXAnalogueInputSource* s, int channel) {
    if (!s) return QStringLiteral("Input %1 (counts)").arg(channel);
    const QString name = s->fLong_text.trimmed().isEmpty() ? QStringLiteral("Input %1").arg(channel) : s->fLong_text.trimmed();
    return s->fUnits_text.trimmed().isEmpty() ? name : name + QStringLiteral(" (") + s->fUnits_text.trimmed() + QLatin1Char(')');
  };
  const auto convert = [](const TQXAnalogueInputSource* s, int raw) {
    return s ? s->Calibration.Process(raw) : static_cast<double>(raw);
  };
  const double dt = run.SampleInterval * 1e-6 + 0.000255;
  QStringList titles{QStringLiteral("Sample"), QStringLiteral("Time (s)"), title(sources[0], run.ChannelOne)};
  // The same input twice is one column.
  const bool two = run.ChannelTwo != run.ChannelOne && !run.Ch2.empty();
  if (two) titles << title(sources[1], run.ChannelTwo);
  TWorkbook& book = Book();
  const int remembered = book.Sheet();
  const int sheet = NewCaptureRun(titles);
  const bool autoRecalc = book.AutoRecalc();
  book.SetAutoRecalc(false);
  book.SetSheet(sheet);
  for (int i = 0; i < L; ++i) {
    const auto k = static_cast<size_t>(i);
    book.SetNumberRC(i + 2, 1, i + 1);
    book.SetNumberRC(i + 2, 2, i * dt);
    book.SetNumberRC(i + 2, 3, convert(sources[0], run.Ch1[k]));
    if (two && k < run.Ch2.size()) book.SetNumberRC(i + 2, 4, convert(sources[1], run.Ch2[k]));
  }
  FormatCaptureColumns(sheet, L);
  book.SetAutoRecalc(autoRecalc);
  if (sheet <= MaxRuns) sample_taken_but_not_saved[static_cast<size_t>(sheet - 1)] = true;
  if (FJournal) JournalTable();
  // The user goes on looking at the run being recorded; the capture has its own tab.
  book.SetSheet(remembered);
  SyncTabs();
  if (FGraph && sheet <= MaxRuns) {
    FGraph->SetRunRows(sheet, L);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    FGraph->ScopeInvokeDrawGraph(sheet, 3, dt * 1000, two ? 4 : 3);
  }
  if (FHost) {
    FHost->SetCommandEnabled(IResultsHost::TCommand::LogSampleToolButton, true);
    FHost->SetCommandEnabled(IResultsHost::TCommand::LogSampleMenuButton, true);
  }
  return sheet;
}

bool TTableForm::IsCaptureRun(int sheet) const {
  const TWorkbook& book = Book();
  return sheet >= 1 && sheet <= book.NumSheets() && book.SheetName(sheet).startsWith(QLatin1String(CapturePrefix));
}

int TTableForm::RecordingSheet() const {
  for (int s = Book().NumSheets(); s >= 1; --s)
    if (!IsCaptureRun(s)) return s;
  return Book().NumSheets();
}

int TTableForm::NewCaptureRun(const QStringList& titles) {
  TWorkbook& book = Book();
  ++RunNo;
  const QString prefix = QString::fromLatin1(CapturePrefix);
  while (book.FindSheet(RunPrefix + QString::number(RunNo)) || book.FindSheet(prefix + QString::number(RunNo))) ++RunNo;
  const int sheet = book.NumSheets() + 1;
  book.SetNumSheets(sheet);
  book.SetSheet(sheet);
  book.SetSheetName(sheet, prefix + QString::number(RunNo));
  ShapeCaptureRun(sheet, titles);
  if (FJournal) FJournal->RunAdded(book.SheetName(sheet), RunNo);
  return sheet;
}

void TTableForm::ShapeCaptureRun(int sheet, const QStringList& titles) {
  TWorkbook& book = Book();
  book.SetSheet(sheet);
  const int cols = static_cast<int>(titles.size());
  book.SetMaxCol(cols);
  book.SetHdrHeight(FTemplate.HdrHeight());
  book.SetMaxRow(2);
  for (int c = 1; c <= cols; ++c) {
    book.SetColText(c, titles[c - 1]);
    book.SetColWidth(c, std::max(2560, static_cast<int>(titles[c - 1].size()) * 256 * 6 / 10));
  }
  FormatSheet(sheet);
}

void TTableForm::FormatCaptureColumns(int sheet, int rows) {
  TWorkbook& book = Book();
  book.SetSheet(sheet);
  if (rows < 1) return;
  book.SetSelection(2, 1, rows + 1, 1);
  book.SetNumberFormat(QStringLiteral("0"));
  book.SetSelection(2, 2, rows + 1, 2);
  book.SetNumberFormat(QStringLiteral("0.000000"));
  if (book.MaxCol() >= 3) {
    book.SetSelection(2, 3, rows + 1, book.MaxCol());
    book.SetNumberFormat(QStringLiteral("0.000"));
  }
  book.SetSelection(1, 1, 1, 1);
}

int TTableForm::JournalCols(int sheet) const {
  return IsCaptureRun(sheet) ? Book().SheetAt(sheet).MaxCol : TemplateCols();
}

void TTableForm::WriteCaptureRun(const TCapturedRun& run) {
  if (run.One.empty()) return;
  const int sheet = PourCapture(run);
  if (FGraph && sheet <= MaxRuns) {
    FGraph->SetRunRows(sheet, static_cast<int>(run.One.size()) - 1);
    FGraph->DrawGraph();
  }
}

int TTableForm::PourCapture(const TCapturedRun& run) {
  TWorkbook& book = Book();
  const int sheet = book.NumSheets();
  const int L = static_cast<int>(run.One.size());
  grow_grid(sheet, L - 10);
  const int p = run.ColumnOne, q = run.ColumnTwo;
  const bool autoRecalc = book.AutoRecalc();
  book.SetAutoRecalc(false);
  book.SetSheet(sheet);
  for (int i = 0; i < L; ++i) {
    book.SetNumberRC(i + 2, 2, i + 1);
    book.SetNumberRC(i + 2, 3, i * run.SecondsPerSample);
    book.SetNumberRC(i + 2, p, run.One[static_cast<size_t>(i)]);
    if (i < static_cast<int>(run.Two.size())) book.SetNumberRC(i + 2, q, run.Two[static_cast<size_t>(i)]);
  }
  FormatSheet(sheet);
  for (int c : {3, p, q})
    for (int r = 2; r <= L + 1; ++r) book.SetNumberFormatRC(r, c, QStringLiteral("0.000"));
  book.SetAutoRecalc(autoRecalc);  // on again: recalculates what the capture feeds
  if (sheet <= MaxRuns) sample_taken_but_not_saved[static_cast<size_t>(sheet - 1)] = true;
  if (FLogger) FLogger->SetSampleTransferCount(L + 1);
  if (FJournal) JournalTable();
  SyncTabs();
  return sheet;
}

void TTableForm::Iterate_Table_Data() {
  TWorkbook& book = Book();
  book.SetSheet(book.NumSheets());
  if (book.MaxCol() < 18) {
    Tell(QStringLiteral("This table has no column 18 for the iteration's results."), TMsgDlgType::mtWarning);
    return;
  }
  THourglass busy;
  book.ClearRange(3, 18, 9, 18);
  for (int r = 3; r <= 9; ++r) {
    QApplication::processEvents();
    const double y = book.NumberRC(r, 17);
    const double x = book.NumberRC(r, 3);
    double m = 1, residual = 1;
    int step = 1;
    while (residual > 0.0001 && step < 100000) {
      m += 0.0001;
      residual = std::fabs(std::cosh((0.35 - x) * m) / std::cosh(0.35 * m) - y);
      ++step;
    }
    // Stopped early (a NaN residual stops it too) or met the tolerance on the very last step.
    if (step < 100000 || residual <= 0.0001) book.SetNumberRC(r, 18, m);
    else book.SetTextRC(r, 18, QStringLiteral("no convergence"));
  }
}

void TTableForm::ResultsTableClick(int row, int col) {
  // With the letter headings hidden, the title row is where the user clicks for a definition.
  if (row > 1) return;
  TRigConfig* rig = TServices::Rig();
  if (!rig || col < 1 || col >= static_cast<int>(rig->ColumnStatus.size())) return;
  const QString context = rig->ColumnStatus[col].help_context.trimmed();
  if (context.isEmpty()) return;
  const std::optional<std::int64_t> whole = numbers::ParseTypedInteger(context);
  if (!whole) rig->ExecuteHint(context);
  else if (*whole != 0) rig->RigStringHelp(context);
}

void TTableForm::FormActivate() {
  if (!FHost) return;
  FHost->SetActiveForm(3);
  FHost->SetCommandEnabled(IResultsHost::TCommand::PageSetup1, true);
  FHost->UpdateStatusBar();
  FHost->UpdateToolbars();
}
