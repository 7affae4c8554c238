// The rig check as a rig author meets it: both example rigs pass; a broken copy is reported fault
// by fault with file, row and column; warnings are kept apart; nothing on disk changes.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include "rigbuilder.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "support/scriptedprompts.h"
#include "workbook/model/workbook.h"

namespace {
const QString kRigs = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/");

// Names, sizes, times and contents of every file under a folder.
QByteArray TreeDigest(const QString& folder) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  for (const QString& f : files) {
    const QFileInfo info(f);
    hash.addData(f.toUtf8());
    hash.addData(QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    QFile file(f);
    if (info.isFile() && file.open(QIODevice::ReadOnly)) hash.addData(file.readAll());
  }
  return hash.result();
}

struct TCheckResult {
  int ExitCode = -1;
  QString Out;
};

// Runs quorlex --check-rig with the per-user settings in `config`.
TCheckResult RunCheck(const QString& rig, const QString& config) {
  QProcess check;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", config);
  check.setProcessEnvironment(env);
  check.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--check-rig", rig});
  if (!check.waitForFinished(60000)) return {};
  return {check.exitCode(), QString::fromUtf8(check.readAllStandardOutput())};
}

void Edit(const QString& path, const QString& from, const QString& to) {
  QByteArray text = TTempFolder::Read(path);
  ASSERT_TRUE(text.contains(from.toUtf8())) << path.toStdString() << ": " << from.toStdString();
  text.replace(from.toUtf8(), to.toUtf8());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(text), text.size());
}
}  // namespace

TEST(RigCheck, EveryShippedRigPassesAndNothingIsWritten) {
  TTempFolder tmp;
  const QString config = tmp.File("config");
  QDir().mkpath(config);
  for (const char* name : {"demo", "airflow", "capture", "plant"}) {
    const QString rig = kRigs + QLatin1String(name);
    const QByteArray before = TreeDigest(rig);
    const TCheckResult r = RunCheck(rig, config);
    EXPECT_EQ(r.ExitCode, 0) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("OK: ")) << r.Out.toStdString();
    EXPECT_FALSE(r.Out.contains("Errors")) << r.Out.toStdString();
    EXPECT_EQ(TreeDigest(rig), before) << name;
  }
  EXPECT_TRUE(QDir(config).isEmpty()) << "the check wrote per-user settings";

  // Every exercise is loaded, with its own sheets.
  const TCheckResult airflow = RunCheck(kRigs + "airflow", config);
  for (const char* line : {"Exercise 2: Airflow Bench: Exercise B", "Capture type: 2 (high-speed)",
                           "Definitions (config/datasrc_hs.vts)", "second card: yes", "Exercise 3: Airflow Bench"})
    EXPECT_TRUE(airflow.Out.contains(line)) << line;
}

