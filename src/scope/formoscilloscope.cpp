#include "scope/formoscilloscope.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "acquisition/qxdatalist.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/sensorhistoryform.h"
#include "ifd/legacy/legacyaccess.h"
#include "ifd/qxifd.h"
#include "ifd/serial/hs_data_serialconnector.h"
#include "platform/hourglass.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/scoperun.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "rigconfig/rigconfig.h"
#include "scope/iscopehost.h"
#include "scope/legacyscopecapture.h"
#include "rigconfig/helprequests.h"

namespace {
const char* const kSummaryCaptions[9] = {"Period  [us]", "Samples",      "Duration [ms]",
                                         "Channel One",  "Channel Two",  "Trigger Type",
                                         "Trigger Level", "Pre-Trigger Count", "Post-Trigger Count"};
void Tell(const QString& text, TMsgDlgType kind) { TServices::Prompts().MessageDlg(text, kind, TMsgDlgButtons::OK); }
}  // namespace

TFormOscilloscope::TFormOscilloscope(IScopeHost* host, QWidget* parent)
    : QDialog(parent), FHost(host), FWatch(new QTimer(this)) {
  setWindowTitle(QString::fromLatin1(Caption));
  FWatch->setInterval(200);
  connect(FWatch, &QTimer::timeout, this, &TFormOscilloscope::WatchSerialCapture);
  BuildControls();
  BuildSourceLists();
  if (const TRigConfig* rig = TServices::Rig(); rig && rig->isVexamode()) FScopeCfg.set_vexamode();
  LoadScopeSettings();
}

TFormOscilloscope::~TFormOscilloscope() = default;

// ---------------------------------------------------------------- controls

