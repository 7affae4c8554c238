#include "rigconfig/rigconfig.h"

#include <QCoreApplication>
#include <algorithm>
#include <QDir>
#include <QFileInfo>

#include "platform/filenames.h"
#include "platform/hourglass.h"
#include "platform/ihelpviewer.h"
#include "platform/installeddata.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/configurationfile.h"
#include "rigconfig/exercisedialog.h"
#include "rigconfig/inistore.h"
#include "rigconfig/irigconfighost.h"
#include "rigconfig/registry.h"
#include "rigconfig/settingsnames.h"
#include "rigconfig/targetfinderform.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "rigconfig/helprequests.h"

namespace {
// Pages of the page-based shell help, by help number.
const QString kToolbars = QStringLiteral("Introduction\\Using_the_Toolbars_2.htm");
const QString kIntroduction = QStringLiteral("Introduction\\Copy_of_Introduction.htm");
const QString kSaving = QStringLiteral("Saving_Exporting_Retrieving_and_Clearing_Data\\Saving_and_Exporting_Data.htm");
const QString kRetrieving = QStringLiteral("Saving_Exporting_Retrieving_and_Clearing_Data\\Retrieving_Data.htm");
const QString kClearing = QStringLiteral("Saving_Exporting_Retrieving_and_Clearing_Data\\Clearing_Unwanted_Data.htm");
const QString kCalibration = QStringLiteral("Calibration_and_Configuration_of_the_Equipment\\Sensor_Calibration.htm");

bool BeginsWithDigit(const QString& s) { return !s.isEmpty() && s[0].isDigit(); }
}  // namespace

TRigConfig::TRigConfig(TWorkbook* book1, TWorkbook* book2, IRigConfigHost* host)
    : VCF1Ctrl1(book1), VCF1Ctrl2(book2), FHost(host) {}

TRigConfig::~TRigConfig() = default;

TRegistry& TRigConfig::Reg() {
  if (!FReg) FReg = std::make_unique<TRegistry>();
  return *FReg;
}

// Paths inside the rig folder are named relative to it: the folder is said once, at the top.
void TRigConfig::Problem(const QString& text) {
  QString t = text;
  if (!PathName.isEmpty()) t.replace(PathName, QString());
  FProblems << t;
}

void TRigConfig::Warning(const QString& text) {
  QString t = text;
  if (!PathName.isEmpty()) t.replace(PathName, QString());
  FWarnings << t;
}

QString TRigConfig::Causes(const QStringList& problems) const {
  if (problems.isEmpty()) return {};
  QStringList lines = problems;
  if (!PathName.isEmpty())
    for (QString& l : lines) l.replace(PathName, QString());
  return QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
}

namespace {
QStringList* gCellProblems = nullptr;

// A cell that cannot serve as a number, named by sheet, row and column: raised, or recorded while
// problems are being collected.
double BadCell(const QString& sheet, int row, int col, const QString& what) {
  EWorkbookError error(sheet, QStringLiteral("row %1, column %2").arg(row).arg(col), what);
  if (!gCellProblems) throw error;
  *gCellProblems << error.Message();
  return 0;
}
}  // namespace

TRigConfig::TCollectCellProblems::TCollectCellProblems(QStringList& into) : FPrevious(gCellProblems) {
  gCellProblems = &into;
}

TRigConfig::TCollectCellProblems::~TCollectCellProblems() { gCellProblems = FPrevious; }

double TRigConfig::SheetNumber(const TWorkbook& book, int row, int col, const QString& sheet) {
  const TCellValue value = book.ValueRC(row, col);
  if (value.Kind == TValueKind::Text) {
    const auto n = numbers::ParseTypedNumber(value.Str);
    if (!n) return BadCell(sheet, row, col, QStringLiteral("\"%1\" is not a number").arg(value.Str));
    return *n;
  }
  if (value.Kind == TValueKind::Error)
    return BadCell(sheet, row, col, QStringLiteral("the formula gives %1").arg(value.ToText()));
  return book.NumberRC(row, col);
}

