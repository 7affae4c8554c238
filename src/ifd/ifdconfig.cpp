#include "ifd/ifdconfig.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ifd/iifdconfighost.h"
#include "ifd/legacy/ilegacydriver.h"
#include "ifd/qxifd.h"
#include "ifd/serial/availableports.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/configurationfile.h"
#include "rigconfig/inistore.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"

namespace ini = settings::ini;

namespace {
QSpinBox* Spin(int low, int high, int value, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(low, high);
  spin->setValue(value);
  return spin;
}
}  // namespace

TIFDConfig::TIFDConfig(TQXIFD& ifd, IIFDConfigHost* host, QWidget* parent)
    : QDialog(parent), FIFD(&ifd), FHost(host) {
  setWindowTitle(QStringLiteral("IFD Configuration"));
  setToolTip(QStringLiteral("CTRL + SHFT+ F to force Advanced Setting"));
  BuildControls();
  lblAIsModeMaster->setText(QStringLiteral("NA"));
  lblAIsModeSlave->setText(QStringLiteral("NA"));
  chkbxLock->setChecked(true);
  ActionLockUnLockExecute();
  FIFDConfigurationToolExtended = false;
  FrequencyNumber->setValue(ifd.Interval);
  FilterConstant->setValue(ifd.FilterWeight);
  ActionToggleAllowSelectionTTBExecute();
  ifd.SetConfigDialog(this);
}

TIFDConfig::~TIFDConfig() {
  SaveDialogSettings();
  if (FIFD && FIFD->ConfigDialog() == this) FIFD->SetConfigDialog(nullptr);
}

