#pragma once
// The program-wide services and single instances, reachable from anywhere. Start-up fills them in;
// a test installs its own doubles and restores the previous ones when it ends.

class IClock;
class IHelpViewer;
class IPrompts;
class IProgramLauncher;
class TMessageBus;
class TRigConfig;
class TQXIFD;
class TQXDataList;
class TQXLoggerPanel;
class TTableForm;
class TGraphForm;
class TWorkbook;

class TServices {
 public:
  // Each getter returns the installed service, or a default production one created on first use.
  static IPrompts& Prompts();
  static IClock& Clock();
  static IProgramLauncher& Launcher();
  static TMessageBus& Bus();
  static IHelpViewer& Help();

  // Install a service (not owned; must outlive its use). Passing nullptr restores the default.
  static void SetPrompts(IPrompts* prompts);
  static void SetClock(IClock* clock);
  static void SetLauncher(IProgramLauncher* launcher);
  static void SetBus(TMessageBus* bus);
  static void SetHelp(IHelpViewer* help);

  // The program's single instances, set during window assembly and cleared at shutdown (null when
  // absent: a part that finds one missing does without it).
  static TRigConfig* Rig();
  static void SetRig(TRigConfig* rig);
  static TQXIFD* IFD();
  static void SetIFD(TQXIFD* ifd);
  static TQXDataList* DataList();
  static void SetDataList(TQXDataList* list);
  static TQXLoggerPanel* Logger();
  static void SetLogger(TQXLoggerPanel* logger);
  static TTableForm* Table();
  static void SetTable(TTableForm* table);
  static TGraphForm* Graph();
  static void SetGraph(TGraphForm* graph);
  // The hidden workbook holding the run sheet; its row 2 is the sample row the sources write.
  static TWorkbook* SampleBook();
  static void SetSampleBook(TWorkbook* book);
};
