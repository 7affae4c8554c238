#include "shell/labrigview.h"

#include <map>

#include "acquisition/qxalarmsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxetimesource.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/qxsamplenumbersource.h"
#include "acquisition/qxsource.h"
#include "acquisition/qxtimesource.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"

namespace {
constexpr int kSampleRow = 2;  // the sample row of the diagram's sample book

QString OneLine(QString text) {
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return text.simplified();
}
}  // namespace

QString TLabRigView::RigTitle() const {
  const TRigConfig* rig = FMaster.Rig();
  return rig ? OneLine(rig->ApplicationTitle) : QString();
}

QString TLabRigView::Exercise() const {
  const TRigConfig* rig = FMaster.Rig();
  if (!rig) return {};
  const QString title = OneLine(rig->SpreadSheet_title);
  if (rig->Experiment_Index <= 0) return title;
  return title.isEmpty() ? QStringLiteral("Exercise %1").arg(rig->Experiment_Index)
                         : QStringLiteral("Exercise %1: %2").arg(rig->Experiment_Index).arg(title);
}

QString TLabRigView::State() const {
  const TQXLoggerPanel* logger = FMaster.Diagram() ? FMaster.Diagram()->Logger() : nullptr;
  if (logger && logger->Current_Sample_State == RSS_HighSpeed) return QStringLiteral("capturing");
  if (logger && logger->Current_Sample_State == RSS_Active) return QStringLiteral("recording");
  return QStringLiteral("idle");
}

std::vector<TLabPayload::TValue> TLabRigView::LiveValues() const {
  std::vector<TLabPayload::TValue> r;
  const TQXDataList* list = FMaster.Diagram() ? FMaster.Diagram()->DataList() : nullptr;
  const TWorkbook& book = const_cast<TMaster&>(FMaster).F1Book3();
  if (!list) return r;
  for (const TQXSource* source : list->Sources()) {
    // A value the diagram shows: a source with a box and a column of the sample row.
    if (!source->Display_Box || source->Source_Column <= 0 || qobject_cast<const TQXAlarmSource*>(source)) continue;
    // The sample's number and times are the run's bookkeeping, not readings of the rig.
    if (qobject_cast<const TQXSampleNumberSource*>(source) || qobject_cast<const TQXTimeSource*>(source) ||
        qobject_cast<const TQXETimeSource*>(source))
      continue;
    TLabPayload::TValue v{OneLine(source->fShort_text.isEmpty() ? source->fLong_text : source->fShort_text),
                          OneLine(source->fUnits_text), std::nullopt};
    const TCellValue cell = book.ValueRC(kSampleRow, source->Source_Column);
    if (cell.Kind == TValueKind::Number) v.Value = cell.Num;
    r.push_back(std::move(v));
  }
  return r;
}

std::vector<ILabRig::TAlarmState> TLabRigView::Alarms() const {
  std::vector<TAlarmState> r;
  const TQXDataList* list = FMaster.Diagram() ? FMaster.Diagram()->DataList() : nullptr;
  if (!list) return r;
  for (const TQXSource* source : list->Sources()) {
    const auto* alarm = qobject_cast<const TQXAlarmSource*>(source);
    if (!alarm) continue;
    // Raised: the condition holds now (the panel shows the alarm), or the alarm was stopped and
    // not yet reset.
    const bool raised = alarm->alarm_wentoff &&
                        (!alarm->re_armed || alarm->Caption().startsWith(alarm->AlarmMessage + QStringLiteral(" (")));
    r.push_back({OneLine(alarm->fShort_text.isEmpty() ? alarm->AlarmMessage : alarm->fShort_text), OneLine(alarm->AlarmMessage),
                 raised});
  }
  return r;
}

int TLabRigView::RunCount() const { return FMaster.Table() ? FMaster.Table()->GetSheetCount() : 0; }

bool TLabRigView::ReadRun(int run, TLabRun& out) const {
  TTableForm* table = FMaster.Table();
  if (!table || run < 1 || run > table->GetSheetCount()) return false;
  const int rows = table->RecordedSamples(run);
  if (rows <= 0) return false;
  const TWorkbook& book = table->ResultsTable->Book();
  const TSheet& sheet = book.SheetAt(run);
  // The columns up to the last one with a title.
  int columns = 0;
  const int titleLength = sheet.RowCount() >= 1 ? sheet.RowLength(1) : 0;
  for (int c = 1; c <= titleLength; ++c)
    if (!table->GetColumnTitleOf(run, c).isEmpty()) columns = c;
  // Units from the sources that record into each column (a capture's columns are its own).
  std::map<int, QString> units;
  const TQXDataList* list = FMaster.Diagram() ? FMaster.Diagram()->DataList() : nullptr;
  if (list && !table->IsCaptureRun(run))
    for (const TQXSource* source : list->Sources())
      if (source->Source_Column > 0 && !source->fUnits_text.isEmpty()) units.emplace(source->Source_Column, OneLine(source->fUnits_text));
  out.Name = table->GetSheetName(run);
  out.Columns.clear();
  for (int c = 1; c <= columns; ++c) out.Columns.push_back({table->GetColumnTitleOf(run, c), units.count(c) ? units[c] : QString()});
  out.Rows.assign(static_cast<size_t>(rows), std::vector<TLabCell>(static_cast<size_t>(columns)));
  for (int r = 0; r < rows; ++r)
    for (int c = 1; c <= columns; ++c) {
      const TCell* cell = sheet.Find(r + 2, c);
      if (!cell) continue;
      const TCellValue v = book.CellValue(sheet, *cell);
      TLabCell& to = out.Rows[static_cast<size_t>(r)][static_cast<size_t>(c - 1)];
      if (v.Kind == TValueKind::Number) to = v.Num;
      else if (v.Kind == TValueKind::Bool) to = v.Num;
      else if (v.Kind == TValueKind::Text && !v.Str.isEmpty()) to = v.Str;
      else if (v.Kind == TValueKind::Error) to = TLabError{TCellValue::ErrorText(v.Err)};
    }
  return true;
}