void TFormOscilloscope::BuildControls() {
  auto* top = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  top->addLayout(grid);

  auto* sampling = new QGroupBox(QStringLiteral("Sampling"), this);
  auto* sf = new QFormLayout(sampling);
  FInterval = new QSpinBox(sampling);
  FInterval->setRange(TScopeSettings::MinInterval, TScopeSettings::MaxInterval);
  sf->addRow(QStringLiteral("Sample Interval  [us]"), FInterval);
  FSamples = new QSpinBox(sampling);
  FSamples->setRange(1, TScopeSettings::MaxSamples);
  sf->addRow(QStringLiteral("Number of Samples"), FSamples);
  FChannel1 = new QComboBox(sampling);
  FChannel2 = new QComboBox(sampling);
  sf->addRow(QStringLiteral("Data Channel One"), FChannel1);
  sf->addRow(QStringLiteral("Data Channel Two"), FChannel2);
  grid->addWidget(sampling, 0, 0);

  auto* trigger = new QGroupBox(QStringLiteral("Trigger"), this);
  auto* tf = new QFormLayout(trigger);
  FModes = new QButtonGroup(this);
  const char* modeCaptions[] = {"Software Trigger", "Hardware Trigger (digital)", "Hardware Trigger (analogue)"};
  for (int m = 0; m < 3; ++m) {
    auto* radio = new QRadioButton(QString::fromLatin1(modeCaptions[m]), trigger);
    FModes->addButton(radio, m);
    tf->addRow(radio);
  }
  FTriggerChannel = new QComboBox(trigger);
  tf->addRow(QStringLiteral("Trigger Channel"), FTriggerChannel);
  FLevel = new QSpinBox(trigger);
  FLevel->setRange(0, TScopeSettings::MaxLevel);
  FVolts = new QLabel(TScopeSettings::VoltText(0), trigger);
  auto* levelRow = new QHBoxLayout;
  levelRow->addWidget(FLevel);
  levelRow->addWidget(FVolts);
  tf->addRow(QStringLiteral("Trigger Level"), levelRow);
  FPreTrigger = new QSpinBox(trigger);
  FPreTrigger->setRange(0, TScopeSettings::MaxPreTrigger);
  tf->addRow(QStringLiteral("Pre-Trigger Count"), FPreTrigger);
  grid->addWidget(trigger, 0, 1);

  auto* summary = new QGroupBox(QStringLiteral("Summary"), this);
  auto* mf = new QFormLayout(summary);
  for (int i = 0; i < 9; ++i) {
    FSummary[i] = new QLabel(summary);
    mf->addRow(QString::fromLatin1(kSummaryCaptions[i]), FSummary[i]);
  }
  grid->addWidget(summary, 1, 0, 1, 2);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
  QPushButton* apply = buttons->addButton(QDialogButtonBox::Apply);
  connect(ok, &QPushButton::clicked, this, &TFormOscilloscope::OKClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
  connect(help, &QPushButton::clicked, this, &TFormOscilloscope::HelpClick);
  connect(apply, &QPushButton::clicked, this, &TFormOscilloscope::ApplyClick);
  top->addWidget(buttons);
  FStatus = new QStatusBar(this);
  FStatus->setSizeGripEnabled(false);
  top->addWidget(FStatus);

  for (QSpinBox* box : {FInterval, FSamples, FPreTrigger})
    connect(box, &QSpinBox::valueChanged, this, &TFormOscilloscope::Edited);
  connect(FLevel, &QSpinBox::valueChanged, this, [this](int value) {
    FVolts->setText(TScopeSettings::VoltText(value));
    Edited();
  });
  for (QComboBox* box : {FChannel1, FChannel2, FTriggerChannel})
    connect(box, &QComboBox::currentIndexChanged, this, &TFormOscilloscope::Edited);
  connect(FModes, &QButtonGroup::idClicked, this, [this](int) {
    EnableTriggerControls();
    Edited();
  });
}

void TFormOscilloscope::BuildSourceLists() {
  FAnalogue.clear();
  FDigital.clear();
  if (const TQXDataList* list = TServices::DataList()) {
    for (const QString& item : list->AnalogueInputChannels()) FAnalogue.push_back({item, TScopeSettings::ChannelOf(item)});
    for (const QString& item : list->DigitalInputChannels()) FDigital.push_back({item, TScopeSettings::ChannelOf(item)});
  }
  const auto fill = [](QComboBox* box, const std::vector<TScopeSettings::TSource>& sources) {
    box->clear();
    box->addItem(QString::fromLatin1(TScopeSettings::NoneItem));
    for (const auto& s : sources) box->addItem(s.Item);
  };
  fill(FChannel1, FAnalogue);
  fill(FChannel2, FAnalogue);
  fill(FTriggerChannel, FDigital);
}

void TFormOscilloscope::SetTriggerMode(TScopeSettings::TTriggerMode mode) {
  if (QAbstractButton* b = FModes->button(mode)) b->setChecked(true);
  EnableTriggerControls();
  Edited();
}

void TFormOscilloscope::EnableTriggerControls() {
  const int mode = FModes->checkedId();
  FPreTrigger->setEnabled(mode == TScopeSettings::Analogue);
  FLevel->setEnabled(mode == TScopeSettings::Analogue);
  FTriggerChannel->setEnabled(mode == TScopeSettings::Digital);
}

void TFormOscilloscope::Edited() {
  if (FLoading) return;
  ControlsToSettings();
  RefreshSummary();
  DataHasChanged = true;
}

void TFormOscilloscope::ControlsToSettings() {
  TScopeSettings& s = FSettings;
  s.FSampleInterval = FInterval->value() - 255;
  s.FNumberOfSamples = FSamples->value();
  s.FPreTriggerCount = FPreTrigger->value();
  s.FTrgLevel = FLevel->value();
  s.FAI1Label = FChannel1->currentText();
  s.FAIChannelOne = TScopeSettings::ChannelOf(s.FAI1Label);
  s.FAI2Label = FChannel2->currentText();
  s.FAIChannelTwo = TScopeSettings::ChannelOf(s.FAI2Label);
  const int trigger = TScopeSettings::ChannelOf(FTriggerChannel->currentText());
  if (trigger != TScopeSettings::NoChannel) {
    s.FtrgValMsk = trigger + 1;
    s.FDITrgLabel = FTriggerChannel->currentText();
  }
  if (FModes->checkedId() >= 0) s.TriggerMode = static_cast<TScopeSettings::TTriggerMode>(FModes->checkedId());
}

void TFormOscilloscope::SettingsToControls() {
  const TScopeSettings& s = FSettings;
  FInterval->setValue(s.IntervalUs());
  FSamples->setValue(s.FNumberOfSamples);
  FPreTrigger->setValue(s.FPreTriggerCount);
  FLevel->setValue(s.FTrgLevel);
  FVolts->setText(TScopeSettings::VoltText(s.FTrgLevel));
  FChannel1->setCurrentText(TScopeSettings::ItemFor(FAnalogue, s.FAIChannelOne));
  FChannel2->setCurrentText(TScopeSettings::ItemFor(FAnalogue, s.FAIChannelTwo));
  FTriggerChannel->setCurrentText(TScopeSettings::ItemFor(FDigital, s.FtrgValMsk - 1));
  if (QAbstractButton* b = FModes->button(s.TriggerMode)) b->setChecked(true);
  EnableTriggerControls();
}

void TFormOscilloscope::RefreshSummary() {
  const TScopeSettings& s = FSettings;
  const QStringList trigger = s.TriggerSummary();
  const QString values[9] = {QString::number(s.IntervalUs()), QString::number(s.FNumberOfSamples),
                             QString::number(s.Duration()), s.FAI1Label, s.FAI2Label,
                             trigger[0], trigger[1], trigger[2], trigger[3]};
  for (int i = 0; i < 9; ++i) FSummary[i]->setText(values[i]);
}

// ---------------------------------------------------------------- settings

std::unique_ptr<TIniStore> TFormOscilloscope::OpenSettingsFile() const {
  const TRigConfig* rig = TServices::Rig();
  if (!rig || rig->PathConfigurationIni().isEmpty()) return nullptr;
  return std::make_unique<TIniStore>(rig->PathConfigurationIni());
}

void TFormOscilloscope::LoadScopeSettings() {
  FLoading = true;
  if (std::unique_ptr<TIniStore> ini = OpenSettingsFile()) FSettings.Load(*ini, FAnalogue, FDigital);
  SettingsToControls();
  FLoading = false;
  ControlsToSettings();
  RefreshScanData();
  RefreshSummary();
  if (FHost) FHost->ChangedScope();
  DataHasChanged = false;
}

void TFormOscilloscope::ApplyClick() {
  if (!DataHasChanged) return;
  if (TServices::Prompts().MessageDlg(QString::fromLatin1(OverwriteQuestion), TMsgDlgType::mtConfirmation,
                                      TMsgDlgButtons::YesNo) != TModalResult::mrYes)
    return;
  RefreshScanData();
  std::unique_ptr<TIniStore> ini = OpenSettingsFile();
  if (!ini) return;
  FSettings.Save(*ini);
  QString error;
  if (!ini->UpdateFile(&error)) {
    Tell(QStringLiteral("The oscilloscope settings could not be saved: ") + error, TMsgDlgType::mtWarning);
    return;
  }
  DataHasChanged = false;
}

void TFormOscilloscope::OKClick() {
  ApplyClick();
  close();
}

void TFormOscilloscope::HelpClick() {
  if (TRigConfig* rig = TServices::Rig()) rig->RigTopicHelp(helptopics::kOscilloscope);
}

void TFormOscilloscope::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous() && !DataHasChanged) LoadScopeSettings();
}

