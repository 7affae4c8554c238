#pragma once
// The rig configuration: every file name of the rig folder, the general and column sheets, the
// feature switches and per-user values, the channel lists the data-source definitions fill in, and
// the help system. One instance, created at start-up; other parts read its fields directly.

#include <array>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "rigconfig/columnstatus.h"

class TWorkbook;
class TRegistry;
class IRigConfigHost;

enum class TProgramType { ClientApp = 0, ServerApp = 1, StandAloneApp = 2 };
enum class THelpFileTypes { HTML, WINHLP };
enum class TColors { Red, Black, White, Yellow, Blue, Purple };

class TRigConfig {
 public:
  static constexpr int MaxChannelEntries = 41;
  static constexpr int FileNameCut = 60;
  // Titles beginning with one of these model codes are engine rigs.
  static constexpr const char* EngineModelCodes[2] = {"QXE1", "QXE2"};

  // `book1` and `book2` are the main window's hidden workbooks F1Book1 and F1Book2.
  TRigConfig(TWorkbook* book1, TWorkbook* book2, IRigConfigHost* host);
  ~TRigConfig();

  // Loads the rig in the executable's folder (or `folder` when given); shows the target finder
  // when it cannot be loaded; then loads the help system.
  void InitialiseLoop(const QString& folder);
  // Loads the rig whose folder is the folder part of `ATarget`. True when general.vts exists and
  // the column sheet and the registry values were read without error.
  bool Initialise(const QString& ATarget);

  // Help.
  void LoadHelpSystem();
  void ShellHelpContents();
  void ShellStringHelp(const QString& value);
  void RigStringHelp(const QString& value);
  void RigTopicHelp(int number);
  void StringHelp(const QString& AContexStr);
  void ExecuteHint(const QString& hintstring);
  void ExecuteMore(const QString& helpfile, const QString& value);
  int RigHelpStrDisplayCount() const;
  QString RigHelpTopicName(int index) const;
  QString RigHelpTopicValue(const QString& name) const;  // the name itself when unknown
  QString RigContextText(int index) const;               // 0 = general row 6

  // The file a name read from a sheet stands for: relative to the rig folder, "\" as "/", matched
  // without case where the exact name does not exist, cut to 60 characters first.
  QString RigFile(const QString& relative) const;
  // Problems met while loading (sheet, row and column where known): errors, and warnings about
  // things the rig can run without.
  const QStringList& Problems() const { return FProblems; }
  const QStringList& Warnings() const { return FWarnings; }

  // While one of these exists, a sheet cell that cannot serve as a number is recorded in `into`
  // and reads as 0 instead of raising an error, so one pass over a sheet names every bad cell.
  class TCollectCellProblems {
   public:
    explicit TCollectCellProblems(QStringList& into);
    ~TCollectCellProblems();
    TCollectCellProblems(const TCollectCellProblems&) = delete;
    TCollectCellProblems& operator=(const TCollectCellProblems&) = delete;

   private:
    QStringList* FPrevious;
  };

  // Set before Initialise: the per-user values are read but nothing is created or written (the
  // rig check must leave the machine as it found it).
  bool ReadOnly = false;
  // Set before Initialise: the exercise to load (1-based) instead of asking the user.
  int PresetExercise = 0;

  // Published views.
  int Data_Capture_Type() const { return fData_Capture_Type; }
  bool Table_Sample_Count() const { return fTable_Sample_Count; }
  QString Path() const { return PathName; }
  int No_Of_Expt() const { return Expt_Count; }
  QString IFDSCR_File() const { return IFDSrc_Spreadsheet; }
  QString Weight_File() const { return Weight_Spreadsheet; }
  QString Demo_File() const { return Demo_Spreadsheet; }
  int Experiment() const { return Experiment_Index; }
  bool InLectureMode() const { return LectureMode; }
  double ProductVersion() const { return Product_Ver; }
  bool SelectExperiment() const { return Found_Addtional_Expt; }
  QString runtablename() const { return Run_Spreadsheet; }
  QString ShellVersion() const { return Shell_Ver; }
  QString TableTitle() const { return SpreadSheet_title; }
  bool WTG_reqd() const { return Using_WTG; }
  bool IFDChannels_Present() const { return Using_IFD; }
  bool EXPChannels_Present() const { return Using_EXP; }
  QString MimicName() const { return Backdrop; }
  QString PID_File() const { return PID_Spreadsheet; }
  bool RigHelpPresent() const { return DefinedRigHelpFile; }
  QString PathConfigurationIniBase() const { return FPathConfigurationIniBase; }
  QString PathConfigurationXMLBase() const { return FPathConfigurationXMLBase; }
  QString PathConfigurationIni() const { return FPathConfigurationIni; }
  QString PathConfigurationXML() const { return FPathConfigurationXML; }
  THelpFileTypes HelpFileType() const { return FHelpFileType; }
  bool isLogicEngineActive() const { return FLogicEngineActive; }
  bool isVexamode() const { return FisVexamode; }
  bool queryVexaatstartUp() const { return FqueryVexaatstartUp; }
  int rigConfIFDmodeMaster() const;
  int rigConfIFDmodeSlave(bool secondCardPresent) const;