int TRigConfig::SheetInteger(const TWorkbook& book, int row, int col, const QString& sheet) {
  const double v = SheetNumber(book, row, col, sheet);
  const std::int64_t r = numbers::RoundHalfEven(v);
  if (r < INT32_MIN || r > INT32_MAX)
    return static_cast<int>(BadCell(sheet, row, col, QStringLiteral("%1 is out of range").arg(numbers::FloatToStr(v))));
  return static_cast<int>(r);
}

QString TRigConfig::RigFile(const QString& relative) const { return filenames::Resolve(PathName, Cut(relative)); }

void TRigConfig::DeriveFileNames(const QString& folder) {
  PathName = QDir(folder).absolutePath();
  if (!PathName.endsWith(QLatin1Char('/'))) PathName += QLatin1Char('/');
  auto file = [this](const char* rel) { return filenames::Resolve(PathName, QString::fromLatin1(rel)); };
  auto subfolder = [&file](const char* rel) {
    const QString f = file(rel);
    return f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/');
  };
  HelpFileRoot = subfolder("help\\");
  WalkThroughRoot = subfolder("walk\\");
  General_Spreadsheet = file("config\\general.vts");
  Columns_Spreadsheet = file("config\\columns.vts");
  WTG_Spreadsheet = file("config\\wtg.vts");
  QA_Spreadsheet = file("config\\qa.vts");
  Run_Spreadsheet = file("config\\run.vts");
  DataSrc_Spreadsheet = file("config\\datasrc.vts");
  IFDSrc_Spreadsheet = file("config\\ifdsrc.vts");
  Weight_Spreadsheet = file("config\\weight.vts");
  PID_Spreadsheet = file("config\\piddefn.vts");
  Backdrop = file("backdrop.bmp");
  Demo_Spreadsheet = file("config\\demo.vts");
  FPathConfigurationIniBase = file("config\\Configuration.ini");
  FPathConfigurationXMLBase = file("config\\Configuration.xml");
  // Settings are written: an installed or read-only rig's go to the user's copy of the file.
  FPathConfigurationIni = TInstalledData::WritableSettingsFile(FPathConfigurationIniBase);
  FPathConfigurationXML = FPathConfigurationXMLBase;
  RigHelpFile = HelpFileRoot;
}

void TRigConfig::ApplyExerciseFolder() {
  const QString folder = filenames::Resolve(PathName, QStringLiteral("config\\Ex%1").arg(Experiment_Index));
  if (!QFileInfo(folder).isDir()) return;
  FPathConfigurationIni = TInstalledData::WritableSettingsFile(filenames::Resolve(folder, QStringLiteral("Configuration.ini")));
  FPathConfigurationXML = filenames::Resolve(folder, QStringLiteral("Configuration.xml"));
}

void TRigConfig::InitialiseLoop(const QString& folder) {
  const QString target = (folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder) + QStringLiteral("/");
  if (!Initialise(target)) ShowTargetFinder();
  LoadHelpSystem();
}

void TRigConfig::ShowTargetFinder() {
  TChoiceRequest request;
  request.Caption = QStringLiteral("Quorlex Target Finder");
  // The cause follows the message, in the words the rig check uses.
  request.Text = QStringLiteral("No rig could be loaded from %1").arg(QDir::toNativeSeparators(PathName)) +
                 Causes(FProblems);
  request.Items << PathName;
  request.CustomDialog = [this]() -> std::optional<int> {
    TTargetFinderForm form(PathName, FProblems);
    form.exec();
    return std::nullopt;  // the form chooses nothing; start-up goes on with the defaults
  };
  TServices::Prompts().ChooseItem(request);
}

bool TRigConfig::Initialise(const QString& ATarget) {
  FProblems.clear();
  FWarnings.clear();
  const QFileInfo target(ATarget);
  DeriveFileNames(ATarget.endsWith(QLatin1Char('/')) ? ATarget : target.path());
  bool result = false;
  if (QFileInfo::exists(General_Spreadsheet)) {
    ReadGeneralSheet();
    try {
      const bool columns = ReadColumnSheet();
      ReadRegistryValues();
      result = columns;
    } catch (const std::exception& e) {
      Problem(QString::fromUtf8(e.what()));
    }
  } else {
    Problem(QStringLiteral("%1: the general sheet does not exist").arg(General_Spreadsheet));
  }
  ReadFeatureSwitches();
  return result;
}

