#include "results/reportbuilder.h"

#include <algorithm>

#include <QLocale>
#include <QPainter>
#include <QProgressDialog>

#include "platform/datetime.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/tableform.h"
#include "rigconfig/registry.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"

namespace {
const QString kStudentValue = QStringLiteral("ReportStudentName");
}

std::vector<TReportRun> TReportBuilder::Runs(TTableForm& table, const IResultsGraph* graph) {
  std::vector<TReportRun> runs;
  TWorkbook& book = table.ResultsTable->Book();
  const int active = book.Sheet();
  for (int s = 1; s <= book.NumSheets(); ++s) {
    book.SetSheet(s);
    TReportRun run;
    run.Name = book.SheetName(s);
    const int columns = book.LastCol();
    for (int c = 1; c <= columns; ++c) run.Titles << book.TextRC(1, c).simplified();
    // The rows samples filled: the sheet's rows beyond hold only the template's formulas.
    const int rows = graph && s <= IResultsGraph::MaxRuns ? std::min(book.LastRow(), graph->RunRows(s) + 1) : book.LastRow();
    for (int r = 2; r <= rows; ++r) {
      QStringList cells;
      bool any = false;
      for (int c = 1; c <= columns; ++c) {
        cells << book.FormattedTextRC(r, c);
        any = any || !cells.back().isEmpty();
      }
      if (any) run.Rows.push_back(std::move(cells));
    }
    runs.push_back(std::move(run));
  }
  book.SetSheet(active);
  return runs;
}

void TReportBuilder::Export(TTableForm* table, TGraphForm* graph, const TFacts& facts, QWidget* parent) {
  IPrompts& prompts = TServices::Prompts();
  if (!table) return;
  QString remembered;
  TRegistry registry;
  const bool keyed = !facts.RegistryKey.isEmpty() && registry.OpenKey(facts.RegistryKey, true);
  if (keyed) remembered = registry.ReadString(kStudentValue);
  const auto student = prompts.InputText(QStringLiteral("Export Report"), QStringLiteral("Student's name:"), remembered, false);
  if (!student) return;
  if (keyed && *student != remembered) registry.WriteString(kStudentValue, *student);
  const auto notes = prompts.InputText(QStringLiteral("Export Report"), QStringLiteral("Notes for the report (may be left empty):"),
                                       QString(), false);
  if (!notes) return;
  const auto path = prompts.SaveFileDialog({QStringLiteral("Export Report"), QStringLiteral("PDF document|*.pdf"), {},
                                            QStringLiteral("report.pdf"), QStringLiteral("pdf")});
  if (!path) return;

  TReportContent content;
  content.Rig = facts.Rig;
  content.Exercise = facts.Exercise;
  content.Student = student->trimmed();
  content.Notes = *notes;
  content.When = QLocale().toString(datetime::ToQDateTime(TServices::Clock().Now()), QLocale::LongFormat);
  content.Presentation = facts.Presentation;
  content.Runs = Runs(*table, table->Graph());
  if (graph) {
    content.Graph = [graph](QPainter& painter, const QSize& size) { graph->PaintPicture(painter, size); };
    for (const TGraphFit& fit : graph->Fits()) content.Fits << fit.PanelText().trimmed().split(QLatin1Char('\n'));
  }
  QProgressDialog bar(QStringLiteral("Writing the report..."), QStringLiteral("Cancel"), 0, 1000, parent);
  bar.setWindowTitle(QStringLiteral("Export Report"));
  bar.setWindowModality(Qt::WindowModal);
  bar.setMinimumDuration(500);
  QString error;
  const bool written = TLabReport::Write(*path, content, TLabReport::PageForLocale(QLocale()),
                                         [&bar](qint64 done, qint64 total) {
                                           bar.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
                                           return !bar.wasCanceled();
                                         },
                                         &error);
  bar.reset();
  if (!written && !error.isEmpty())
    prompts.MessageDlg(QStringLiteral("The report could not be written to %1: %2").arg(*path, error), TMsgDlgType::mtError,
                       TMsgDlgButtons::OK);
}