TEST(RigCheck, EveryFaultOfABrokenRigIsNamed) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "airflow", "rig");
  const QString cfg = rig + "/config/";
  Edit(cfg + "general.vts", "cell B10 4", "cell B10 20000");                          // exercise count
  Edit(cfg + "columns.vts", "cell B3 0", "cell B3 \"two\"");                         // text in a number cell
  Edit(cfg + "columns_hs.vts", "cell B2 0", "cell B2 \"x\"");                        // a second one elsewhere
  Edit(cfg + "datasrc.vts", "cell C4 1", "cell C4 \"one\"");                         // and in the sources
  Edit(cfg + "run_fan.vts", "=IF(E2>0,SQRT(2*E2/I2),0)", "=IF(E2>0,SQRT(2*E2/J2),0)");  // a cycle
  Edit(cfg + "run_hs.vts", "cell F2 format \"0\" 0", "cell F2 =SUM(1+)");            // unparsable
  Edit(cfg + "run_fan.vts", "cell I2 format \"0.000\" =101325/(287.05*(F2+273.15))", "cell I2 format \"0.000\"");  // a fixed value's cell
  QFile::remove(cfg + "run_traverse.vts");                                           // missing
  QFile::remove(rig + "/DigOut.bmp");                                                // a picture
  QFile::remove(rig + "/help/airflow/Fan_Safety.htm");                               // a help topic
  const QByteArray before = TreeDigest(rig);
  const QString config = tmp.File("config");
  const TCheckResult r = RunCheck(rig, config);
  EXPECT_EQ(r.ExitCode, 1);
  const int errors = static_cast<int>(r.Out.indexOf("Errors ("));
  const int warnings = static_cast<int>(r.Out.indexOf("Warnings ("));
  ASSERT_GT(errors, 0) << r.Out.toStdString();
  ASSERT_GT(warnings, errors) << r.Out.toStdString();
  const QString errorPart = r.Out.mid(errors, warnings - errors);
  const QString warningPart = r.Out.mid(warnings);
  for (const char* e : {"config/general.vts: row 10, column 2: the exercise count is 20000 but 4 exercise rows follow",
                        "config/columns.vts: row 3, column 2: \"two\" is not a number",
                        "config/columns_hs.vts: row 2, column 2: \"x\" is not a number",
                        "config/datasrc.vts: row 4, column 3: \"one\" is not a number",
                        "config/run_fan.vts: cell J2: the formula depends on itself",
                        "config/run_hs.vts", "config/run_traverse.vts",
                        "config/datasrc.vts: row 11: the picture DigOut.bmp does not exist"})
    EXPECT_TRUE(errorPart.contains(e)) << e << "\n" << r.Out.toStdString();
  EXPECT_TRUE(warningPart.contains("the help topic \"Fan_Safety\" has no page")) << r.Out.toStdString();
  EXPECT_TRUE(warningPart.contains("context 20 names the missing page")) << r.Out.toStdString();
  EXPECT_TRUE(warningPart.contains(
      "config/datasrc.vts: row 9: the fixed value \"Air density\" shows cell I2 of config/run_fan.vts, which is empty"))
      << r.Out.toStdString();
  // A topic of the Help menu that opens no page is met by every user: an error.
  EXPECT_TRUE(errorPart.contains("help: Help > Using The Equipment > Fan Safety: the help topic \"Fan_Safety\" is not in"))
      << r.Out.toStdString();
  EXPECT_EQ(TreeDigest(rig), before);
  EXPECT_FALSE(QFileInfo::exists(config));
}

TEST(RigCheck, ControllersNameTheirChannelsAndPicture) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "demo", "rig");
  Edit(rig + "/config/piddefn.vts", "cell A1 0", "cell A1 7");  // no input 7
  Edit(rig + "/config/piddefn.vts", "cell B2 5", "cell B2 9");  // no digital output 9
  QFile::remove(rig + "/config/tic1.bmp");
  const TCheckResult r = RunCheck(rig, tmp.File("config"));
  EXPECT_EQ(r.ExitCode, 1);
  for (const char* e : {"config/piddefn.vts: row 1: no analogue input or conductivity source on channel 7 to measure",
                        "config/piddefn.vts: row 2: no digital output on channel 9 to control",
                        "config/piddefn.vts: row 1: the block diagram"})
    EXPECT_TRUE(r.Out.contains(e)) << e << "\n" << r.Out.toStdString();
  QFile::remove(rig + "/config/piddefn.vts");
  EXPECT_TRUE(RunCheck(rig, tmp.File("config")).Out.contains("the controllers sheet: "));
}

TEST(RigCheck, AConductivityProbeMayBeAControllersMeasuredValue) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "demo", "rig");
  Edit(rig + "/config/datasrc.vts", "cell A4 4", "cell A4 14");  // the tank input becomes a conductivity probe
  Edit(rig + "/config/piddefn.vts", "cell B2 5", "cell B2 9");   // and TIC-2 loses its output
  const TCheckResult r = RunCheck(rig, tmp.File("config"));
  EXPECT_TRUE(r.Out.contains("config/piddefn.vts: row 2: no digital output on channel 9 to control")) << r.Out.toStdString();
  EXPECT_FALSE(r.Out.contains("to measure")) << r.Out.toStdString();
}