void TRigConfig::ReadGeneralSheet() {
  TWorkbook& book = *VCF1Ctrl1;
  std::int16_t fileType = 0;
  const QString sheet = General_Spreadsheet;
  QStringList cells;  // every bad cell, not just the first
  try {
    book.Read(General_Spreadsheet, &fileType);
    TCollectCellProblems collect(cells);
    auto num = [&](int r, int c) { return SheetInteger(book, r, c, sheet); };

    // 1. the exercise list marker, rows 1 to 50 of column 1
    for (int r = 1; r <= 50; ++r) {
      if (book.TextRC(r, 1).toUpper() == QLatin1String("EXERCISE ID")) {
        Found_Addtional_Expt = true;
        Expt_Count_Row = r;
        Expt_Count = num(r, 2);
        BoundExerciseCount(r);
        if (Found_Addtional_Expt && FHost) FHost->EnableLoadNewExperiment();
        break;
      }
    }
    // 2. version and title
    Product_Ver = static_cast<float>(SheetNumber(book, 1, 1, sheet));
    SpreadSheet_title = book.TextRC(2, 1);
    Print_Header = SpreadSheet_title;
    ApplicationTitle = SpreadSheet_title;
    if (FHost) FHost->SetApplicationTitle(ApplicationTitle);
    IsEngine = false;
    for (const char* code : EngineModelCodes)
      if (SpreadSheet_title.left(4) == QLatin1String(code)) IsEngine = true;

    // 3. sampling, without an exercise list
    if (!Found_Addtional_Expt) {
      fData_Capture_Type = num(2, 2);
      if (fData_Capture_Type < 0 || fData_Capture_Type > 3) fData_Capture_Type = 0;
      if (fData_Capture_Type == 2 && FHost) FHost->SetSampleStatus(QStringLiteral("Ready - click 'GO' to capture data"));
      fTable_Sample_Count = num(3, 2) != 0;
      ApplySampling(num(2, 3), num(3, 3));
      if (fData_Capture_Type == 3) UseDemoFile(book.TextRC(2, 4));
    }
    // 4. always
    Industrial = num(2, 5) == 1;
    DisableUnhideButton = num(2, 6) == 1;
    IFDSampleRate = num(2, 7);
    if (IFDSampleRate == 0) IFDSampleRate = 1000;
    IFDFilter = num(2, 8);
    ExitWarning = num(2, 9) == 1;
    const QString program = Cut(book.TextRC(2, 10)).toUpper();
    ProgramType = program == QLatin1String("CLIENT")   ? TProgramType::ClientApp
                  : program == QLatin1String("SERVER") ? TProgramType::ServerApp
                                                       : TProgramType::StandAloneApp;
    Using_WTG = Cut(book.TextRC(3, 1)).toUpper() == QLatin1String("Y");

    // 5. rig help file
    const QString helpName = Cut(book.TextRC(5, 1));
    DefinedRigHelpFile = !helpName.isEmpty();
    if (DefinedRigHelpFile) {
      FHelpFileType = QFileInfo(helpName).suffix().toUpper() == QLatin1String("CHM") ? THelpFileTypes::HTML
                                                                                      : THelpFileTypes::WINHLP;
      RigHelpFile = filenames::Resolve(PathName, QStringLiteral("help\\") + helpName);
    }

    // 6. rig help topics, rows 6..26
    const int lastRow = Found_Addtional_Expt ? Expt_Count_Row - 1 : book.MaxRow();
    for (int r = 6; r <= lastRow && r <= 26 && r <= book.MaxRow(); ++r) {
      Rig_Context_Texts[static_cast<size_t>(r - 6)] = book.TextRC(r, 1);
      AddRigHelpTopic(book.TextRC(r, 1));
    }

    // 7. the chosen exercise
    if (Found_Addtional_Expt) {
      ChooseExercise();
      ReadExerciseRow(Expt_Count_Row);
    }
  } catch (const std::exception& e) {
    cells << QString::fromUtf8(e.what());
  }
  if (cells.isEmpty()) return;
  for (const QString& c : cells) Problem(c);
  TServices::Prompts().MessageDlg(
      QStringLiteral("Error reading General spreadsheet (type %1)").arg(fileType) + Causes(cells),
      TMsgDlgType::mtError, TMsgDlgButtons::OK);
}

