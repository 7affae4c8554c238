#include "acquisition/qxloggerpanel.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QClipboard>
#include <QTimer>
#include <QWidget>

#include "acquisition/channelstatusform.h"
#include "acquisition/iloggerhost.h"
#include "acquisition/isampletable.h"
#include "acquisition/qxburstsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/sampleconfig.h"
#include "acquisition/sensorhistoryform.h"
#include "ifd/qxifd.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/nowaitzone.h"
#include "platform/services.h"
#include "results/resultsprinter.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"

TQXLoggerPanel::TQXLoggerPanel(TQXDataList& list, ILoggerHost* host, QObject* owner)
    : QObject(owner), FList(list), FHost(host) {
  TServices::SetLogger(this);
}

TQXLoggerPanel::~TQXLoggerPanel() {
  if (TServices::Logger() == this) TServices::SetLogger(nullptr);
}

void TQXLoggerPanel::Initialise(ISampleTable* Datatable, TRigConfig& RigSource, QWidget* diagram) {
  FTable = Datatable;
  FRig = &RigSource;
  FDiagram = diagram;
  FSensorHistory = std::make_unique<TSensorHistoryForm>();
  FSensorHistory->Build(FList);
  FChannelStatus = std::make_unique<TChannelStatusForm>();
  FChannelStatus->Build(FList);
  FSampleConfig = std::make_unique<TSampleConfig>(FHost, RigSource.RegistryKey);
  if (FHost) FHost->SetGaugeCommandsEnabled(FChannelStatus->Channels() > 0);

  switch (RigSource.fData_Capture_Type) {
    case 1:
      Programmed_Sample_Mode = PSS_Manual;
      Current_Sample_State = RSS_Manual;
      break;
    case 2:
      Programmed_Sample_Mode = PSS_HighSpeed;
      Current_Sample_State = RSS_HighSpeed;
      if (FHost) FHost->SetConfigureEnabled(false);
      break;
    case 3:
      // A demonstration table stays as loaded: manual, with the sampling commands off.
      Programmed_Sample_Mode = PSS_Manual;
      Current_Sample_State = RSS_Manual;
      break;
    default:
      Programmed_Sample_Mode = PSS_FreeRun;
      Current_Sample_State = RSS_Idle;
  }
  Sample_Interval = FHost ? FHost->SampleInterval() : RigSource.LogSampleInterval;
  if (Sample_Interval <= 0) Sample_Interval = RigSource.LogSampleInterval;

  IFD_Read_Interval = 1000;
  TRegistry reg;
  if (!RigSource.RegistryKey.isEmpty() && reg.OpenKey(RigSource.RegistryKey, true))
    IFD_Read_Interval = reg.ReadIntegerDef(settings::reg::IFDFrequency, 1000);
  if (IFD_Read_Interval <= 0) IFD_Read_Interval = 1000;
  Sampling_Duration = 3600;
  Start_Time = 0;
  Next_Transfer_Time = TServices::Clock().Now();
  Current_Count = Max_Count = Sample_Transfer_Count = 0;
  ShowState();
  UpdateDisplay = true;

  LogTimer = new QTimer(this);
  LogTimer->setInterval(IFD_Read_Interval);
  connect(LogTimer, &QTimer::timeout, this, &TQXLoggerPanel::LogTimerTimer);
  LogTimer->start();
  // The first live values show as soon as they are there, not one interval after start-up: a
  // first tick at once (the driver path reads within it), and on the serial path one when a
  // card's first answer arrives (its readings come after the requests of a tick).
  QTimer::singleShot(0, this, &TQXLoggerPanel::EarlyTick);
  if (TQXIFD* ifd = TServices::IFD())
    connect(ifd, &TQXIFD::FirstReadingArrived, this, &TQXLoggerPanel::EarlyTick, Qt::QueuedConnection);
  if (FHost) {
    FHost->SetSampleMode(Current_Sample_State);
    FHost->UpdateStatusBar();
  }
}

void TQXLoggerPanel::TakeSample() {
  const int n = ++Sample_Transfer_Count;
  try {
    FList.TakeSample(n);
  } catch (...) {
    // The sample did not land: the next one takes its row, so the run keeps no gap. (A table that
    // started a new run has set the count itself.)
    if (Sample_Transfer_Count == n) --Sample_Transfer_Count;
    throw;
  }
  if (FTable && FRig && FRig->Using_Graph) FTable->DataChanged(Sample_Transfer_Count);
}

void TQXLoggerPanel::LogTimerTimer() {
  if (Processing_Sample_Timer) return;  // a tick never runs inside another
  Processing_Sample_Timer = true;
  // A fault below the tick must not end the program or the session: what was recorded stays in
  // the table, the user hears of it once the tick is over, and the next tick tries again.
  {
    const TNoWaitZone zone("the sampling tick");
    try {
      Tick();
      FTickFault.clear();
    } catch (const std::exception& e) {
      ReportTickFault(QString::fromUtf8(e.what()));
    } catch (...) {
      ReportTickFault(QStringLiteral("an unknown error"));
    }
  }
  Processing_Sample_Timer = false;
}