void TFormOscilloscope::RefreshScanData() {
  const TQXIFD* ifd = TServices::IFD();
  FSettings.FillConfig(FScopeCfg, ifd ? ifd->fIFDimMaster : TIFDInputMode::NONE);
  FScopeVCOMcommand = FScopeCfg.ScopeCmd();
  FStatus->showMessage(StatusText());
}

QString TFormOscilloscope::StatusText() const {
  QString text;
  if (FScopeCfg.f_is_vexamode) text = QStringLiteral(" ; Vexa mode - ");
  return text + QStringLiteral(" Cmd: ") + QString::fromLatin1(FScopeVCOMcommand).trimmed();
}

// ---------------------------------------------------------------- capture

bool TFormOscilloscope::SerialPathActive() const {
  const TQXIFD* ifd = TServices::IFD();
  return ifd && ifd->FvComIOActive;
}

bool TFormOscilloscope::LegacyPathReady() const {
  TQXIFD* ifd = TServices::IFD();
  return ifd && ifd->FLegIOActive && ifd->LegacyAccess().CheckIfPortsOpen();
}

QString TFormOscilloscope::CaptureRefusal() const {
  const TScopeSettings& s = FSettings;
  QStringList missing;
  if (s.FAIChannelOne == TScopeSettings::NoChannel) missing << QStringLiteral("\"Data Channel One\"");
  if (s.FAIChannelTwo == TScopeSettings::NoChannel) missing << QStringLiteral("\"Data Channel Two\"");
  if (!missing.isEmpty())
    return QStringLiteral("No capture was taken: the oscilloscope has no %1 set. Choose the input%2 in the "
                          "Oscilloscope window (Tools, Oscilloscope...) and press Apply.")
        .arg(missing.join(QStringLiteral(" and no ")), missing.size() > 1 ? QStringLiteral("s") : QString());
  if (s.TriggerMode == TScopeSettings::Digital && s.FtrgValMsk <= 0)
    return QStringLiteral("No capture was taken: the oscilloscope's digital trigger has no \"Trigger Channel\" set. "
                          "Choose it in the Oscilloscope window (Tools, Oscilloscope...) and press Apply.");
  return {};
}