// The count cell cannot offer more exercises than rows follow it: a count of 20000 over two rows
// offers two, and so does a count of 0 or less.
void TRigConfig::BoundExerciseCount(int countRow) {
  const TWorkbook& book = *VCF1Ctrl1;
  int present = 0;
  while (countRow + present + 1 <= book.LastRow() && !book.TextRC(countRow + present + 1, 1).trimmed().isEmpty())
    ++present;
  const QString where = QStringLiteral("%1: row %2, column 2").arg(General_Spreadsheet).arg(countRow);
  if (present == 0) {
    Problem(where + QStringLiteral(": \"EXERCISE ID\" is followed by no exercise rows; the rig is loaded "
                                   "without an exercise list"));
    Found_Addtional_Expt = false;
    Expt_Count_Row = 0;
    Expt_Count = 0;
    return;
  }
  if (Expt_Count < 1 || Expt_Count > present) {
    Problem(QStringLiteral("%1: the exercise count is %2 but %3 exercise rows follow").arg(where).arg(Expt_Count).arg(present));
    Expt_Count = present;
  } else if (Expt_Count < present) {
    Warning(QStringLiteral("%1: the exercise count is %2 but %3 exercise rows follow; the last %4 are not offered")
                .arg(where).arg(Expt_Count).arg(present).arg(present - Expt_Count));
  }
}

void TRigConfig::ChooseExercise() {
  TWorkbook& book = *VCF1Ctrl1;
  Rig_Context_Texts[20] = book.TextRC(Expt_Count_Row, 2);
  TChoiceRequest request;
  request.Caption = Print_Header;
  request.Text = QString::fromLatin1(TExerciseDialog::ChoiceCaption);
  for (int i = 1; i <= Expt_Count; ++i)
    request.Items << book.TextRC(Expt_Count_Row + i, 1).left(FileNameCut) + book.TextRC(Expt_Count_Row + i, 2);
  request.Default = 0;
  const bool educational = !Industrial && DefinedRigHelpFile;
  request.CustomDialog = [&]() -> std::optional<int> {
    TExerciseDialog dialog(Print_Header, SpreadSheet_title, request.Items, educational);
    QObject::connect(&dialog, &TExerciseDialog::HelpRequested, [this] {
      RigStringHelp(QLatin1String(FHelpFileType == THelpFileTypes::WINHLP ? helptopics::kExercisesWinHelp
                                                                          : helptopics::kExercisesHtml));
    });
    dialog.exec();
    if (dialog.Cancelled()) return std::nullopt;
    return dialog.ItemIndex();
  };
  const std::optional<int> choice =
      PresetExercise > 0    ? std::optional<int>(std::min(PresetExercise, Expt_Count) - 1)
      : request.Items.isEmpty() ? std::optional<int>(0)
                                : TServices::Prompts().ChooseItem(request);
  if (!choice) {
    // Cancel: the program closes shortly; the load goes on with the preselected exercise.
    Quitting = true;
    if (FHost) FHost->CloseSoon();
  } else {
    Quitting = false;
  }
  THourglass busy;
  const int index = choice.value_or(0);
  Experiment_Index = index + 1;
  Expt_Count_Row += Experiment_Index;
  ApplyExerciseFolder();
}

