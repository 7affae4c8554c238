#pragma once
// The results table ("Table"): one sheet per run named "Run " + number, column titles in row 1 and
// sample n in row n + 1. The data list appends samples through WriteRow; the graph reads them back
// through GetCellValue; the main window drives runs, files, printing and the clipboard.
//
// Every run sheet is shaped by the run template (the sample-row workbook of the rig's run sheet):
// its columns, headings and widths, and its row 3, the empty data-row pattern of formats and
// formulas. At most 20 runs are tracked; a 21st is refused.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>
#include <QWidget>

#include "platform/iprompts.h"
#include "results/iresultsgraph.h"

class QPrinter;
class QTabBar;
class TF1Book;
class TWorkbook;
class TResultsPrinter;
class IResultsHost;
class IResultsLogger;
class ISampleJournal;
class TJournalState;
struct TCellValue;
struct TScopeRun;
struct TCapturedRun;

class TTableForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int MaxRuns = IResultsGraph::MaxRuns;
  // What GetCellValue hands the graph for an empty cell.
  static constexpr double EmptyCell = 999999999999.0;

  // `runTemplate` is the sample-row workbook (F1Book3); it must outlive the table.
  explicit TTableForm(TWorkbook& runTemplate, QWidget* parent = nullptr);
  ~TTableForm() override;

  // Links upward; each may be null (the calls are then skipped). Not owned.
  void SetHost(IResultsHost* host) { FHost = host; }
  void SetLogger(IResultsLogger* logger) { FLogger = logger; }
  void SetGraph(IResultsGraph* graph) { FGraph = graph; }
  IResultsGraph* Graph() const { return FGraph; }
  // The journal told of every change of the runs, so they can be rebuilt after a crash. Not owned.
  void SetJournal(ISampleJournal* journal) { FJournal = journal; }
  // Rebuilds the runs, rows, unsaved flags and file name a journal describes, in place of the
  // table's content; the journal (when set) then starts afresh from the rebuilt table.
  // `progress(done, total)` is told of the rows rebuilt now and then, for a progress bar.
  using TProgress = std::function<void(int done, int total)>;
  void RestoreJournal(const TJournalState& state, const TProgress& progress = {});

  // Loads the run template and starts an empty table with run 1.
  void Initialise();
  // Loads the rig's demonstration table in place of the runs.
  void SetupDemo();
  // Starts the next run as a new last sheet. False, after telling the user, when the table
  // already holds the 20 runs it can track.
  bool AddSheet();
  // True when another run fits; otherwise tells the user and changes nothing.
  bool CheckRoomForRun() const;
  // How many samples a run holds: the last row with a recorded value, less the title row.
  int RecordedSamples(int sheet) const;
  void FormatSheet(int sheet);
  // Adds `rows` rows to a sheet, each a copy of its last row's formats and formulas.
  void grow_grid(int sheet, int rows);
  // Copies row `sourceRow` of `source`'s active sheet into the last run as sample n (row n + 1).
  // The row that fills the run ends it: recording goes on in a new run (sample 1) while the table
  // has room for one, and stops otherwise; either way the user is told once the tick is over.
  void WriteRow(const TWorkbook& source, int n, int sourceRow);
  // The last row a run may fill: the sheet's last row, lower only in tests.
  int RowLimit() const { return FRowLimit; }
  void SetRowLimit(int rows);
  // Computes the score and writes it into cell (2, 1) of the template and of every run, when no
  // source records into column 1.
  void WriteCell();
  // No source records into column 1, so row 2 there may hold the score.
  bool ScoreCellIsFree() const;
  bool ClearData();  // false when the user kept the unsaved data
  void DeleteSheet();       // the active sheet
  void ChangeSheetName();   // of the active sheet
  // Sample n of a run (0 = the last run); EmptyCell for an empty cell, 0 for a run that does not exist.
  double GetCellValue(int sheet, int n, int column) const;
  QString GetColumnTitle(int column) const;   // row 1 of the active sheet, on one line
  QString GetColumnFormat(int column) const;  // the template's number format; "General" as "0.0"
  QString GetSheetName(int sheet) const;
  bool AnyRunUnsaved() const;
  int GetSheetCount() const;
  bool Open();
  // Opens a results file named by the caller (the command line): as Open() after its questions.
  bool OpenFile(const QString& path);
  bool Save();
  bool SaveAs();
  void PrintForm();
  void PageSetup();
  // Prints the active sheet on an already chosen printer.
  void PrintSheet(QPrinter& printer);
  TResultsPrinter& Printing() { return *FPrinting; }
  // Sheets named so hold an oscilloscope capture, never logger samples.
  static constexpr const char* CapturePrefix = "Capture ";
  // An oscilloscope capture becomes a run of its own after every other sheet: sample number, time
  // in seconds and each channel in its source's units, in columns of its own; the graph plots it
  // against that time. Returns the capture's sheet, 0 when the table had no room (and said so).
  int GetScopeData(const TScopeRun& run);
  bool IsCaptureRun(int sheet) const;
  // The sheet the logger records into: the last one that is not a capture.
  int RecordingSheet() const;
  // Row 1 of a sheet's column, on one line.
  QString GetColumnTitleOf(int sheet, int column) const;
  // Pours a burst capture into the last run; the graph then plots its rows as the rig's graph.
  void WriteCaptureRun(const TCapturedRun& run);
  // The pin-fin constant m for rows 3 to 9 of the last run (column 17 and 3 in, column 18 out).
  void Iterate_Table_Data();
  void ResultsTableClick(int row, int col);
  void FormActivate();

  TF1Book* ResultsTable;
  // One tab per run, named as its sheet; the current tab is the active sheet.
  QTabBar* SheetTabs() const { return FTabs; }
  QString current_filename;
  std::uint16_t current_filetype = 1;
  QString current_extension;
  std::int32_t HintsUsed = 0;
  std::int32_t WrongAnswers = 0;
  std::int32_t RunNo = 0;
  std::array<bool, MaxRuns> sample_taken_but_not_saved{};  // index = sheet number - 1
  bool QuestionsAreAnswered = false;
  double Score = 0;
  std::uint32_t FNumberLastScanSamples = 0;

 private:
  TWorkbook& Book();
  const TWorkbook& Book() const;
  void SyncTabs();
  // The rows above it (titles and recorded samples) are kept from edits, Cut and Paste.
  int FirstEditableRow() const;
  int TemplateCols() const;
  TCellValue ValueAt(int sheet, int row, int col) const;
  void NewRun();
  // Appends an empty capture sheet with the given column titles; returns it.
  int NewCaptureRun(const QStringList& titles);
  // A capture run's own columns (and nothing of the logger's), titled; then its cells' formats
  // for `rows` samples: sample numbers whole, seconds to the microsecond, values to 0.001.
  void ShapeCaptureRun(int sheet, const QStringList& titles);
  void FormatCaptureColumns(int sheet, int rows);
  // The columns a run's rows are journalled with: a capture's own, else the template's.
  int JournalCols(int sheet) const;
  // The capture's rows, formats and unsaved mark in the last run; returns that run's sheet.
  int PourCapture(const TCapturedRun& run);
  void DeleteRun(int sheet);
  void ShiftRunRows(int first);
  void MarkSaved(bool allRuns);
  // Reads a results file into the table after checking it; the table is untouched when the file
  // is refused. Returns the refusal text, empty when loaded.
  QString LoadResults(const QString& path, std::int16_t* fileType);
  QString CheckResults(const TWorkbook& candidate, const QString& path) const;
  // The template's row holding the data-row pattern: 3, or 2 in a template without one.
  int PatternRow() const;
  std::vector<int> NumericColumns() const;
  void TidyNumericColumns(bool textFile);
  // After Open or the demonstration table: `toDataColumn` puts each sheet's current column on
  // column 2; `drawGraph` redraws the graph (which must then be set).
  void TakeOverLoadedRuns(bool toDataColumn, bool drawGraph);
  bool WriteFile(const QString& path, std::int16_t fileType);
  void ApplyViewLook();
  void ApplyRowHeight();
  void Tell(const QString& text, TMsgDlgType kind) const;
  // The same once the running tick or command is over: the sampling tick never waits on a person.
  void TellLater(const QString& text, TMsgDlgType kind);
  // Run `sheet` has just filled its last row.
  void RunFilled(int sheet);
  // Journals row `row` of run `sheet`; the first one of a session journals the whole table.
  void JournalRow(int sheet, int row);
  void JournalTable();
  // grow_grid without recomputing: false when there was no room to grow.
  bool GrowRows(int sheet, int rows);
  void RowCells(int sheet, int row, std::vector<struct TJournalCell>& cells) const;

  TWorkbook& FTemplate;
  mutable int FFirstEditable = -1;  // FirstEditableRow of the active sheet; -1 to be worked out
  IResultsHost* FHost = nullptr;
  IResultsLogger* FLogger = nullptr;
  IResultsGraph* FGraph = nullptr;
  ISampleJournal* FJournal = nullptr;
  std::unique_ptr<TResultsPrinter> FPrinting;
  QTabBar* FTabs = nullptr;
  int FRowLimit;
};