void TIFDConfig::BuildControls() {
  auto* layout = new QVBoxLayout(this);

  gbSampleParameters = new QGroupBox(QStringLiteral("Sample Parameters"), this);
  auto* sample = new QFormLayout(gbSampleParameters);
  FrequencyNumber = Spin(50, 2000, 500, gbSampleParameters);
  FilterConstant = Spin(1, 255, 1, gbSampleParameters);
  sample->addRow(QStringLiteral("Frequency (msec)"), FrequencyNumber);
  sample->addRow(QStringLiteral("Filter Constant"), FilterConstant);
  layout->addWidget(gbSampleParameters);

  gbInformation = new QGroupBox(QStringLiteral("IFD Information"), this);
  auto* info = new QFormLayout(gbInformation);
  FirmwareIssue = new QLabel(QStringLiteral("No Device"), gbInformation);
  lblVComFirmwareIDmaster = new QLabel(gbInformation);
  lblVComFirmwareIDslave = new QLabel(gbInformation);
  lblVComFirmwareIDmaster->hide();
  lblVComFirmwareIDslave->hide();
  auto* firmware = new QVBoxLayout;
  firmware->addWidget(FirmwareIssue);
  firmware->addWidget(lblVComFirmwareIDmaster);
  firmware->addWidget(lblVComFirmwareIDslave);
  info->addRow(QStringLiteral("Firmware:"), firmware);
  Multiplexing = new QLabel(QStringLiteral("Off"), gbInformation);
  info->addRow(QStringLiteral("Multiplexing:"), Multiplexing);
  lblAIsModeMaster = new QLabel(gbInformation);
  lblAIsModeSlave = new QLabel(gbInformation);
  auto* modes = new QHBoxLayout;
  modes->addWidget(lblAIsModeMaster);
  modes->addWidget(lblAIsModeSlave);
  modes->addStretch();
  info->addRow(QStringLiteral("Analogue Channels:"), modes);
  lblVexaVersion = new QLabel(gbInformation);
  lblVexaProgram = new QLabel(gbInformation);
  info->addRow(QStringLiteral("Vexa Version:"), lblVexaVersion);
  info->addRow(QStringLiteral("Program:"), lblVexaProgram);
  for (QLabel* row : {lblVexaVersion, lblVexaProgram}) info->setRowVisible(row, false);
  layout->addWidget(gbInformation);

  gbTiming = new QGroupBox(QStringLiteral("Thread Timing"), this);
  auto* timing = new QFormLayout(gbTiming);
  spnedtThreadTimeBase = Spin(1, 65535, ini::TbtDefault, gbTiming);
  spEdThreadTBdelta = Spin(0, 100, ini::GuirefDefault, gbTiming);
  timing->addRow(QStringLiteral("Thread Timebase [ms]"), spnedtThreadTimeBase);
  timing->addRow(QStringLiteral("GUI Refresh %"), spEdThreadTBdelta);

  gbOptions = new QGroupBox(QStringLiteral("Options"), this);
  auto* options = new QVBoxLayout(gbOptions);
  chckbxAllowSelectionTimeBase = new QCheckBox(QStringLiteral("Allow the selection of Thread Timebase"), gbOptions);
  options->addWidget(chckbxAllowSelectionTimeBase);

  gbTools = new QGroupBox(QStringLiteral("Tools"), this);
  auto* tools = new QVBoxLayout(gbTools);
  chkbxEnableScope = new QCheckBox(QStringLiteral("Enable the Oscilloscope tool on this exercise"), gbTools);
  chkbxEnableScheduler = new QCheckBox(QStringLiteral("Enable the Scheduling tool on this exercise"), gbTools);
  tools->addWidget(chkbxEnableScope);
  tools->addWidget(chkbxEnableScheduler);

  gbVexa = new QGroupBox(QStringLiteral("Vexa and Inverter Programmer Options"), gbOptions);
  auto* vexa = new QVBoxLayout(gbVexa);
  chkbxLoadInverterPrg = new QCheckBox(QStringLiteral("Show Inverter Query Button"), gbVexa);
  chkbxEnableInverterPrg = new QCheckBox(QStringLiteral("Enable  Inverter Query Button"), gbVexa);
  chkbxIsVexa = new QCheckBox(QStringLiteral("Set Vexa mode"), gbVexa);
  chkbxRetVexadataAuto = new QCheckBox(QStringLiteral("Query the Vexa automatically"), gbVexa);
  for (QCheckBox* box : {chkbxLoadInverterPrg, chkbxEnableInverterPrg, chkbxIsVexa, chkbxRetVexadataAuto})
    vexa->addWidget(box);
  options->addWidget(gbVexa);

  auto* timingAndTools = new QHBoxLayout;
  timingAndTools->addWidget(gbTiming);
  timingAndTools->addWidget(gbTools);
  layout->addLayout(timingAndTools);
  layout->addWidget(gbOptions);

  chkbxLock = new QCheckBox(QStringLiteral("Lock/Unlock Advanced Options"), this);
  layout->addWidget(chkbxLock);
  layout->addStretch();

  FButtons = new QWidget(this);
  auto* buttons = new QHBoxLayout(FButtons);
  buttons->setContentsMargins(0, 0, 0, 0);
  btnAdvanced = new QPushButton(QStringLiteral("Advanced->"), FButtons);
  OKButton = new QPushButton(QStringLiteral("OK"), FButtons);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), FButtons);
  HelpButton = new QPushButton(QStringLiteral("Help"), FButtons);
  btnApply = new QPushButton(QStringLiteral("Apply"), FButtons);
  OKButton->setDefault(true);
  buttons->addWidget(btnAdvanced);
  buttons->addStretch();
  for (QPushButton* button : {OKButton, CancelButton, HelpButton, btnApply}) buttons->addWidget(button);
  layout->addWidget(FButtons);

  // Wide enough for the extended view, so switching views changes only the height.
  setMinimumWidth(layout->sizeHint().width());

  connect(btnAdvanced, &QPushButton::clicked, this, [this] { btnAdvancedClick(); });
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
  connect(btnApply, &QPushButton::clicked, this, [this] { btnApplyClick(); });
  connect(chkbxLock, &QCheckBox::toggled, this, [this] { ActionLockUnLockExecute(); });
  connect(chckbxAllowSelectionTimeBase, &QCheckBox::toggled, this, [this] { ActionToggleAllowSelectionTTBExecute(); });
}

QString TIFDConfig::ModeText(int mode) {
  switch (static_cast<TIFDInputMode>(mode)) {
    case TIFDInputMode::SE: return QStringLiteral("Single Ended");
    case TIFDInputMode::DIFF: return QStringLiteral("Differential");
    case TIFDInputMode::NONE: break;
  }
  return QStringLiteral("NONE");
}

// ---- start-up and saving ----