void TQXLoggerPanel::EarlyTick() {
  if (!LogTimer || !LogTimer->isActive() || Processing_Sample_Timer) return;
  LogTimerTimer();
  LogTimer->start();
}

void TQXLoggerPanel::Tick() {
  if (FRig && FRig->ProgramType != TProgramType::ClientApp && FRig->Using_IFD && TServices::IFD())
    TServices::IFD()->SampleNow();
  // A stopped run's elapsed time is the time it stopped at: the start moves on with the clock.
  const TDateTime now = TServices::Clock().Now();
  const bool stopped = Current_Sample_State != RSS_Active && Stopped_At != 0 && Start_Time != 0;
  FList.Update_All_Sources(UpdateDisplay, Sample_Transfer_Count, stopped ? Start_Time + (now - Stopped_At) : Start_Time);
  if (Current_Sample_State == RSS_Active && now >= Next_Transfer_Time) {
    TakeSample();
    Next_Transfer_Time += Encoded_Sample_Interval;  // whole intervals from the start: no drift
    ++Current_Count;
    // The run goes on at the next GO on this sheet, so it keeps its start time: elapsed times
    // stay measured from the run's first sample.
    if (Programmed_Sample_Mode == PSS_Timed && Current_Count >= Max_Count) {
      Current_Sample_State = RSS_Idle;
      Stopped_At = now;
      ShowState();
    }
  }
  if (FChannelStatus && FChannelStatus->isVisible()) FChannelStatus->Refresh(FList);
}

// Told once per fault, not once a tick while it lasts.
void TQXLoggerPanel::ReportTickFault(const QString& what) {
  if (what == FTickFault) return;
  FTickFault = what;
  const QString text = QStringLiteral("Reading or recording a sample failed: %1. The samples recorded so far are kept; "
                                      "sampling goes on.")
                           .arg(what);
  QTimer::singleShot(0, this, [text] { TServices::Prompts().MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::OK); });
}

void TQXLoggerPanel::SampleNow() {
  const TDateTime now = TServices::Clock().Now();
  switch (Current_Sample_State) {
    case RSS_Active:
      Current_Sample_State = RSS_Idle;
      Stopped_At = now;
      break;
    case RSS_Idle: {
      Stopped_At = 0;
      // A run continued without a known start (a full table opened from a file) starts its clock now.
      if (Sample_Transfer_Count == 0 || Start_Time == 0) Start_Time = now;
      Next_Transfer_Time = now;
      const int i = Sample_Interval;
      Encoded_Sample_Interval = datetime::EncodeTime(i / 3600000, i / 60000 % 60, i / 1000 % 60, i % 1000);
      Max_Count = Sampling_Duration * 1000 / Sample_Interval + 1;
      Current_Count = 0;
      Current_Sample_State = RSS_Active;
      break;
    }
    case RSS_Manual:
      if (FRig && FRig->fTable_Sample_Count && FHost) {
        FHost->SetSampleNowEnabled(false);
        FHost->SetNextResultsEnabled(true);
      }
      if (Sample_Transfer_Count == 0 || Start_Time == 0) Start_Time = now;
      {
        const TNoWaitZone zone("the sampling tick");
        FList.Update_All_Sources(UpdateDisplay, Sample_Transfer_Count, Start_Time);
        TakeSample();
      }
      if (FRig && FRig->fTable_Sample_Count && FRig->Using_Graph && FTable) FTable->RedrawGraph();
      break;
    case RSS_HighSpeed:
      for (TQXSource* source : FList.Sources())
        if (auto* burst = qobject_cast<TQXBurstSource*>(source)) burst->Start(*this);
      // The run then waits for Next Results.
      if (FHost) {
        FHost->SetSampleNowEnabled(false);
        FHost->SetNextResultsEnabled(true);
      }
      break;
  }
  ShowState();
}

void TQXLoggerPanel::ShowState() {
  if (!FHost) return;
  QString caption, status;
  int image = ILoggerHost::ImageGo;
  switch (Current_Sample_State) {
    case RSS_Active:
      caption = QStringLiteral("Stop Sample");
      image = ILoggerHost::ImageStop;
      status = QStringLiteral("Sampling - click 'STOP' to end the current run");
      break;
    case RSS_Idle:
      caption = QStringLiteral("Start Sample");
      status = QStringLiteral("Stopped - click 'GO' to begin recording data");
      break;
    case RSS_Manual:
      caption = QStringLiteral("Sample Now");
      status = FHost->SampleNowEnabled() ? QStringLiteral("Click 'GO' to record data")
                                         : QStringLiteral("Click the New Sheet button to start a new page");
      break;
    case RSS_HighSpeed:
      caption = QStringLiteral("Sample Now");
      status = FHost->SampleNowEnabled() ? QStringLiteral("Click 'GO' to capture data")
                                         : QStringLiteral("Click the New Sheet button to start a new page");
      break;
  }
  FHost->SetSampleButton(caption, image);
  FHost->SetSampleStatus(status);
  FHost->UpdateStatusBar();
}