void TRigConfig::ReadExerciseRow(int R) {
  TWorkbook& book = *VCF1Ctrl1;
  const QString sheet = General_Spreadsheet;
  auto num = [&](int r, int c) { return SheetInteger(book, r, c, sheet); };
  SpreadSheet_title = Cut(book.TextRC(2, 1)) + QStringLiteral(": ") + book.TextRC(R, 1);
  fData_Capture_Type = num(R, 3);
  fTable_Sample_Count = num(R, 4) != 0;
  auto replace = [&](int col, QString& field) {
    const QString name = book.TextRC(R, col);
    if (!Cut(name).isEmpty()) field = RigFile(name);
  };
  replace(5, Run_Spreadsheet);
  replace(6, Columns_Spreadsheet);
  replace(7, DataSrc_Spreadsheet);
  replace(8, IFDSrc_Spreadsheet);
  if (fData_Capture_Type == 3) UseDemoFile(book.TextRC(R, 9));
  replace(10, QA_Spreadsheet);
  replace(11, WTG_Spreadsheet);
  replace(12, Backdrop);
  replace(13, PID_Spreadsheet);
  DisableUnhideButton = Cut(book.TextRC(R, 14)).toUpper() == QLatin1String("Y");
  ApplySampling(num(R, 15), num(R, 16));
}

// A timed capture runs 1 to 1999 s, else 2000; an interval of 0 means 10 s.
void TRigConfig::ApplySampling(int duration, int interval) {
  Duration = duration;
  if (fData_Capture_Type == 2 && (Duration < 1 || Duration > 1999)) Duration = 2000;
  if (FHost) FHost->SetDuration(Duration);
  LogSampleInterval = interval == 0 ? 10000 : interval;
}

// A demonstration rig: its results file, when named, and no logging commands.
void TRigConfig::UseDemoFile(const QString& name) {
  if (!Cut(name).isEmpty()) Demo_Spreadsheet = RigFile(name);
  if (FHost) FHost->DisableLogCommands();
}

void TRigConfig::AddRigHelpTopic(const QString& v) {
  QString value = v;
  QString name = v;
  const int slash = static_cast<int>(v.indexOf(QLatin1Char('\\'), 1));
  if (slash > 0) {
    name = v.mid(slash + 1);
    if (!name.endsWith(QStringLiteral(".htm"))) value += QStringLiteral(".htm");
  }
  if (name.endsWith(QStringLiteral(".htm"))) name.chop(4);
  name.replace(QLatin1Char('_'), QLatin1Char(' '));
  FRigHelpStringsSet << name + QLatin1Char('=') + value;
}

// Every row is read, so a bad cell neither hides the ones after it nor leaves part of the columns.
bool TRigConfig::ReadColumnSheet() {
  TWorkbook& book = *VCF1Ctrl1;
  std::int16_t fileType = 0;
  book.Read(Columns_Spreadsheet, &fileType);
  QStringList cells;
  TCollectCellProblems collect(cells);
  Using_Graph = false;
  ColumnStatus.assign(1, TColumnStatus{});
  for (int r = 1; r <= book.LastRow(); ++r) {
    TColumnStatus c;
    c.help_context = book.TextRC(r, 3);
    c.short_text = book.TextRC(r, 4);
    const int q = SheetInteger(book, r, 2, Columns_Spreadsheet);
    c.Question_No = static_cast<std::uint32_t>(q < 0 ? 0 : q);
    const QString plot = book.TextRC(r, 1).toUpper();
    if (plot == QLatin1String("X") || plot == QLatin1String("XD")) c.plot_on_X_Axis = true;
    if (plot == QLatin1String("Y") || plot == QLatin1String("YD")) c.plot_on_Y_Axis = true;
    if (plot == QLatin1String("XD") || plot == QLatin1String("YD")) c.DefPlot = true;
    if (c.plot_on_X_Axis || c.plot_on_Y_Axis) Using_Graph = true;
    ColumnStatus.push_back(c);
  }
  for (const QString& c : cells) Problem(c);
  return cells.isEmpty();
}