void TFormOscilloscope::Capture() {
  // A capture still waiting for its card is given up for the new one.
  if (FIsCaptureRunning) AbortScan();
  // Checked here for both card paths: the legacy registers would take "no channel" as an input.
  if (const QString why = CaptureRefusal(); !why.isEmpty()) {
    Tell(why, TMsgDlgType::mtWarning);
    return;
  }
  // A capture becomes a run of its own: one the table cannot hold is not taken.
  if (TTableForm* table = TServices::Table(); table && !table->CheckRoomForRun()) return;
  const bool serial = SerialPathActive();
  if (!serial && !LegacyPathReady()) return;
  StartCapture();
  if (FHost) FHost->ChangedScope();
  if (serial) {
    if (!SerialScan()) EndCapture();
    return;
  }
  LegacyCapture();
}

void TFormOscilloscope::StartCapture() {
  FHourglass = std::make_unique<THourglass>();
  if (TQXIFD* ifd = TServices::IFD()) ifd->GettingBurst = true;
  FIsCaptureRunning = true;
  FCancelling = false;
  FHasCapturedData = false;
  TQXLoggerPanel* logger = TServices::Logger();
  FLoggerWasRunning = logger && logger->LoggerActive();
  if (logger) logger->StopLogger();
  if (logger && logger->SensorHistory()) logger->SensorHistory()->Pause();
}

void TFormOscilloscope::EndCapture() {
  StopWatching();
  FHourglass.reset();
  FIsCaptureRunning = false;
  if (TQXIFD* ifd = TServices::IFD()) {
    ifd->GettingBurst = false;
    if (ifd->FLegIOActive) ifd->OpenPorts();
  }
  // Only a logger that was running before the capture starts again.
  if (TQXLoggerPanel* logger = TServices::Logger(); logger && FLoggerWasRunning) logger->ResumeLogger();
  FLoggerWasRunning = false;
  if (TQXLoggerPanel* logger = TServices::Logger(); logger && logger->SensorHistory()) logger->SensorHistory()->Resume();
  if (FHost) {
    FHost->ChangedScope();
    FHost->ReEnableSampling();
  }
}

bool TFormOscilloscope::SerialScan() {
  RefreshScanData();
  TQXIFD* ifd = TServices::IFD();
  if (!ifd) return false;
  ifd->getScopeScan(&FScopeCfg);
  if (FScopeCfg.ErrorFlag) {
    // Nothing went to the card: without this the capture would wait for an answer forever.
    const bool diff = FScopeVCOMcommand.contains("CMDEX");
    Tell(diff ? QStringLiteral("The capture cannot start: a card in differential mode has inputs 0 to 7 only.")
              : QStringLiteral("The capture cannot start: choose two data channels (and, for a digital trigger, "
                               "the trigger channel) first."),
         TMsgDlgType::mtWarning);
    return false;
  }
  FCaptureStarted = TServices::Clock().TickCountMs();
  FWatch->start();
  return true;
}

void TFormOscilloscope::LegacyCapture() {
  TQXIFD* ifd = TServices::IFD();
  RefreshScanData();
  TLegacyScopeCapture capture(ifd->LegacyAccess(), FSettings);
  const bool scanned = capture.GetScopeScan(&TQXIFD::Pause);
  FErrorScan = capture.ErrorScan();
  FErrorScanMsg = capture.ErrorMessage();
  if (scanned) {
    FErrorMemoryBlock = !capture.ReadCaptureBlocks(FVectorHSSScanCH1, FVectorHSSScanCH2);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (FErrorMemoryBlock) {
      Tell(QStringLiteral("Error: abnormal read memory block occured"), TMsgDlgType::mtWarning);
    } else {
      FHasCapturedData = true;
      if (FHost) FHost->NextResultsScopeReady();
      ToTable();
    }
  } else if (FErrorScan) {
    Tell(FErrorScanMsg, TMsgDlgType::mtWarning);
  }
  EndCapture();
}

void TFormOscilloscope::ToTable() {
  TScopeRun run;
  run.SampleInterval = FSettings.FSampleInterval;
  run.ChannelOne = FSettings.FAIChannelOne;
  run.ChannelTwo = FSettings.FAIChannelTwo;
  run.Ch1 = FVectorHSSScanCH1;
  run.Ch2 = FVectorHSSScanCH2;
  if (TTableForm* table = TServices::Table()) table->GetScopeData(run);
}