void TQXLoggerPanel::ConfigureSample() {
  if (!FSampleConfig) return;
  TSampleConfig& dlg = *FSampleConfig;
  dlg.FManual_Sample = Programmed_Sample_Mode == PSS_Manual;
  if (!dlg.FManual_Sample) dlg.FFreeRun_Mode = Programmed_Sample_Mode == PSS_FreeRun;
  dlg.FInterval = Sample_Interval;
  dlg.FDuration = Sampling_Duration;
  dlg.Load();
  TChoiceRequest request;
  request.Caption = dlg.windowTitle();
  request.Text = QStringLiteral("Sample Configuration");
  request.Items << QStringLiteral("OK") << QStringLiteral("Cancel");
  request.CustomDialog = [&dlg]() -> std::optional<int> {
    return dlg.exec() == QDialog::Accepted ? std::optional<int>(0) : std::nullopt;
  };
  if (TServices::Prompts().ChooseItem(request) != 0) return;
  ApplySampleConfig();
}

void TQXLoggerPanel::ApplySampleConfig() {
  const TSampleConfig& dlg = *FSampleConfig;
  if (Current_Sample_State == RSS_Active && dlg.FManual_Sample &&
      TServices::Prompts().MessageDlg(QString::fromLatin1(ConfigStopsRunQuestion), TMsgDlgType::mtInformation,
                                      TMsgDlgButtons::YesNo) != TModalResult::mrYes)
    return;
  if (dlg.FManual_Sample) {
    Programmed_Sample_Mode = PSS_Manual;
    Current_Sample_State = RSS_Manual;
    Stopped_At = 0;  // manual samples go on counting from the run's start
  } else {
    Programmed_Sample_Mode = dlg.FFreeRun_Mode ? PSS_FreeRun : PSS_Timed;
    if (Current_Sample_State == RSS_Manual) Current_Sample_State = RSS_Idle;
  }
  Sample_Interval = dlg.FInterval;
  Sampling_Duration = dlg.FDuration;
  ShowState();
  if (FHost) {
    FHost->SetSampleMode(Current_Sample_State);
    FHost->UpdateStatusBar();
  }
}

bool TQXLoggerPanel::ClearData() {
  bool stopped = false;
  if (Current_Sample_State == RSS_Active &&
      TServices::Prompts().MessageDlg(QString::fromLatin1(StopRunQuestion), TMsgDlgType::mtWarning,
                                      TMsgDlgButtons::YesNo) == TModalResult::mrYes) {
    Current_Sample_State = RSS_Idle;
    Stopped_At = TServices::Clock().Now();
    stopped = true;
  }
  if (Current_Sample_State == RSS_Idle || Current_Sample_State == RSS_Manual) {
    Reset_Sample_Status();
    return true;
  }
  return stopped;
}

void TQXLoggerPanel::Reset_Sample_Status() {
  Sample_Transfer_Count = 0;
  FList.Update_All_Sources(UpdateDisplay, 0, 0);
}

void TQXLoggerPanel::DoIFDSetup() {
  if (!FRig || !FRig->Using_IFD || !TServices::IFD()) return;
  IFD_Read_Interval = TServices::IFD()->Configure(IFD_Read_Interval);
  if (LogTimer) LogTimer->setInterval(IFD_Read_Interval);
}

void TQXLoggerPanel::StopLogger() {
  if (LogTimer) LogTimer->stop();
}

void TQXLoggerPanel::ResumeLogger() {
  if (LogTimer) LogTimer->start();
}

bool TQXLoggerPanel::LoggerActive() const { return LogTimer && LogTimer->isActive(); }

void TQXLoggerPanel::SetAtFront(bool on) {
  UpdateDisplay = on;
  FList.Update_All_Sources(UpdateDisplay, Sample_Transfer_Count, Start_Time);
}

void TQXLoggerPanel::Copy() {
  if (FDiagram) QApplication::clipboard()->setPixmap(FDiagram->grab());
}

void TQXLoggerPanel::ResetSampleCounts() {
  Sample_Transfer_Count = 0;
  Current_Count = 0;
  Start_Time = 0;
}

TResultsPrinter& TQXLoggerPanel::Printing() {
  if (!FPrinting) FPrinting = std::make_unique<TResultsPrinter>(FDiagram);
  return *FPrinting;
}

void TQXLoggerPanel::Print() {
  if (!FDiagram) return;
  TResultsPrinter& printing = Printing();
  if (!printing.ChoosePrinter()) {
    if (FRig) FRig->PrintCancelled = true;
    return;
  }
  printing.PrintPicture(FDiagram->grab());
}
