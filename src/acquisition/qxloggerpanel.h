#pragma once
// The main loop: every tick the interface is read, every source brought up to date, and while an
// automatic run is active a sample is taken whenever the interval has passed (on the wall clock,
// so sample times do not drift). Also the sampling mode and the GO / STOP / Sample Now command.

#include <memory>

#include <QObject>
#include <QString>

#include "platform/datetime.h"
#include "results/iresultslogger.h"

class QTimer;
class QWidget;
class TChannelStatusForm;
class TQXDataList;
class TRigConfig;
class TSampleConfig;
class TSensorHistoryForm;
class TResultsPrinter;
class ILoggerHost;
class ISampleTable;

enum Programmed_Sample_States { PSS_Timed = 0, PSS_FreeRun = 1, PSS_Manual = 2, PSS_HighSpeed = 3 };
enum Running_Sample_States { RSS_Active = 0, RSS_Idle = 1, RSS_Manual = 2, RSS_HighSpeed = 3 };

class TQXLoggerPanel : public QObject, public IResultsLogger {
  Q_OBJECT
 public:
  static constexpr const char* StopRunQuestion = "This action will stop the current sample run. Do you wish to continue?";
  static constexpr const char* ConfigStopsRunQuestion =
      "This configuration will stop the current sample run. Is this sample count correct?";

  TQXLoggerPanel(TQXDataList& list, ILoggerHost* host, QObject* owner = nullptr);
  ~TQXLoggerPanel() override;

  // Builds the windows, takes the mode from the rig and starts the tick. `diagram` is the window
  // pictured by Copy.
  void Initialise(ISampleTable* Datatable, TRigConfig& RigSource, QWidget* diagram = nullptr);
  void LogTimerTimer();  // the tick
  // A tick now rather than at the timer's turn (the first reading has arrived); the next one
  // follows a whole interval later. Nothing while the logger is stopped or inside a tick.
  void EarlyTick();
  void SampleNow() override;
  void ConfigureSample();
  // Takes the dialog's choice over (after it closed with OK).
  void ApplySampleConfig();
  bool ClearData();
  void Reset_Sample_Status() override;
  // The results table's view of the logger.
  bool IsSampling() const override { return Current_Sample_State == RSS_Active; }
  void SetSampleTransferCount(int count) override { Sample_Transfer_Count = count; }
  void ResetSampleCounts() override;
  void DoIFDSetup();
  void StopLogger();
  void ResumeLogger();
  bool LoggerActive() const;
  void Copy();
  // The print dialog, then the diagram's picture on the page; a cancelled dialog is noted on the rig.
  void Print();
  TResultsPrinter& Printing();
  bool AtFront() const { return UpdateDisplay; }
  void SetAtFront(bool on);
  void ShowState();

  ILoggerHost* Host() const { return FHost; }
  ISampleTable* Table() const { return FTable; }
  TSampleConfig* SampleConfig() const { return FSampleConfig.get(); }
  TChannelStatusForm* ChannelStatus() const { return FChannelStatus.get(); }
  TSensorHistoryForm* SensorHistory() const { return FSensorHistory.get(); }

  QTimer* LogTimer = nullptr;
  TDateTime Start_Time = 0;
  // When the run last stopped (0 while it runs or has not started): the elapsed time stands still
  // from then until the next GO.
  TDateTime Stopped_At = 0;
  Programmed_Sample_States Programmed_Sample_Mode = PSS_FreeRun;
  int Sample_Interval = 10000;
  int IFD_Read_Interval = 1000;
  int Sampling_Duration = 3600;
  TDateTime Next_Transfer_Time = 0;
  TDateTime Encoded_Sample_Interval = 0;
  int Current_Count = 0;
  int Max_Count = 0;
  bool UpdateDisplay = true;
  bool Processing_Sample_Timer = false;
  int Sample_Transfer_Count = 0;
  Running_Sample_States Current_Sample_State = RSS_Idle;

 private:
  void TakeSample();
  void Tick();
  void ReportTickFault(const QString& what);
  TQXDataList& FList;
  ILoggerHost* FHost;
  ISampleTable* FTable = nullptr;
  TRigConfig* FRig = nullptr;
  QWidget* FDiagram = nullptr;
  std::unique_ptr<TSampleConfig> FSampleConfig;
  std::unique_ptr<TChannelStatusForm> FChannelStatus;
  std::unique_ptr<TSensorHistoryForm> FSensorHistory;
  std::unique_ptr<TResultsPrinter> FPrinting;
  QString FTickFault;  // the fault last reported, until a tick runs clean
};