  // Fields (read directly by the rest of the program).
  TWorkbook* VCF1Ctrl1;
  TWorkbook* VCF1Ctrl2;
  QString Shell_Ver = QStringLiteral("X.X.X.X");
  float Product_Ver = 0;
  QString ApplicationTitle;
  QString SpreadSheet_title;
  QString Print_Header;
  int Experiment_Index = 0;
  bool Found_Addtional_Expt = false;
  int Expt_Count_Row = 0;
  int Expt_Count = 0;
  int fData_Capture_Type = 0;
  bool fTable_Sample_Count = false;
  int Duration = 0;
  int LogSampleInterval = 10000;
  int IFDSampleRate = 1000;
  int IFDFilter = 0;
  bool Industrial = false;
  bool DisableUnhideButton = false;
  bool ExitWarning = false;
  TProgramType ProgramType = TProgramType::StandAloneApp;
  bool Using_WTG = false;
  bool IsEngine = false;
  bool Using_Graph = false;
  bool Using_IFD = false;
  bool Using_EXP = false;
  bool UsingSingleEndedChannels = false;
  bool UsingSingleEndedChannelsForSlave = false;
  int Input_Count = 0;
  int Output_Count = 0;
  int Controller_Count = 0;
  int DAC_Count = 0;
  int FreqCount = 0;
  QStringList InputChannelNames;
  std::array<int, MaxChannelEntries> InputChannelNumbers{};
  QStringList OutputChannelNames;
  std::array<int, MaxChannelEntries> OutputChannelNumbers{};
  bool UsingSCADA = false;
  bool ReleaseOffsetMenu = true;
  int MaxSourceColumn = 0;
  std::array<QString, 21> Rig_Context_Texts;
  QStringList FRigHelpStringsSet;  // "name=value"
  bool DefinedRigHelpFile = false;
  QString RigHelpFile;
  QString ShellHelpFile;
  THelpFileTypes FHelpFileType = THelpFileTypes::HTML;
  bool FHelpSysIsRoboHelp8 = false;
  QString HelpWindow;
  bool FLogicEngineActive = false;
  bool FisVexamode = false;
  bool FqueryVexaatstartUp = false;
  bool AutopilotFeature = false;
  bool ScopeFeature = false;
  QString RegistryKey;
  QString RegistryKeyEx;
  QString WordProcessorName;
  QString WordProcessorPath;
  int SampleInterval = 0;
  bool LectureMode = false;
  bool Quitting = false;
  bool PrintCancelled = false;
  std::vector<TColumnStatus> ColumnStatus;

  // Walk-through and question cursors.
  int QARow = 0, WTGRow = 0, WT_Row = 0, WTSRow = 0;
  bool WTGfirst = true, WT_first = true;
  int NumberOfSlides = 0;
  int WTG_FontColor = 0, WTG_BackColor = 0, WTG_FontSize = 0;
  QString WTG_FontName;
  int WTG_FontStyle = 0;

  // Files of the rig folder.
  QString PathName;
  QString HelpFileRoot, WalkThroughRoot;
  QString General_Spreadsheet, Columns_Spreadsheet, WTG_Spreadsheet, QA_Spreadsheet, Run_Spreadsheet,
      DataSrc_Spreadsheet, IFDSrc_Spreadsheet, Weight_Spreadsheet, PID_Spreadsheet, Backdrop, Demo_Spreadsheet;
  QString FPathConfigurationIniBase, FPathConfigurationXMLBase, FPathConfigurationIni, FPathConfigurationXML;

  // The per-user registry opened on RegistryKey; open it with Reg().OpenKey(RegistryKey, true).
  TRegistry& Reg();

  // Number reading of the sheets: a cell holding text that is not a number is an error.
  static double SheetNumber(const TWorkbook& book, int row, int col, const QString& sheet);
  static int SheetInteger(const TWorkbook& book, int row, int col, const QString& sheet);

 private:
  // StringHelp in a given help file.
  void StringHelpIn(const QString& helpFile, const QString& AContexStr);
  void ApplySampling(int duration, int interval);
  void UseDemoFile(const QString& name);
  void DeriveFileNames(const QString& folder);
  void ApplyExerciseFolder();
  void ReadGeneralSheet();
  void ReadExerciseRow(int R);
  void ChooseExercise();
  void BoundExerciseCount(int countRow);
  bool ReadColumnSheet();
  void ReadRegistryValues();
  void ReadFeatureSwitches();
  void AddRigHelpTopic(const QString& v);
  void ShowTargetFinder();
  QString Cut(const QString& text) const { return text.left(FileNameCut); }
  void Problem(const QString& text);
  void Warning(const QString& text);
  // The causes, one a line, to show after a message that a load failed.
  QString Causes(const QStringList& problems) const;

  IRigConfigHost* FHost;
  std::unique_ptr<TRegistry> FReg;
  QStringList FProblems;
  QStringList FWarnings;
};