TEST(RigCheck, InterlocksAndGatesNameWhatTheRigLacks) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "demo", "rig");
  const QString sources = rig + "/config/datasrc.vts";
  Edit(sources, "cell J35 \"SWITCHOFF,DO7\"", "cell J35 \"SWITCHOFF,DO7,AND,DI5,and,DI1\"");
  Edit(sources, "cell C37 1", "cell C37 9");        // the gate's output
  Edit(sources, "cell J37 \"4\"", "cell J37 \"T1\"");  // and its column
  const TCheckResult r = RunCheck(rig, tmp.File("config"));
  EXPECT_EQ(r.ExitCode, 1);
  for (const char* e : {"config/datasrc.vts: row 35: the condition AND,DI5 observes DI5, which no row of the sheet defines",
                        "config/datasrc.vts: row 35: the condition and,DI1 is not a command and source",
                        "config/datasrc.vts: row 37: the gate needs digital output 9, which no row above it defines",
                        "config/datasrc.vts: row 37: the gate's short label \"T1\" is not the results column"})
    EXPECT_TRUE(r.Out.contains(e)) << e << "\n" << r.Out.toStdString();
  EXPECT_FALSE(r.Out.contains("SWITCHOFF,DO7 ")) << "a condition the rig can meet is not listed";
}

// An exercise with the oscilloscope on needs its channels; a burst's time and values are not clocks.
TEST(RigCheck, AnOscilloscopeWithoutChannelsAndACaptureShownAsAClockAreNamed) {
  TTempFolder tmp;
  const QString demo = tmp.CopyTree(kRigs + "demo", "demo");
  Edit(demo + "/config/Ex2/Configuration.ini", "feature = off", "feature = on");
  Edit(demo + "/config/Configuration.ini", "Channel 2 = -4", "Channel 2 = -12");  // no input 12
  const TCheckResult r = RunCheck(demo, tmp.File("config"));
  EXPECT_EQ(r.ExitCode, 1) << r.Out.toStdString();
  for (const char* e : {"config/Ex2/Configuration.ini: the oscilloscope is on (section [Scope], feature = on) but "
                        "\"Channel 1\" and \"Channel 2\" names no analogue input of the diagram",
                        "config/Configuration.ini: the oscilloscope is on (section [Scope], feature = on) but "
                        "\"Channel 2\" names no analogue input"})
    EXPECT_TRUE(r.Out.contains(e)) << e << "\n" << r.Out.toStdString();

  const QString airflow = tmp.CopyTree(kRigs + "airflow", "airflow");
  Edit(airflow + "/config/Configuration.ini", "feature = off\n\n\n[LOGIC", "feature = on\n\n\n[LOGIC");
  TWorkbook run;
  run.Read(airflow + "/config/run_hs.vts");
  run.SetSheet(1);
  run.SetNumberFormatRC(2, 3, "[h]:mm:ss");
  run.SetNumberFormatRC(3, 3, "[h]:mm:ss");
  run.Write(airflow + "/config/run_hs.vts", TWorkbook::ftNative3);
  const TCheckResult a = RunCheck(airflow, tmp.File("config"));
  EXPECT_EQ(a.ExitCode, 1) << a.Out.toStdString();
  const int warnings = static_cast<int>(a.Out.indexOf("Warnings ("));
  ASSERT_GT(warnings, 0) << a.Out.toStdString();
  EXPECT_TRUE(a.Out.mid(warnings).contains("config/run_hs.vts: column 3 holds the burst capture's time in seconds but its "
                                           "number format \"[h]:mm:ss\" is a clock"))
      << a.Out.toStdString();
  EXPECT_TRUE(a.Out.left(warnings).contains("config/Configuration.ini: the oscilloscope is on")) << a.Out.toStdString();
}

namespace {
struct TExerciseRows : ::testing::Test {
  TTempFolder tmp;
  TRigBuilder rig{tmp};
  TWorkbook book1, book2;
  TRecordingRigHost host;