void TRigConfig::ReadRegistryValues() {
  using namespace settings::reg;
  RegistryKey = TRegistry::RigKey(ApplicationTitle, Product_Ver);
  RegistryKeyEx = Experiment_Index > 0
                      ? QStringLiteral("Software\\Veltrim\\%1\\Exercise %2").arg(ApplicationTitle).arg(Experiment_Index)
                      : RegistryKey;
  TRegistry& reg = Reg();
  if (ReadOnly) {
    WordProcessorPath.clear();
    WordProcessorName = WordProcessorNameDefault;
    SampleInterval = LogSampleInterval;
    if (reg.OpenKey(RegistryKey, false)) {
      WordProcessorPath = reg.ReadString(WordProcessorLocation);
      if (reg.ValueExists(settings::reg::WordProcessorName)) WordProcessorName = reg.ReadString(settings::reg::WordProcessorName);
      SampleInterval = reg.ReadIntegerDef(settings::reg::SampleInterval, LogSampleInterval);
      reg.CloseKey();
    }
    return;
  }
  if (!reg.OpenKey(RegistryKey, true)) throw ERegistryError("the rig's registry key could not be opened");
  WordProcessorPath = reg.ReadStringOrCreate(WordProcessorLocation, QString());
  WordProcessorName = reg.ReadStringOrCreate(settings::reg::WordProcessorName, WordProcessorNameDefault);
  SampleInterval = reg.ReadIntegerOrCreate(settings::reg::SampleInterval, LogSampleInterval);
  reg.CloseKey();
  if (FHost) FHost->SetSampleInterval(SampleInterval);
}

void TRigConfig::ReadFeatureSwitches() {
  const TConfigurationFile cfg(FPathConfigurationIni);
  AutopilotFeature = cfg.AutopilotFeature();
  ScopeFeature = cfg.ScopeFeature();
  FLogicEngineActive = cfg.LogicEngineFeature();
  FisVexamode = cfg.IsVexaMode();
  FqueryVexaatstartUp = cfg.QueryVexaAtStartup();
  if (!cfg.Store().LoadError().isEmpty()) Problem(cfg.Store().LoadError());
  if (FHost) {
    FHost->SetAutopilotFeature(AutopilotFeature);
    FHost->SetScopeFeature(ScopeFeature);
  }
}

int TRigConfig::rigConfIFDmodeMaster() const { return UsingSingleEndedChannels ? 1 : 2; }

int TRigConfig::rigConfIFDmodeSlave(bool secondCardPresent) const {
  if (!secondCardPresent) return 0;
  return UsingSingleEndedChannelsForSlave ? 1 : 2;
}

// ---- help ----

void TRigConfig::LoadHelpSystem() {
  FHelpSysIsRoboHelp8 = false;
  if (FHelpFileType == THelpFileTypes::HTML) {
    ShellHelpFile = HelpFileRoot + QStringLiteral("qrlx32.chm");
    const TConfigurationFile base(FPathConfigurationIniBase);
    const QString file = base.HelpFileName();
    if (base.HelpSystemPackage() == QLatin1String("robohelp8") && !file.isEmpty()) {
      ShellHelpFile = filenames::Resolve(HelpFileRoot, file);
      FHelpSysIsRoboHelp8 = true;
    }
  } else {
    ShellHelpFile = HelpFileRoot + QStringLiteral("qrlx32.hlp");
  }
}

void TRigConfig::ShellHelpContents() {
  if (FHelpSysIsRoboHelp8)
    TServices::Help().ShowTopic(ShellHelpFile, QStringLiteral("Preliminaries\\Contents.htm"));
  else
    TServices::Help().ShowContext(ShellHelpFile, 1);
}

void TRigConfig::ShellStringHelp(const QString& value) {
  IHelpViewer& help = TServices::Help();
  if (FHelpSysIsRoboHelp8) {
    if (BeginsWithDigit(value)) {
      const auto n = numbers::ParseTypedInteger(value);
      QString page;
      if (n) {
        if (*n == 4) page = kToolbars;
        else if (*n >= 5 && *n <= 9) page = kIntroduction;
        else if (*n == 11) page = kSaving;
        else if (*n == 12) page = kRetrieving;
        else if (*n == 13) page = kClearing;
        else if (*n == 40) page = kCalibration;
      }
      if (!page.isEmpty()) help.ShowTopic(ShellHelpFile, page);
      return;
    }
    const bool known = value == kToolbars || value == kIntroduction || value == kSaving || value == kRetrieving ||
                       value == kClearing;
    help.ShowTopic(ShellHelpFile, known ? value : kIntroduction);
    return;
  }
  if (const auto n = numbers::ParseTypedInteger(value))
    help.ShowContext(ShellHelpFile, static_cast<int>(*n));
  else
    StringHelp(value);
}

