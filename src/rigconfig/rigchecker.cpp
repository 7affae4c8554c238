#include "rigconfig/rigchecker.h"

#include "teaching/teachingcheck.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "acquisition/calibrationtable.h"
#include "acquisition/sourcefactory.h"
#include "pid/pidsettingssheet.h"
#include "platform/filenames.h"
#include "platform/helpwindow.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/columnformat.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/helprequests.h"
#include "rigconfig/inistore.h"
#include "rigconfig/irigconfighost.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/sourcelinkcheck.h"
#include "scope/scopesettings.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"

namespace {
// Answers every prompt without a window and keeps the lines of its text as problems.
class TReportingPrompts : public IPrompts {
 public:
  explicit TReportingPrompts(QStringList& problems) : FProblems(problems) {}
  TModalResult MessageDlg(const QString& text, TMsgDlgType, TMsgDlgButtons buttons) override {
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) FProblems << line;
    return buttons == TMsgDlgButtons::OK ? TModalResult::mrOk : TModalResult::mrCancel;
  }
  std::optional<QString> OpenFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<QString> SaveFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<int> ChooseItem(const TChoiceRequest& request) override {
    FProblems << request.Text;  // the exercise is preset, so anything asked is a problem
    return std::nullopt;
  }
  std::optional<QString> InputText(const QString&, const QString&, const QString&, bool,
                                   const TTextDialog&) override {
    return std::nullopt;
  }

 private:
  QStringList& FProblems;
};

class TSilentHost : public IRigConfigHost {
 public:
  void SetApplicationTitle(const QString&) override {}
  void EnableLoadNewExperiment() override {}
  void SetSampleStatus(const QString&) override {}
  void SetDuration(int) override {}
  void SetSampleInterval(int) override {}
  void DisableLogCommands() override {}
  void SetAutopilotFeature(bool) override {}
  void SetScopeFeature(bool) override {}
  void CloseSoon() override {}
  void WidenStatusPanel2(int) override {}
};

const char* CaptureTypeName(int type) {
  switch (type) {
    case 0: return "free-running";
    case 1: return "manual";
    case 2: return "high-speed";
    case 3: return "demonstration";
    default: return "?";
  }
}

// Puts the checker's prompt responder in place for one check and restores the previous one.
struct TPromptsScope {
  IPrompts* Previous;
  explicit TPromptsScope(IPrompts* p) : Previous(&TServices::Prompts()) { TServices::SetPrompts(p); }
  ~TPromptsScope() { TServices::SetPrompts(Previous); }
};
}  // namespace