  void General(TSheetCell count, int rows) {
    std::vector<TSheetRow> sheet{{N(1)}, {S("Rig")}, {}, {}, {}, {}, {S("EXERCISE ID"), count}};
    for (int i = 1; i <= rows; ++i) sheet.push_back({S("Exercise"), S(" - one of them"), N(0)});
    rig.Sheet("config/general.vts", sheet);
    rig.Sheet("config/columns.vts", {{S("X")}});
  }
};
}  // namespace

TEST_F(TExerciseRows, TheCountIsBoundedByTheRowsPresent) {
  for (TSheetCell count : {N(20000), N(0), N(-3)}) {
    General(count, 2);
    TRigConfig config(&book1, &book2, &host);
    TScriptedPrompts prompts;
    prompts.ExpectChoice(1);
    ASSERT_TRUE(config.Initialise(rig.Folder()));
    EXPECT_EQ(config.Expt_Count, 2);
    ASSERT_EQ(prompts.Records().size(), 1u);
    EXPECT_EQ(prompts.Records()[0].Items.size(), 2);
    EXPECT_EQ(config.Experiment_Index, 2);
    EXPECT_TRUE(config.Problems().join("\n").contains("row 7, column 2: the exercise count is"));
  }
  General(N(1), 2);  // fewer offered than written: allowed, but said
  TRigConfig fewer(&book1, &book2, &host);
  fewer.PresetExercise = 1;
  ASSERT_TRUE(fewer.Initialise(rig.Folder()));
  EXPECT_EQ(fewer.Expt_Count, 1);
  EXPECT_TRUE(fewer.Problems().isEmpty());
  EXPECT_EQ(fewer.Warnings().size(), 1);

  General(N(2), 0);  // a marker with nothing under it
  TRigConfig none(&book1, &book2, &host);
  ASSERT_TRUE(none.Initialise(rig.Folder()));
  EXPECT_FALSE(none.Found_Addtional_Expt);
  EXPECT_EQ(none.Experiment_Index, 0);
  EXPECT_FALSE(none.Problems().isEmpty());
}

TEST_F(TExerciseRows, AFailedLoadShowsItsCauseAndKeepsEveryColumn) {
  rig.General(1, "Rig", 0, 0, 0);
  std::vector<TSheetRow> columns;
  for (int r = 1; r <= 14; ++r) columns.push_back({S("Y"), r == 5 ? S("five") : N(0), S("ctx"), S("c")});
  rig.Sheet("config/columns.vts", columns);
  TRigConfig config(&book1, &book2, &host);
  TScriptedPrompts prompts;
  prompts.ExpectChoice(std::nullopt);
  config.InitialiseLoop(rig.Folder());
  ASSERT_EQ(prompts.Records().size(), 1u);
  const QString text = prompts.Records()[0].Text;
  EXPECT_TRUE(text.startsWith("No rig could be loaded")) << text.toStdString();
  EXPECT_TRUE(text.contains("config/columns.vts: row 5, column 2: \"five\" is not a number")) << text.toStdString();
  EXPECT_EQ(config.ColumnStatus.size(), 15u);  // all 14 columns, not the four before the fault

  // A general sheet with two bad cells names both after its message.
  rig.Sheet("config/general.vts", {{S("v1")}, {S("Rig"), N(0), N(0), E, N(0), N(0), S("fast")}});
  TRigConfig general(&book1, &book2, &host);
  prompts.ExpectMessage("Error reading General spreadsheet (type 5)");
  general.Initialise(rig.Folder());
  const QString message = prompts.Records().back().Text;
  EXPECT_TRUE(message.contains("row 1, column 1: \"v1\" is not a number")) << message.toStdString();
  EXPECT_TRUE(message.contains("row 2, column 7: \"fast\" is not a number")) << message.toStdString();
}