void TIFDConfig::LoadInitialisationValues() {
  if (!FIFD) return;
  const TRigConfig* rig = FIFD->Rig();
  if (rig && !rig->PathConfigurationIni().isEmpty()) {
    const TConfigurationFile file(rig->PathConfigurationIni());
    const int tbt = file.ThreadTimeBase();
    if (tbt > 1 && tbt < 65535) spnedtThreadTimeBase->setValue(tbt);
    const int guiref = file.GuiRefresh();
    if (guiref > 1 && guiref < 100) spEdThreadTBdelta->setValue(guiref);
    chckbxAllowSelectionTimeBase->setChecked(file.ThreadSelect());
    chkbxEnableScope->setChecked(FHost ? FHost->ScopeEnabled() : rig->ScopeFeature);
    chkbxEnableScheduler->setChecked(FHost ? FHost->SchedulerEnabled() : rig->AutopilotFeature);
    chkbxLoadInverterPrg->setChecked(file.InvPrgShow());
    if (FHost) FHost->Show_Vexa_items(chkbxLoadInverterPrg->isChecked());
    chkbxEnableInverterPrg->setChecked(file.InvPrgEnable());
    if (FHost) FHost->Enable_Vexa_items(chkbxEnableInverterPrg->isChecked());
    chkbxIsVexa->setChecked(rig->isVexamode());
    chkbxRetVexadataAuto->setChecked(rig->queryVexaatstartUp());
    FLoaded = true;
  }
  FIFD->ReadLastPorts();
  btnApplyClick();
  if (FIFD && FIFD->FtryAutoComConnect) FIFD->RequestSilentReconnect(FIFD.data());
}

void TIFDConfig::SaveDialogSettings() {
  if (!FLoaded || !FIFD || !FIFD->Rig()) return;
  TConfigurationFile file(FIFD->Rig()->PathConfigurationIni());
  TIniStore& store = file.Store();
  if (!store.LoadError().isEmpty()) {
    // Writing a file we could not read would throw away everything in it we do not know.
    TServices::Prompts().MessageDlg(QLatin1String(TConfigurationFile::SaveFailedText), TMsgDlgType::mtWarning,
                                    TMsgDlgButtons::OK);
    return;
  }
  int sleep = TAvailablePorts::getDispatcherSleepInterval();
  if (sleep < 0) sleep = FLastAppliedSleep >= 0 ? FLastAppliedSleep : AppliedSleep();
  store.WriteInteger(ini::IFD, ini::Tbt, sleep);
  store.WriteInteger(ini::IFD, ini::Guiref, ini::GuirefDefault);
  store.WriteBool(ini::IFD, ini::Threadsel, chckbxAllowSelectionTimeBase->isChecked());
  file.SetFeature(ini::Scope, chkbxEnableScope->isChecked());
  file.SetFeature(ini::Autopilot, chkbxEnableScheduler->isChecked());
  store.WriteBool(ini::Vexa, ini::IsVexaMode, chkbxIsVexa->isChecked());
  store.WriteBool(ini::Vexa, ini::QueryVexaAtStartup, chkbxRetVexadataAuto->isChecked());
  store.WriteBool(ini::Vexa, ini::InvPrgShow, chkbxLoadInverterPrg->isChecked());
  store.WriteBool(ini::Vexa, ini::InvPrgEnable, chkbxEnableInverterPrg->isChecked());
  file.Save();
}

// ---- showing ----

void TIFDConfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
  FormActivate();
}

void TIFDConfig::FormShow() {
  resize(width(), ShownHeight);
  ShowAdvanced(true);
  if (FIFD && FIFD->FvComIOActive) btnAdvancedClick();
  chkbxLock->setChecked(true);
  ActionLockUnLockExecute();
}

void TIFDConfig::FormActivate() {
  if (!FIFD) return;
  FrequencyNumber->setValue(FIFD->Interval);
  FilterConstant->setValue(FIFD->FilterWeight);
  if (const TRigConfig* rig = FIFD->Rig()) {
    lblAIsModeMaster->setText(ModeText(rig->rigConfIFDmodeMaster()));
    if (rig->Using_EXP) lblAIsModeSlave->setText(ModeText(rig->rigConfIFDmodeSlave(true)));
    lblAIsModeSlave->setVisible(rig->Using_EXP);
  }
  switch (FIFD->MainDevice) {
    case legacy::KindVelUSB: FirmwareIssue->setText(QStringLiteral("Issue 2")); break;
    case legacy::KindDoruzOVA: FirmwareIssue->setText(QStringLiteral("Issue 1")); break;
    default: FirmwareIssue->setText(QStringLiteral("No Device")); break;
  }
  Multiplexing->setText(FIFD->Multiplexing ? QStringLiteral("On") : QStringLiteral("Off"));
}