bool TRigChecker::Check(const QString& folder, QTextStream& out) {
  TRigChecker checker(out);
  const bool ok = checker.Run(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
  out.flush();
  return ok;
}

void TRigChecker::Error(const QString& text) {
  const QString t = Short(text);
  if (!FErrors.contains(t)) FErrors << t;  // exercises sharing a file report its faults once
}

void TRigChecker::Warn(const QString& text) {
  const QString t = Short(text);
  if (!FWarnings.contains(t)) FWarnings << t;
}

QString TRigChecker::Short(const QString& path) const {
  QString t = path;
  if (!FPathName.isEmpty()) t.replace(FPathName, QString());
  return t;
}

bool TRigChecker::Run(const QString& folder) {
  int count = 0;
  const bool loaded = CheckExercise(folder, 1, count);
  for (int e = 2; loaded && e <= count; ++e) CheckExercise(folder, e, count);

  if (FErrors.isEmpty()) {
    FOut << "OK: " << FDefinitions << " definitions";
    if (FSkipped) FOut << ", " << FSkipped << " of them not shown by this version";
    FOut << "\n";
  } else {
    FOut << "Errors (" << FErrors.size() << "):\n";
    for (const QString& p : FErrors) FOut << "  " << p << "\n";
  }
  if (!FWarnings.isEmpty()) {
    FOut << "Warnings (" << FWarnings.size() << "):\n";
    for (const QString& p : FWarnings) FOut << "  " << p << "\n";
  }
  return loaded && FErrors.isEmpty();
}

bool TRigChecker::CheckExercise(const QString& folder, int exercise, int& exerciseCount) {
  QStringList problems;
  TReportingPrompts prompts(problems);
  TPromptsScope scope(&prompts);
  TRigConfig::TCollectCellProblems collect(problems);
  TWorkbook book1, book2;
  TSilentHost host;
  TRigConfig rig(&book1, &book2, &host);
  rig.ReadOnly = true;
  rig.PresetExercise = exercise;
  rig.Initialise(folder);
  rig.LoadHelpSystem();
  // A rig whose column sheet or per-user values fail is still checked through, so that one run
  // names every fault; only without a general sheet is there nothing more to load.
  const bool loaded = QFileInfo::exists(rig.General_Spreadsheet);
  FPathName = rig.PathName;
  exerciseCount = rig.Found_Addtional_Expt ? rig.Expt_Count : 0;
  for (const QString& p : rig.Problems()) Error(p);
  for (const QString& p : rig.Warnings()) Warn(p);

  if (exercise == 1) {
    FOut << "Rig folder: " << rig.PathName << "\n";
    FOut << "Title: " << rig.Print_Header << "  (version " << QString::number(rig.Product_Ver, 'f', 2) << ")\n";
    if (rig.Found_Addtional_Expt)
      FOut << "Exercises: " << rig.Expt_Count << "\n";
    else
      FOut << "Exercises: none\n";
  }
  if (rig.Found_Addtional_Expt) FOut << "Exercise " << exercise << ": " << rig.SpreadSheet_title << "\n";
  FOut << "Capture type: " << rig.fData_Capture_Type << " (" << CaptureTypeName(rig.fData_Capture_Type) << ")\n";
  FOut << "Sample interval: " << rig.LogSampleInterval << " ms, interface rate " << rig.IFDSampleRate
       << " ms, filter " << rig.IFDFilter << "\n";
  QStringList plotted;
  for (size_t c = 1; c < rig.ColumnStatus.size(); ++c) {
    const TColumnStatus& s = rig.ColumnStatus[c];
    if (s.plot_on_X_Axis || s.plot_on_Y_Axis)
      plotted << QStringLiteral("%1%2%3").arg(c).arg(s.plot_on_X_Axis ? "X" : "Y").arg(s.DefPlot ? "D" : "");
  }
  FOut << "Columns: " << (rig.ColumnStatus.empty() ? 0 : rig.ColumnStatus.size() - 1) << ", plotted: "
       << (plotted.isEmpty() ? QStringLiteral("none") : plotted.join(QLatin1Char(' '))) << "\n";
  CheckGraphColumns(rig);

  if (loaded) {
    CheckDefinitions(rig);
    CheckRunSheet(rig.Run_Spreadsheet);
    CheckPicture(rig.Backdrop, QStringLiteral("the backdrop"));
    if (rig.fData_Capture_Type == 3 && !FCheckedFiles.contains(rig.Demo_Spreadsheet)) {
      FCheckedFiles << rig.Demo_Spreadsheet;
      try {
        TWorkbook demo;
        for (const QString& note : demo.Read(rig.Demo_Spreadsheet)) Warn(QStringLiteral("%1: %2").arg(rig.Demo_Spreadsheet, note));
      } catch (const std::exception& e) {
        Error(QString::fromUtf8(e.what()));
      }
    }
    CheckHelp(rig);
    if (rig.Using_WTG && !FCheckedFiles.contains(rig.WTG_Spreadsheet + QLatin1Char('|') + rig.QA_Spreadsheet)) {
      FCheckedFiles << rig.WTG_Spreadsheet + QLatin1Char('|') + rig.QA_Spreadsheet;
      QStringList errors, warnings;
      FOut << "Presentation: " << TTeachingCheck::Check(rig, errors, warnings) << "\n";
      for (const QString& e : errors) Error(e);
      for (const QString& w : warnings) Warn(w);
    }
  }
  for (const QString& p : problems) Error(p);
  return loaded;
}

void TRigChecker::CheckDefinitions(TRigConfig& rig) {
  TSilentHost host;
  TDataSource_Definition::ResetDefinitionCount();
  std::vector<std::unique_ptr<TDataSource_Definition>> defs;
  try {
    while (true) {
      auto def = std::make_unique<TDataSource_Definition>(rig, &host);
      const bool end = def->SourceType() == NO_MORE_DATASRC;
      defs.push_back(std::move(def));
      if (end) break;
    }
  } catch (const std::exception& e) {
    Error(QString::fromUtf8(e.what()));
  }
  const bool listed = !FCheckedFiles.contains(rig.DataSrc_Spreadsheet);
  if (listed) FCheckedFiles << rig.DataSrc_Spreadsheet;
  if (listed) FOut << "Definitions (" << Short(rig.DataSrc_Spreadsheet) << "):\n";
  for (const auto& d : defs) {
    if (d->SourceType() == NO_MORE_DATASRC) break;
    const bool built = TSourceFactory::IsBuilt(d->SourceType());
    if (listed) {
      ++FDefinitions;
      if (!built) ++FSkipped;
      FOut << QStringLiteral("  row %1: %2, column %3, channel %4, %5 calibration pairs, \"%6\"%7\n")
                  .arg(d->Row())
                  .arg(QString::fromLatin1(DataSourceTypeName(d->SourceType())))
                  .arg(d->Column())
                  .arg(d->IFD_Channel())
                  .arg(d->MaxRawValueIndex)
                  .arg(d->LongLabelText())
                  .arg(built ? QString() : QStringLiteral(" (not shown by this version)"));
    }
    // The pictures a two-state item draws, as the diagram finds them.
    const bool placed = !(d->MimicLabel_X_Pos() == 0 && d->MimicLabel_Y_Pos() == 0 && d->MimicData_X_Pos() == 0 &&
                          d->MimicData_Y_Pos() == 0);
    const data_Source_types kind = d->SourceType();
    if (placed && (kind == DIGITAL_IN_DATASRC || kind == DIGITAL_OUT_DATASRC || kind == WARNING_DATASRC)) {
      QString picture = d->NoColumnHintText();
      if (picture.isEmpty())
        picture = kind == DIGITAL_OUT_DATASRC ? QStringLiteral("DigOut.bmp") : QStringLiteral("DigIn.bmp");
      CheckPicture(filenames::Resolve(rig.PathName, picture),
                   QStringLiteral("%1: row %2: the picture").arg(rig.DataSrc_Spreadsheet).arg(d->Row()));
    }
    // The animated pictures of the config folder (a sliding cover has two).
    const bool animated = kind == VARIMAGE1_DATASRC || kind == VARIMAGE2_DATASRC || kind == VARIMAGE3_DATASRC ||
                          kind == VARIMAGE4_DATASRC || kind == VARIMAGE5_DATASRC;
    if (placed && animated)
      for (const QString& name : kind == VARIMAGE4_DATASRC ? QStringList{d->LongLabelText(), d->ShortLabelText()}
                                                           : QStringList{d->LongLabelText()})
        CheckPicture(filenames::Resolve(rig.PathName, QStringLiteral("config\\") + name),
                     QStringLiteral("%1: row %2: the picture").arg(rig.DataSrc_Spreadsheet).arg(d->Row()));
    // A stored calibration that turns back converts wrongly between its points.
    if (d->MaxRawValueIndex >= 2) {
      std::vector<std::pair<double, double>> pairs;
      for (int p = 1; p <= d->MaxRawValueIndex; ++p) pairs.emplace_back(d->ProcessedValueAt(p), d->RawValueAt(p));
      if (const std::optional<QString> why = TCalibrationTable::NonMonotonic(pairs))
        Error(QStringLiteral("%1: row %2: channel %3's calibration in %4 is not monotonic: %5")
                  .arg(rig.DataSrc_Spreadsheet).arg(d->Row()).arg(d->IFD_Channel())
                  .arg(Short(rig.IFDSrc_Spreadsheet), *why));
    }
    if (d->SourceType() == IFD_DATASRC && d->MaxRawValueIndex < 2)
      Warn(QStringLiteral("%1: row %2: channel %3 has %4 calibration pairs in %5; its counts are shown unconverted")
               .arg(rig.DataSrc_Spreadsheet).arg(d->Row()).arg(d->IFD_Channel()).arg(d->MaxRawValueIndex)
               .arg(Short(rig.IFDSrc_Spreadsheet)));
  }
  CheckFixedValues(rig, defs);
  CheckTimeFormats(rig, defs);
  CheckCaptures(rig, defs);
  for (const QString& p : TSourceLinkCheck::Problems(rig, defs)) Error(p);
  if (rig.Controller_Count > 0) CheckControllers(rig, defs);
  if (listed)
    FOut << "Inputs: " << rig.Input_Count << ", outputs: " << rig.Output_Count << ", controllers: "
         << rig.Controller_Count << ", second card: " << (rig.Using_EXP ? "yes" : "no") << "\n";
}

namespace {
// The run sheet's first sheet, read when the first definition needs it; false when it cannot be
// read.
bool ReadRunSheetOnce(const TRigConfig& rig, TWorkbook& run, bool& read) {
  if (read) return true;
  try {
    run.Read(rig.Run_Spreadsheet);
  } catch (const std::exception&) {
    return false;
  }
  run.SetSheet(1);
  read = true;
  return true;
}

}  // namespace

// A fixed value shows what the sample row holds in its column; an empty cell there leaves its box
// with nothing but the units, which is an authoring slip rather than a failure.
void TRigChecker::CheckFixedValues(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs) {
  TWorkbook run;
  bool read = false;
  for (const auto& d : defs) {
    if (d->SourceType() != FIXED_DATASRC || d->Column() < 1) continue;
    if (!ReadRunSheetOnce(rig, run, read)) return;  // the run sheet's own check names the fault
    if (run.FormulaRC(2, d->Column()).isEmpty() && run.ValueRC(2, d->Column()).Kind == TValueKind::Empty)
      Warn(QStringLiteral("%1: row %2: the fixed value \"%3\" shows cell %4 of %5, which is empty; its box will show only "
                          "its units")
               .arg(rig.DataSrc_Spreadsheet)
               .arg(d->Row())
               .arg(d->LongLabelText(), a1::CellName(2, d->Column()), Short(rig.Run_Spreadsheet)));
  }
}

void TRigChecker::CheckCaptures(const TRigConfig& rig,
                                 const std::vector<std::unique_ptr<TDataSource_Definition>>& defs) {
  if (rig.ScopeFeature) {
    // The channels as the oscilloscope finds them: a stored input the diagram has no source for
    // reads as none.
    std::vector<TScopeSettings::TSource> analogue, digital;
    for (const auto& d : defs) {
      const QString item = d->LongLabelText() + QLatin1Char('=') + QString::number(d->IFD_Channel());
      if (d->SourceType() == IFD_DATASRC) analogue.push_back({item, d->IFD_Channel()});
      if (d->SourceType() == DIGITAL_IN_DATASRC) digital.push_back({item, d->IFD_Channel()});
    }
    TScopeSettings settings;
    settings.Load(TIniStore(rig.PathConfigurationIni()), analogue, digital);
    QStringList missing;
    if (settings.FAIChannelOne == TScopeSettings::NoChannel) missing << QStringLiteral("\"Channel 1\"");
    if (settings.FAIChannelTwo == TScopeSettings::NoChannel) missing << QStringLiteral("\"Channel 2\"");
    if (!missing.isEmpty())
      Error(QStringLiteral("%1: the oscilloscope is on (section [Scope], feature = on) but %2 names no analogue input "
                           "of the diagram: every GO would be refused its capture")
                .arg(Short(rig.PathConfigurationIni()), missing.join(QStringLiteral(" and "))));
  }
  // A burst fills the run sheet's columns: 2 the sample, 3 the time in seconds, then its two values.
  TWorkbook run;
  bool read = false;
  for (const auto& d : defs) {
    if (d->SourceType() != BURST_DATASRC || d->Column() < 1) continue;
    if (!ReadRunSheetOnce(rig, run, read)) return;  // the run sheet's own check names the fault
    const int patternRow = run.MaxRow() >= 3 ? 3 : 2;
    for (int c : {3, d->Column(), d->Column() + 1}) {
      const QString format = run.NumberFormatRC(patternRow, c);
      if (columnformat::IsClock(format))
        Warn(QStringLiteral("%1: column %2 holds the burst capture's %3 but its number format \"%4\" is a clock: its "
                            "values would show as times of day")
                 .arg(Short(rig.Run_Spreadsheet))
                 .arg(c)
                 .arg(c == 3 ? QStringLiteral("time in seconds") : QStringLiteral("values"), format));
    }
  }
}

// A rig with a graph opens it with the columns marked "YD" against the "XD" (or first "X") column:
// with no "YD" the graph opens empty, titled " against ...".
void TRigChecker::CheckGraphColumns(const TRigConfig& rig) {
  if (!rig.Using_Graph) return;
  bool x = false, y = false, shown = false;
  for (size_t c = 1; c < rig.ColumnStatus.size(); ++c) {
    const TColumnStatus& s = rig.ColumnStatus[c];
    x = x || s.plot_on_X_Axis;
    y = y || s.plot_on_Y_Axis;
    shown = shown || (s.plot_on_Y_Axis && s.DefPlot);
  }
  const QString sheet = Short(rig.Columns_Spreadsheet);
  if (!x) Error(QStringLiteral("%1: the graph has no X column (\"X\" or \"XD\" in column A)").arg(sheet));
  if (!y) Error(QStringLiteral("%1: the graph has no Y column (\"Y\" or \"YD\" in column A)").arg(sheet));
  else if (!shown)
    Error(QStringLiteral("%1: the graph opens empty: no Y column is plotted from the start (\"YD\" in column A)").arg(sheet));
}

// Clock and elapsed times are written as fractions of a day: without a time format in the sample
// row the table shows "0.000347..." cut to the column's width.
void TRigChecker::CheckTimeFormats(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs) {
  TWorkbook run;
  bool read = false;
  for (const auto& d : defs) {
    const data_Source_types kind = d->SourceType();
    if ((kind != TIME_DATASRC && kind != ETIME_DATASRC) || d->Column() < 1) continue;
    if (!ReadRunSheetOnce(rig, run, read)) return;  // the run sheet's own check names the fault
    const QString format = run.NumberFormatRC(2, d->Column());
    const bool time = format.contains(QLatin1Char('h'), Qt::CaseInsensitive) || format.contains(QLatin1Char('s'), Qt::CaseInsensitive);
    if (!time)
      Error(QStringLiteral("%1: cell %2 has no time format (such as \"[h]:mm:ss\") for the %3 of %4, row %5; the table would show a "
                           "fraction of a day")
                .arg(Short(rig.Run_Spreadsheet), a1::CellName(2, d->Column()),
                     kind == TIME_DATASRC ? QStringLiteral("clock time") : QStringLiteral("elapsed time"),
                     Short(rig.DataSrc_Spreadsheet))
                .arg(d->Row()));
  }
}

void TRigChecker::CheckControllers(TRigConfig& rig,
                                   const std::vector<std::unique_ptr<TDataSource_Definition>>& defs) {
  TPIDSettingsSheet sheet(rig.PID_Spreadsheet);
  QString error;
  if (!sheet.Read(&error)) {
    Error(QStringLiteral("the controllers sheet: ") + error);
    return;
  }
  auto has = [&](const std::function<bool(const TDataSource_Definition&)>& match) {
    return std::any_of(defs.begin(), defs.end(), [&](const auto& d) { return match(*d); });
  };
  for (int k = 1; k <= rig.Controller_Count; ++k) {
    const TPIDRow row = sheet.Row(k);
    const QString where = QStringLiteral("%1: row %2").arg(rig.PID_Spreadsheet).arg(k);
    if (!has([&](const TDataSource_Definition& d) {
          return (d.SourceType() == IFD_DATASRC || d.SourceType() == CONDUCTIVITY_DATASRC) &&
                 d.IFD_Channel() == row.MeasuredChannel;
        }))
      Error(QStringLiteral("%1: no analogue input or conductivity source on channel %2 to measure")
                .arg(where)
                .arg(row.MeasuredChannel));
    const bool analogue = row.ControlledChannel < 0;
    if (!has([&](const TDataSource_Definition& d) {
          const data_Source_types t = d.SourceType();
          return d.IFD_Channel() == row.ControlledChannel &&
                 (analogue ? t == ANALOGUE_OUT_DATASRC || t == REMOTE_SETPOINT_DATASRC || t == DAC_DATASRC
                           : t == DIGITAL_OUT_DATASRC);
        }))
      Error(QStringLiteral("%1: no %2 output on channel %3 to control")
                .arg(where, analogue ? QStringLiteral("analogue") : QStringLiteral("digital"))
                .arg(analogue ? -(row.ControlledChannel + 1) : row.ControlledChannel));
    if (!row.DiagramName.isEmpty())
      CheckPicture(filenames::Resolve(rig.PathName, QStringLiteral("config\\") + row.DiagramName),
                   where + QStringLiteral(": the block diagram"));
  }
}

// The run sheet as the results table loads it: readable, and no formula that can never give a value.
void TRigChecker::CheckRunSheet(const QString& path) {
  if (FCheckedFiles.contains(path)) return;
  FCheckedFiles << path;
  TWorkbook run;
  try {
    // Formulas kept with the values saved by another program do not follow the samples.
    for (const QString& note : run.Read(path)) Warn(QStringLiteral("%1: %2").arg(path, note));
  } catch (const std::exception& e) {
    Error(QStringLiteral("the run sheet: ") + QString::fromUtf8(e.what()));
    return;
  }
  run.SetSheet(1);
  run.RecalcAll();
  if (run.LastRow() < 2) Warn(QStringLiteral("%1: the sample row (row 2) is empty").arg(path));
  for (int r = 1; r <= run.LastRow(); ++r)
    for (int c = 1; c <= run.LastCol(); ++c) {
      if (run.FormulaRC(r, c).isEmpty()) continue;
      const TCellValue v = run.ValueRC(r, c);
      if (!v.IsError()) continue;
      QString what;
      switch (v.Err) {
        case TCellError::Circular: what = QStringLiteral("the formula depends on itself"); break;
        case TCellError::Name: what = QStringLiteral("the formula names an unknown function or name"); break;
        case TCellError::Ref: what = QStringLiteral("the formula refers to a sheet or cell that does not exist"); break;
        default: continue;  // #DIV/0! and the like may be right while the sample row is empty
      }
      Error(QStringLiteral("%1: cell %2: %3 (%4 gives %5)")
                .arg(path, a1::CellName(r, c), what, run.FormulaRC(r, c), v.ToText()));
    }
}

void TRigChecker::CheckPicture(const QString& path, const QString& what) {
  if (FCheckedFiles.contains(path)) return;
  FCheckedFiles << path;
  if (!QFileInfo(path).isFile()) {
    Error(QStringLiteral("%1 %2 does not exist").arg(what, path));
    return;
  }
  QImageReader reader(path);
  if (reader.read().isNull()) Error(QStringLiteral("%1 %2 cannot be read: %3").arg(what, path, reader.errorString()));
}

// Help the rig names: its pages folder, its topics and its context numbers. A page that a command,
// button or dialog of this rig opens and that does not exist is an error (the user meets it); the
// rest of the help folder's faults are warnings.
void TRigChecker::CheckHelp(TRigConfig& rig) {
  for (const QString& missing : THelpRequests::Missing(rig)) Error(QStringLiteral("help: ") + missing);
  if (rig.DefinedRigHelpFile && !FCheckedFiles.contains(rig.RigHelpFile)) {
    FCheckedFiles << rig.RigHelpFile;
    const QString folder = THelpWindow::PagesFolder(rig.RigHelpFile);
    if (folder.isEmpty()) {
      Warn(QStringLiteral("%1: row 5, column 1: the help file %2 has no pages folder")
               .arg(rig.General_Spreadsheet, rig.RigHelpFile));
    } else {
      if (THelpWindow::ContentsPage(rig.RigHelpFile).isEmpty())
        Warn(QStringLiteral("%1: no contents page (index.htm)").arg(folder));
      for (int i = 0; i < rig.RigHelpStrDisplayCount(); ++i) {
        const QString name = rig.RigHelpTopicName(i);
        const QString value = rig.RigHelpTopicValue(name);
        if (!value.isEmpty() && THelpWindow::TopicPage(rig.RigHelpFile, value).isEmpty())
          Warn(QStringLiteral("%1: row %2, column 1: the help topic \"%3\" has no page in %4")
                   .arg(rig.General_Spreadsheet).arg(i + 6).arg(value, folder));
      }
      QFile map(filenames::Resolve(folder, QStringLiteral("contexts.txt")));
      if (map.open(QIODevice::ReadOnly | QIODevice::Text)) {
        int line = 0;
        while (!map.atEnd()) {
          ++line;
          const QString text = QString::fromUtf8(map.readLine()).trimmed();
          const int eq = static_cast<int>(text.indexOf(QLatin1Char('=')));
          bool ok = false;
          const int context = eq > 0 ? text.left(eq).trimmed().toInt(&ok) : 0;
          if (text.isEmpty()) continue;
          if (!ok)
            Warn(QStringLiteral("%1: line %2: \"%3\" is not NUMBER=page").arg(map.fileName()).arg(line).arg(text));
          else if (THelpWindow::ContextPage(rig.RigHelpFile, context).isEmpty())
            Warn(QStringLiteral("%1: line %2: context %3 names the missing page %4")
                     .arg(map.fileName()).arg(line).arg(context).arg(text.mid(eq + 1).trimmed()));
        }
      }
    }
  }
  if (!FCheckedFiles.contains(rig.ShellHelpFile)) {
    FCheckedFiles << rig.ShellHelpFile;
    if (THelpWindow::ContentsPage(rig.ShellHelpFile).isEmpty())
      Warn(QStringLiteral("the program's help %1 has no pages folder with a contents page").arg(rig.ShellHelpFile));
  }
}