TEST(RigCheckReadOnly, PerUserValuesAreReadButNotCreated) {
  TTempFolder tmp;
  TRigBuilder rig(tmp);
  rig.General(1, "Rig", 0, 0, 0);
  rig.Sheet("config/columns.vts", {{S("X")}});
  TWorkbook book1, book2;
  TRecordingRigHost host;
  TRigConfig check(&book1, &book2, &host);
  check.ReadOnly = true;
  ASSERT_TRUE(check.Initialise(rig.Folder()));
  EXPECT_EQ(check.WordProcessorName, "notepad");
  EXPECT_FALSE(check.Reg().KeyExists(check.RegistryKey));
  TRigConfig load(&book1, &book2, &host);
  ASSERT_TRUE(load.Initialise(rig.Folder()));
  EXPECT_TRUE(load.Reg().KeyExists(load.RegistryKey));
}

// A stored calibration may fall as well as rise; one that turns back is reported with its points.
TEST(RigCheck, AStoredCalibrationThatTurnsBackIsNamed) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "demo", "rig");
  Edit(rig + "/config/ifdsrc.vts", "cell F1 100", "cell F1 20");
  Edit(rig + "/config/ifdsrc.vts", "cell B2 0\ncell C2 -5.0\ncell D2 50\ncell E2 0.0\ncell F2 100\ncell G2 5.0",
       "cell B2 100\ncell C2 -5.0\ncell D2 50\ncell E2 0.0\ncell F2 0\ncell G2 5.0");
  const TCheckResult r = RunCheck(rig, tmp.File("config"));
  EXPECT_EQ(r.ExitCode, 1) << r.Out.toStdString();
  EXPECT_TRUE(r.Out.contains("channel 0's calibration in config/ifdsrc.vts is not monotonic: the values rise and then "
                             "fall as the voltage rises: point 1 (-5 V, 0), point 2 (0 V, 50) and point 3 (5 V, 20)"))
      << r.Out.toStdString();
  EXPECT_FALSE(r.Out.contains("channel 1's calibration")) << "a falling sensor is sound";
}

// What a user meets as a help error, an empty graph or an unreadable time is an error of the check:
// a page a command opens that is missing, a graph with nothing plotted from the start, a clock or
// elapsed time shown as a fraction of a day.
TEST(RigCheck, HelpPagesTheProgramOpensAGraphThatOpensEmptyAndTimesWithoutFormatAreErrors) {
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kRigs + "demo", "rig");
  QFile::remove(rig + "/help/qrlx32/Menu_Bar.htm");                // Help > The Menu Bar (shell context 4)
  QFile::remove(rig + "/help/qrlx32/Graph.htm");                   // the help button with the graph in front
  QFile::remove(rig + "/help/heat/Teaching/Nomenclature.htm");     // the Nomenclature button
  QFile::remove(rig + "/help/heat/Graph_Configuration.htm");       // the graph configuration's Help
  Edit(rig + "/config/columns.vts", "\"YD\"", "\"Y\"");
  const TCheckResult r = RunCheck(rig, tmp.File("config"));
  EXPECT_EQ(r.ExitCode, 1) << r.Out.toStdString();
  const QString errorPart = r.Out.mid(r.Out.indexOf("Errors ("), r.Out.indexOf("Warnings (") - r.Out.indexOf("Errors ("));
  for (const char* e : {"help: Help > The Menu Bar: help context 4 is not in the help file",
                        "help: the Help button with the graph in front: help context 8 is not in the help file",
                        "help: the Nomenclature button: the help topic \"Teaching\\Nomenclature.htm\" is not in",
                        "help: the Help of the graph configuration: the help topic \"Graph_Configuration\" is not in",
                        "config/columns.vts: the graph opens empty"})
    EXPECT_TRUE(errorPart.contains(e)) << e << "\n" << r.Out.toStdString();

  const QString plant = tmp.CopyTree(kRigs + "plant", "plant");
  Edit(plant + "/config/run.vts", "cell C2 format \"[h]:mm:ss\"\n", "cell C2 0\n");
  const TCheckResult p = RunCheck(plant, tmp.File("config"));
  EXPECT_EQ(p.ExitCode, 1) << p.Out.toStdString();
  EXPECT_TRUE(p.Out.contains("config/run.vts: cell C2 has no time format")) << p.Out.toStdString();
}