void TIFDConfig::ShowAdvanced(bool compact) {
  FIFDConfigurationToolExtended = !compact;
  for (QWidget* w : {static_cast<QWidget*>(gbTiming), static_cast<QWidget*>(gbTools), static_cast<QWidget*>(chkbxLock),
                     static_cast<QWidget*>(gbOptions)})
    w->setVisible(FIFDConfigurationToolExtended);
  btnAdvanced->setEnabled(FIFDConfigurationToolExtended);
  int height = gbSampleParameters->sizeHint().height() + gbInformation->sizeHint().height() +
               FButtons->sizeHint().height() + 70;
  if (FIFDConfigurationToolExtended) height += ExtendedExtraHeight;
  layout()->activate();
  setFixedHeight(std::max(height, minimumSizeHint().height()));
}

void TIFDConfig::btnAdvancedClick() {
  ShowAdvanced(FIFDConfigurationToolExtended);
  btnAdvanced->setEnabled(true);
}

void TIFDConfig::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
    btnAdvanced->setEnabled(true);
    return;
  }
  QDialog::keyPressEvent(event);
}

void TIFDConfig::ActionLockUnLockExecute() {
  const bool unlocked = !chkbxLock->isChecked();
  for (QGroupBox* group : {gbOptions, gbTiming, gbTools, gbVexa}) group->setEnabled(unlocked);
}

void TIFDConfig::ActionToggleAllowSelectionTTBExecute() {
  const bool allowed = chckbxAllowSelectionTimeBase->isChecked();
  spnedtThreadTimeBase->setEnabled(allowed);
  spEdThreadTBdelta->setEnabled(allowed);
}

// ---- buttons ----

int TIFDConfig::AppliedSleep() const {
  const int base = spnedtThreadTimeBase->value();
  const int delta = static_cast<int>(numbers::RoundHalfEven(base * (spEdThreadTBdelta->value() - 50) / 100.0));
  return delta >= 1 - base ? base + delta : base;
}

void TIFDConfig::btnApplyClick() {
  if (!FIFD) return;
  const int interval = FrequencyNumber->value();
  bool take = true;
  if (interval < 100)
    take = TServices::Prompts().MessageDlg(QLatin1String(LowIntervalQuestion), TMsgDlgType::mtWarning,
                                           TMsgDlgButtons::YesNo) == TModalResult::mrYes;
  if (take) {
    FIFD->Interval = interval;
    FIFD->FilterWeight = FilterConstant->value();
    FIFD->WriteParameters();
  }
  FIFD->SetFilter();
  const int base = spnedtThreadTimeBase->value();
  TAvailablePorts::SetDispatcherSpeed(base);
  TAvailablePorts::applyDeltaToDispatcherSpeed(
      static_cast<int>(numbers::RoundHalfEven(base * (spEdThreadTBdelta->value() - 50) / 100.0)));
  FLastAppliedSleep = AppliedSleep();
  ActionToggleAllowSelectionTTBExecute();
  if (FHost) FHost->ifdSettingsAppliedNotify();
}

void TIFDConfig::OKButtonClick() {
  btnApplyClick();
  accept();
}

void TIFDConfig::CancelButtonClick() { reject(); }

void TIFDConfig::HelpButtonClick() {
  if (FHost) FHost->ShellHelpContents();
}

// ---- cards ----

void TIFDConfig::ShowCardFirmware(TApdComPortRole role, const QString& text) {
  QLabel* label = role == TApdComPortRole::ms ? lblVComFirmwareIDmaster : lblVComFirmwareIDslave;
  FirmwareIssue->hide();
  label->setText(text);
  label->show();
}

void TIFDConfig::ShowInverterRow(QLabel* label, const QString& text) {
  label->setText(text);
  if (auto* info = qobject_cast<QFormLayout*>(gbInformation->layout())) info->setRowVisible(label, true);
}

void TIFDConfig::ClearCardFirmware(TApdComPortRole role) {
  const bool master = role == TApdComPortRole::ms;
  QLabel* label = master ? lblVComFirmwareIDmaster : lblVComFirmwareIDslave;
  FirmwareIssue->show();
  label->clear();
  label->hide();
  (master ? lblAIsModeMaster : lblAIsModeSlave)->setText(QStringLiteral("NA"));
}