void TRigConfig::RigStringHelp(const QString& value) {
  if (!DefinedRigHelpFile) return;
  if (value == QLatin1String("Contents") || value == QLatin1String("&Contents"))
    TServices::Help().ShowContext(RigHelpFile, 1);
  else
    StringHelp(value);
}

void TRigConfig::RigTopicHelp(int number) { TServices::Help().ShowContext(RigHelpFile, number); }

void TRigConfig::StringHelp(const QString& AContexStr) { StringHelpIn(RigHelpFile, AContexStr); }

void TRigConfig::StringHelpIn(const QString& helpFile, const QString& AContexStr) {
  IHelpViewer& help = TServices::Help();
  const auto n = numbers::ParseTypedInteger(AContexStr);
  if (!n) {
    QString s = AContexStr;
    s.remove(QLatin1Char('&'));
    help.ShowTopic(helpFile, RigHelpTopicValue(s));
  } else if (*n != 0) {
    help.ShowContext(helpFile, static_cast<int>(*n));
  } else {
    help.ShowContents(helpFile);
  }
}

void TRigConfig::ExecuteHint(const QString& hintstring) {
  const QString& h = hintstring;
  if (!h.contains(QLatin1Char('>')) && !h.contains(QLatin1Char('.'))) return;
  const int dot = static_cast<int>(h.indexOf(QLatin1Char('.')));
  QString file = dot >= 0 ? h.left(dot) : h;
  const int gt = static_cast<int>(file.indexOf(QLatin1Char('>')));
  if (gt >= 0) file = file.left(gt);
  const QString helpFile = filenames::Resolve(HelpFileRoot, file + QStringLiteral(".chm"));
  const int gtAll = static_cast<int>(h.indexOf(QLatin1Char('>')));
  HelpWindow = gtAll >= 0 ? h.mid(gtAll, (dot > gtAll ? dot : static_cast<int>(h.size())) - gtAll) : QString();
  const QString topic = (dot >= 0 ? h.mid(dot + 1) : QString()) + HelpWindow;
  // The hint names its own help file: the topic is looked up in it.
  StringHelpIn(helpFile, topic);
}

void TRigConfig::ExecuteMore(const QString& helpfile, const QString& value) {
  if (helpfile.compare(ShellHelpFile, Qt::CaseInsensitive) == 0)
    ShellStringHelp(value);
  else if (helpfile.compare(RigHelpFile, Qt::CaseInsensitive) == 0)
    RigStringHelp(value);
}

int TRigConfig::RigHelpStrDisplayCount() const { return static_cast<int>(FRigHelpStringsSet.size()); }

QString TRigConfig::RigHelpTopicName(int index) const {
  if (index < 0 || index >= FRigHelpStringsSet.size()) return {};
  const QString& entry = FRigHelpStringsSet[index];
  return entry.left(entry.indexOf(QLatin1Char('=')));
}

QString TRigConfig::RigHelpTopicValue(const QString& name) const {
  for (int i = static_cast<int>(FRigHelpStringsSet.size()) - 1; i >= 0; --i) {
    const QString& entry = FRigHelpStringsSet[i];
    const int eq = static_cast<int>(entry.indexOf(QLatin1Char('=')));
    if (entry.left(eq) == name) return entry.mid(eq + 1);
  }
  return name;
}

QString TRigConfig::RigContextText(int index) const {
  if (index < 0 || index >= static_cast<int>(Rig_Context_Texts.size())) return {};
  return Rig_Context_Texts[static_cast<size_t>(index)];
}