void TFormOscilloscope::VComCallBackDataReady(int aNOS) {
  StopWatching();
  THS_data_SerialConnector& hs = THS_data_SerialConnector::Instance();
  const bool cancelled = FCancelling;
  FCancelling = false;
  FHasCapturedData = false;
  if (cancelled && aNOS >= 0) {
    // The user gave the capture up while the card was sending: the line is quiet again now, and
    // what came is dropped.
  } else if (aNOS > 0 && hs.HasValidDataCount()) {
    FSettings.FNumberOfSamples = hs.nosCollected();
    if (hs.BuildData()) {
      FVectorHSSScanCH1.clear();
      FVectorHSSScanCH2.clear();
      for (const QString& v : hs.dataCh1()) FVectorHSSScanCH1.push_back(v.toInt());
      for (const QString& v : hs.dataCh2()) FVectorHSSScanCH2.push_back(v.toInt());
      FHasCapturedData = true;
      if (FHost) FHost->NextResultsScopeReady();
      ToTable();
    } else {
      Tell(hs.ErrorValidationMessage(), TMsgDlgType::mtWarning);
    }
  } else {
    Tell(QStringLiteral("No valid data"), TMsgDlgType::mtInformation);
    if (aNOS < 0) {
      hs.EndCapture();
      if (TQXIFD* ifd = TServices::IFD()) ifd->SetVComLoggingMode();
    }
  }
  EndCapture();
}

void TFormOscilloscope::AbortScan() {
  if (!FIsCaptureRunning) return;
  StopWatching();
  TQXIFD* ifd = TServices::IFD();
  if (ifd && ifd->FvComIOActive) {
    if (ifd->ComPort() && ifd->ComPort()->IsOpen()) {
      VComCallBackDataReady(-1);
      return;
    }
    THS_data_SerialConnector::Instance().EndCapture();
  } else if (ifd) {
    TLegacyScopeCapture(ifd->LegacyAccess(), FSettings).DisarmCapture();
    ifd->ClosePorts();
  }
  EndCapture();
}

void TFormOscilloscope::StopWatching() {
  FWatch->stop();
  if (FProgress) FProgress->deleteLater();
  FProgress = nullptr;
}

void TFormOscilloscope::SerialCaptureFailed(const QString& text) {
  StopWatching();
  THS_data_SerialConnector::Instance().EndCapture();
  if (TQXIFD* ifd = TServices::IFD()) ifd->SetVComLoggingMode();
  FCancelling = false;
  FHasCapturedData = false;
  Tell(text, TMsgDlgType::mtWarning);
  EndCapture();
}

void TFormOscilloscope::WatchSerialCapture() {
  if (!FIsCaptureRunning) return StopWatching();
  THS_data_SerialConnector& hs = THS_data_SerialConnector::Instance();
  const std::int64_t now = TServices::Clock().TickCountMs();
  const bool transferring = hs.LastByteMs >= 0 && !hs.TransferComplete;
  const int target = hs.TargetCount();
  if (transferring && now - hs.LastByteMs > TransferStallMs) {
    const int got = hs.glNPCHARCount() / 4;
    if (FCancelling) {
      // Cancelled and the card has stopped sending: nothing more to wait for.
      VComCallBackDataReady(-1);
      return;
    }
    SerialCaptureFailed(QStringLiteral("The transfer from the card stopped after %1 of %2 samples.\r"
                                       "No data was added to the results table.")
                            .arg(got)
                            .arg(target / 4));
    return;
  }
  if (now - FCaptureStarted < ProgressAfterMs) return;
  if (!FProgress) {
    FProgress = new QProgressDialog(this);
    FProgress->setWindowTitle(QString::fromLatin1(Caption));
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    FProgress->setMinimumDuration(0);
    connect(FProgress, &QProgressDialog::canceled, this, [this] {
      const THS_data_SerialConnector& c = THS_data_SerialConnector::Instance();
      // Mid-transfer the card cannot be stopped: the rest is let through and dropped, so the line
      // is free for the next command; before the transfer the capture is simply given up.
      if (c.LastByteMs >= 0 && !c.TransferComplete) FCancelling = true;
      else AbortScan();
    });
  }
  if (FCancelling) {
    FProgress->setLabelText(QStringLiteral("Cancelling: waiting for the card to finish sending..."));
  } else if (transferring) {
    FProgress->setLabelText(QStringLiteral("Transferring samples from the card..."));
  } else {
    FProgress->setLabelText(QStringLiteral("Waiting for the card to finish the capture..."));
  }
  if (transferring) {
    FProgress->setRange(0, std::max(1, target));
    FProgress->setValue(std::min(hs.glNPCHARCount(), target));
  } else {
    FProgress->setRange(0, 0);
  }
  FProgress->show();
}
