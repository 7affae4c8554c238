#include "pid/piddisplay.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "acquisition/qxanalogueconductivitysource.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdacsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxremotesetpointsource.h"
#include "pid/pidformat.h"
#include "pid/qxcontrollersource.h"
#include "platform/filenames.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/nowaitzone.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "rigconfig/helprequests.h"

namespace {
constexpr int kSampleRow = 2;

QLabel* Label(const QString& text, QWidget* parent, int x, int y, int w = 0) {
  auto* l = new QLabel(text, parent);
  l->move(x, y);
  if (w > 0) l->resize(w, l->sizeHint().height());
  else l->adjustSize();
  return l;
}
QLineEdit* Box(QWidget* parent, int x, int y, int w) {
  auto* e = new QLineEdit(parent);
  e->setGeometry(x, y, w, 21);
  return e;
}
QString General(double v) { return numbers::FloatToStr(v); }
}  // namespace

TPIDdisplay::TPIDdisplay(TQXControllerSource* controller, TProgramType side, QWidget* parent)
    : QDialog(parent), FSide(side), FController(controller) {
  setWindowTitle(QStringLiteral("PID Controller"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(443, 444);
  setFont(QFont(QString::fromLatin1(TQXSource::FontName), TQXSource::FontSize));
  SourceList = [] {
    return TServices::DataList() ? TServices::DataList()->Sources() : std::vector<TQXSource*>{};
  };
  BuildControls();
  Timer1 = new QTimer(this);
  Timer1->setInterval(TimerInterval);
  connect(Timer1, &QTimer::timeout, this, &TPIDdisplay::Timer1Timer);
}

TPIDdisplay::~TPIDdisplay() {
  if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(ControlData); ao && ao->FPIDLink == this) ao->SeverPIDLink();
  delete FSheet;
}

// ---- controls ------------------------------------------------------------------------------------

void TPIDdisplay::BuildControls() {
  PanelBackground = new QWidget(this);
  PanelBackground->setGeometry(0, 0, 443, 444);
  Label(QStringLiteral("Process Variable"), PanelBackground, 12, 24);
  InputsComboBox = new QComboBox(PanelBackground);
  InputsComboBox->setGeometry(109, 21, 169, 22);
  Label(QStringLiteral("Control Variable"), PanelBackground, 12, 51);
  OutputsComboBox = new QComboBox(PanelBackground);
  OutputsComboBox->setGeometry(109, 48, 169, 22);
  Label(QStringLiteral("Control Action"), PanelBackground, 12, 78);
  BtnApplyRiconfig = new QPushButton(QStringLiteral("Apply Channels Riconfiguration"), PanelBackground);
  BtnApplyRiconfig->setGeometry(109, 102, 169, 22);
  BtnApplyRiconfig->setEnabled(false);

  ModeofOperation = new QGroupBox(QStringLiteral(" Mode of Operation "), PanelBackground);
  ModeofOperation->setGeometry(292, 24, 145, 88);
  ModeButtons = new QButtonGroup(this);
  const char* modes[3] = {"Automatic", "Manual", "Off"};
  for (int i = 0; i < 3; ++i) {
    ModeRadio[i] = new QRadioButton(QString::fromLatin1(modes[i]), ModeofOperation);
    ModeRadio[i]->setGeometry(10, 20 + 21 * i, 130, 20);
    ModeButtons->addButton(ModeRadio[i], i);
  }
  connect(ModeButtons, &QButtonGroup::idClicked, this, [this](int id) { SetMode(id); });

  TabbedNotebook1 = new QTabWidget(PanelBackground);
  TabbedNotebook1->setGeometry(12, 136, 425, 247);
  SettingsPage = BuildSettingsPage();
  CalculationsPage = BuildCalculationsPage();
  DiagramPage = new QWidget;
  Image1 = new QLabel(DiagramPage);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setGeometry(0, 0, 419, 218);
  TabbedNotebook1->addTab(SettingsPage, QStringLiteral("Settings"));
  TabbedNotebook1->addTab(CalculationsPage, QStringLiteral("Calculations"));
  TabbedNotebook1->addTab(DiagramPage, QStringLiteral("Block Diagram"));

  OKButton = new QPushButton(QStringLiteral("OK"), PanelBackground);
  OKButton->setGeometry(12, 401, 75, 25);
  HelpButton = new QPushButton(QStringLiteral("Help"), PanelBackground);
  HelpButton->setGeometry(333, 401, 75, 25);

  // The action list and Cancel stay usable in a locked window.
  ActionComboBox = new QComboBox(this);
  ActionComboBox->addItems({QStringLiteral("Direct"), QStringLiteral("Reverse")});
  ActionComboBox->setGeometry(109, 75, 169, 22);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setGeometry(93, 401, 75, 25);

  connect(OKButton, &QPushButton::clicked, this, &TPIDdisplay::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TPIDdisplay::CancelButtonClick);
  connect(HelpButton, &QPushButton::clicked, this, &TPIDdisplay::HelpButtonClick);
  connect(ActionComboBox, &QComboBox::activated, this, &TPIDdisplay::ActionComboBoxChange);
  connect(InputsComboBox, &QComboBox::activated, this, [this] { BtnApplyRiconfig->setEnabled(true); });
  connect(OutputsComboBox, &QComboBox::activated, this, [this] { BtnApplyRiconfig->setEnabled(true); });
  connect(BtnApplyRiconfig, &QPushButton::clicked, this, &TPIDdisplay::BtnApplyRiconfigClick);
}

QWidget* TPIDdisplay::BuildSettingsPage() {
  auto* page = new QWidget;
  auto* automatic = new QGroupBox(QStringLiteral(" Automatic Operation "), page);
  automatic->setGeometry(6, 4, 200, 180);
  const char* names[5] = {"Set Point", "Proportional Band", "Integral Time", "Derivative Time", "Cycle Time"};
  QLineEdit** boxes[5] = {&SetPoint, &PropBand, &IntegralTime, &DerivTime, &CycleTime};
  QLabel* units[5] = {};
  const char* unitTexts[5] = {"", "%", "Secs", "Secs", "Secs"};
  for (int i = 0; i < 5; ++i) {
    QLabel* l = Label(QString::fromLatin1(names[i]), automatic, 8, 26 + 30 * i);
    if (i == 4) CycleTimeLabel = l;
    *boxes[i] = Box(automatic, 108, 22 + 30 * i, 54);
    units[i] = Label(QString::fromLatin1(unitTexts[i]), automatic, 166, 26 + 30 * i, 32);
  }
  SetPointUnits = units[0];
  CycleTimeUnits = units[4];

  ManualGroup = new QGroupBox(QStringLiteral(" Manual Operation "), page);
  ManualGroup->setGeometry(212, 4, 200, 150);
  ManualOutputLabel = Label(QStringLiteral("Manual Output"), ManualGroup, 8, 26);
  ManualOutput = new QSpinBox(ManualGroup);
  ManualOutput->setGeometry(100, 22, 56, 22);
  ManualOutput->setRange(0, 100);
  // A typed value goes out when the box is committed (Enter, leaving it), not digit by digit.
  ManualOutput->setKeyboardTracking(false);
  ManOutUnits = Label(QStringLiteral("%"), ManualGroup, 160, 26, 36);
  RefluxRatio = Box(ManualGroup, 100, 22, 56);
  RefluxRatioUnits = Label(QStringLiteral(":1"), ManualGroup, 160, 26, 30);
  RateOfChangeLabel = Label(QStringLiteral("Rate of Change"), ManualGroup, 8, 56);
  RateOfChange = Box(ManualGroup, 100, 52, 56);
  RateOfChange->setText(QStringLiteral("0"));
  RateOfChangeUnits = Label(QStringLiteral("per sec"), ManualGroup, 158, 56, 41);
  SpeedButton1 = new QPushButton(QStringLiteral("Start"), ManualGroup);
  SpeedButton1->setGeometry(100, 82, 56, 22);
  SpeedButton1->setEnabled(false);
  AutoRatioLabel = Label(QStringLiteral("Current Reflux"), ManualGroup, 8, 116);
  AutoRatio = Box(ManualGroup, 100, 112, 92);
  AutoRatio->setReadOnly(true);

  ApplyButton = new QPushButton(QStringLiteral("Apply"), page);
  ApplyButton->setGeometry(212, 160, 60, 24);
  ApplyButton->setDefault(true);
  SaveButton = new QPushButton(QStringLiteral("Save"), page);
  SaveButton->setGeometry(278, 160, 60, 24);
  RestoreButton = new QPushButton(QStringLiteral("Restore"), page);
  RestoreButton->setGeometry(212, 188, 60, 24);
  DefaultButton = new QPushButton(QStringLiteral("Default"), page);
  DefaultButton->setGeometry(278, 188, 60, 24);

  connect(ManualOutput, &QSpinBox::valueChanged, this, &TPIDdisplay::ManualOutputChange);
  if (auto* edit = ManualOutput->findChild<QLineEdit*>())
    connect(edit, &QLineEdit::textEdited, this, [this] { FManualTyping = true; });
  connect(ManualOutput, &QSpinBox::editingFinished, this, [this] { FManualTyping = false; });
  connect(RateOfChange, &QLineEdit::textEdited, this, &TPIDdisplay::RateOfChangeChange);
  connect(SpeedButton1, &QPushButton::clicked, this, &TPIDdisplay::SpeedButton1Click);
  connect(ApplyButton, &QPushButton::clicked, this, &TPIDdisplay::ApplySettings);
  connect(SaveButton, &QPushButton::clicked, this, &TPIDdisplay::SaveButtonClick);
  connect(RestoreButton, &QPushButton::clicked, this, &TPIDdisplay::RestoreButtonClick);
  connect(DefaultButton, &QPushButton::clicked, this, &TPIDdisplay::DefaultButtonClick);
  return page;
}

QWidget* TPIDdisplay::BuildCalculationsPage() {
  auto* page = new QWidget;
  struct TRow {
    const char* Title;
    QLabel** Value;
    QLabel** Share;
  } rows[] = {{"Time Since Last Calculation:", &calcTime, nullptr},
              {"Calculated Error:", &CalcError, &ErrorProp},
              {"Proportional Portion of PID output:", &CalcProportional, &PropProp},
              {"Integral Portion of PID output:", &CalcIntegral, &IntProp},
              {"Derivative Portion of PID output:", &CalcDeriv, &DerivProp},
              {"Gain:", &CalcGain, nullptr},
              {"Calculated PID output:", &CalcCalcOutput, nullptr},
              {"Output at Zero Error:", &CalcZeroErrorOutput, nullptr},
              {"Actual PID Output:", &CalcActualOutput, nullptr}};
  int y = 8;
  for (const TRow& r : rows) {
    Label(QString::fromLatin1(r.Title), page, 8, y);
    *r.Value = Label(QStringLiteral("-"), page, 198, y, 62);
    if (r.Share) *r.Share = Label(QStringLiteral("[ - ]"), page, 262, y, 155);
    y += 23;
  }
  return page;
}

// ---- set-up and binding ----------------------------------------------------------------------------

std::vector<TQXSource*> TPIDdisplay::Sources() const { return SourceList ? SourceList() : std::vector<TQXSource*>{}; }

std::int64_t TPIDdisplay::NowMs() const { return TServices::Clock().TickCountMs(); }

QString TPIDdisplay::MeasuredUnits() const { return MeasuredData ? MeasuredData->fUnits_text : QString(); }
QString TPIDdisplay::MeasuredName() const { return MeasuredData ? MeasuredData->fLong_text : QString(); }
QString TPIDdisplay::ControlledName() const { return ControlData ? ControlData->fLong_text : QString(); }
QString TPIDdisplay::ProcessVariableName() const { return InputsComboBox->currentText(); }

void TPIDdisplay::Setup(int Index) {
  ControllerIndex = Index;
  // Without rig help the button would do nothing.
  HelpButton->setEnabled(TServices::Rig() && TServices::Rig()->RigHelpPresent());
  LoadSettings();
  ShowVariant();
}

void TPIDdisplay::ShowVariant() {
  SetPointUnits->setText(MeasuredUnits());
  ManOutUnits->setText(QStringLiteral("%"));
  int mode = Off;
  if (IsSetPointController) {
    ModeRadio[Off]->hide();
    if (auto* a = qobject_cast<TQXIFDAnalogueSource*>(ControlData.data())) ManOutUnits->setText(a->fUnits_text);
    CycleTime->hide();
    CycleTimeLabel->hide();
    CycleTimeUnits->hide();
    mode = Manual;
  }
  ApplyMode(mode);
  ShowDiagram();
  const bool reflux = IsRefluxController;
  ModeRadio[Off]->setText(reflux ? QStringLiteral("Off (Total Reflux)") : QStringLiteral("Off"));
  ManualGroup->setTitle(reflux ? QStringLiteral(" Reflux Ratio ") : QStringLiteral(" Manual Operation "));
  ManualOutputLabel->setText(reflux ? QStringLiteral("Initial") : QStringLiteral("Manual Output"));
  ManualOutput->setVisible(!reflux);
  ManOutUnits->setVisible(!reflux);
  for (QWidget* w : std::initializer_list<QWidget*>{RefluxRatio, RefluxRatioUnits, RateOfChangeLabel, RateOfChange,
                                                    RateOfChangeUnits, SpeedButton1, AutoRatioLabel, AutoRatio})
    w->setVisible(reflux);
  RefluxRateOfChange = 0;
  {
    const QSignalBlocker block(ManualOutput);
    ManualOutput->setRange(static_cast<int>(numbers::RoundHalfEven(FCalc.ControlMinValue)),
                           static_cast<int>(numbers::RoundHalfEven(FCalc.ControlMaxValue)));
  }
  if (auto* edit = ManualOutput->findChild<QLineEdit*>()) edit->setReadOnly(!ControlEditorEnabled);
  ShowChannelLists();
  FormActivate();  // the boxes hold the live settings even before the window is first shown
}

void TPIDdisplay::ShowDiagram() {
  const int at = TabbedNotebook1->indexOf(DiagramPage);
  if (!DiagramName.isEmpty() && TServices::Rig()) {
    const QString file = filenames::Resolve(TServices::Rig()->Path(), QStringLiteral("config\\") + DiagramName);
    QPixmap picture(file);
    Image1->setPixmap(picture);
    if (picture.isNull()) Image1->setText(QStringLiteral("The picture %1 cannot be read.").arg(file));
    if (at < 0) TabbedNotebook1->addTab(DiagramPage, QStringLiteral("Block Diagram"));
  } else if (at >= 0) {
    TabbedNotebook1->removeTab(at);
  }
}

void TPIDdisplay::ShowChannelLists() {
  const QSignalBlocker b1(InputsComboBox), b2(OutputsComboBox), b3(ActionComboBox);
  InputsComboBox->clear();
  OutputsComboBox->clear();
  if (TRigConfig* rig = TServices::Rig()) {
    OutputsComboBox->addItems(rig->OutputChannelNames);
    InputsComboBox->addItems(rig->InputChannelNames);
  }
  OutputsComboBox->setCurrentIndex(OutputsComboBox->findText(ControlledName()));
  InputsComboBox->setCurrentIndex(InputsComboBox->findText(MeasuredName()));
  ActionComboBox->setCurrentIndex(FCalc.Direction == 1 ? 0 : 1);
  InputsComboBox->setEnabled(Configurable);
  OutputsComboBox->setEnabled(Configurable);
  ActionComboBox->setEnabled(Configurable);
}

bool TPIDdisplay::LoadSettings() {
  TRigConfig* rig = TServices::Rig();
  if (!FSheet) FSheet = new TPIDSettingsSheet(rig ? rig->PID_File() : QString());
  QString error;
  if (!FSheet->Read(&error)) {
    TServices::Prompts().MessageDlg(QStringLiteral("PID Controller : ") + error, TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
    return false;
  }
  const TPIDRow row = FSheet->Row(ControllerIndex);
  MeasuredVariableChannel = row.MeasuredChannel;
  ControlVariableChannel = row.ControlledChannel;
  UsesAnalogueOutput = ControlVariableChannel < 0;
  FCalc.Direction = row.Direction;
  CycleTerm = row.CycleTime;
  // The start-up load rounds band and times (Restore and Default keep fractions).
  TPIDTerms t = TPIDSettingsSheet::Live(row);
  for (double* v : {&t.ProportionalBand, &t.IntegralTime, &t.DerivativeTime})
    *v = static_cast<double>(numbers::RoundHalfEven(*v));
  TakeTerms(t);
  if (row.ExternalSetPointColumn) {
    ExternalSetPointChannel = *row.ExternalSetPointColumn;
    SetPoint->setEnabled(false);
    Cascade = true;
  }
  DiagramName = row.DiagramName;
  IsRefluxController = row.Reflux;
  Configurable = row.Configurable;
  const bool bound = BindChannels();
  if (!MeasuredData)
    TServices::Prompts().MessageDlg(QStringLiteral("PID Controller : Cannot find Measured Variable"),
                                    TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
  if (!bound)
    TServices::Prompts().MessageDlg(QStringLiteral("PID Controller : Cannot find Controlled Variable"),
                                    TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
  return bound && MeasuredData;
}

void TPIDdisplay::TakeTerms(const TPIDTerms& t) {
  FCalc.SetPointTerm = t.SetPoint;
  FCalc.ProportionalTerm = t.ProportionalBand;
  FCalc.IntegralTerm = t.IntegralTime;
  FCalc.DerivativeTerm = t.DerivativeTime;
  FCalc.IsOnOffController = FCalc.ProportionalTerm == 0;
}

bool TPIDdisplay::BindChannels() {
  FindMeasured();
  IsSetPointController = false;
  const TBind result = BindControlled();
  if (result == TBind::Bound && FController)
    FController->SetHints(QStringLiteral("Controls ") + ControlledName() + QStringLiteral(" using ") + MeasuredName());
  if (ControlData) ControlData->BeingUsedForPID = true;
  ResetMemory();
  return ControlData != nullptr && result != TBind::NotFound;
}

void TPIDdisplay::FindMeasured() {
  MeasuredData = nullptr;
  for (TQXSource* s : Sources())
    if (qobject_cast<TQXAnalogueInputSource*>(s) || qobject_cast<TQXAnalogueConductivitySource*>(s)) {
      auto* input = static_cast<TQXIFDAnalogueSource*>(s);
      if (input->FChannel != MeasuredVariableChannel) continue;
      MeasuredData = input;
      return;
    }
}

TPIDdisplay::TBind TPIDdisplay::BindControlled() {
  TQXSource* found = nullptr;
  for (TQXSource* s : Sources()) {
    const bool kindMatches = UsesAnalogueOutput ? (qobject_cast<TQXAnalogueOutputSource*>(s) ||
                                                   qobject_cast<TQXRemoteSetPointSource*>(s) ||
                                                   qobject_cast<TQXDACSource*>(s))
                                                : qobject_cast<TQXDigitalOutputSource*>(s) != nullptr;
    if (kindMatches && static_cast<TQXSourceMeta*>(s)->FChannel == ControlVariableChannel) {
      found = s;
      break;
    }
  }
  if (!found) return TBind::NotFound;
  if (found->BeingUsedForPID && found != ControlData) {
    TServices::Prompts().MessageDlg(QStringLiteral("This channel is already in use by another controller."),
                                    TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    return TBind::InUse;
  }
  if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(found)) {
    ControlData = ao;
    FCalc.ControlMaxValue = ao->MaxProcValue();
    FCalc.ControlMinValue = ao->MinProcValue();
    ControlEditorEnabled = ao->EnableEditor;
    ao->SetPIDLink(this);
  } else if (auto* sp = qobject_cast<TQXRemoteSetPointSource*>(found)) {
    ControlData = sp;
    FCalc.ControlMaxValue = sp->MaxProcValue();
    FCalc.ControlMinValue = sp->MinProcValue();
    IsSetPointController = true;
    UsesAnalogueOutput = false;
  } else if (auto* dac = qobject_cast<TQXDACSource*>(found)) {
    ControlData = dac;
    FCalc.ControlMaxValue = dac->MaxProcValue();
    FCalc.ControlMinValue = dac->MinProcValue();
    IsSetPointController = true;
    IsDACController = true;
    UsesAnalogueOutput = false;
  } else if (auto* dout = qobject_cast<TQXDigitalOutputSource*>(found)) {
    OffState = static_cast<int>(numbers::RoundHalfEven(dout->InitialValue));
    ControlData = dout;
    FCalc.ControlMaxValue = 100;
    FCalc.ControlMinValue = 0;
    UsesAnalogueOutput = false;
  }
  return TBind::Bound;
}

void TPIDdisplay::ResetMemory() { FCalc.ResetMemory(NowMs()); }

// ---- modes and the scheduler -------------------------------------------------------------------------

void TPIDdisplay::ApplyMode(int mode) {
  if (QAbstractButton* b = ModeButtons->button(mode)) b->setChecked(true);
  SetMode(mode);
}

void TPIDdisplay::SetMode(int mode) {
  OperationalMode = mode;
  ManualGroup->setEnabled(mode == Manual);
  SpeedButton1->setEnabled(mode == Manual && IsRefluxController);
  ResetMemory();
  LinkScheduler();
}

void TPIDdisplay::LinkScheduler() {
  auto* ao = qobject_cast<TQXAnalogueOutputSource*>(ControlData);
  if (!ao) return;
  switch (OperationalMode) {
    case Automatic:
      ao->ResetSchedulerChnlTarget(MeasuredVariableChannel);
      ao->TellSchedulerPIDProcessVarUnit(SetPointUnits->text());
      ao->ResumeScheduling();
      ao->FAOSchedStatus = PID_ENGAGED_AUTOMATIC;
      break;
    case Manual:
      ao->ResetSchedulerChnlTarget(ControlVariableChannel);
      ao->SuspendSheduling();
      ao->FAOSchedStatus = PID_ENGAGED_MANUAL;
      break;
    default:
      ao->ResetSchedulerChnlTarget(ControlVariableChannel);
      ao->ResumeScheduling();
      ao->FAOSchedStatus = PID_NO;
      break;
  }
  ao->ResetSchedulerMode();
}

void TPIDdisplay::ResetSetPointFromSchedule(double value) {
  // Only the set point: the other boxes may hold something half-typed, which is applied when the
  // user applies it, not by the schedule on every tick.
  SetPoint->setText(General(value));
  FCalc.SetPointTerm = value;
}

// ---- settings ----------------------------------------------------------------------------------------

void TPIDdisplay::ApplySettings() {
  QStringList kept;
  auto take = [&](QLineEdit* box, const QString& name, double& term) {
    if (const auto v = numbers::ParseTypedNumber(box->text())) {
      term = *v;
    } else {
      kept << QStringLiteral("%1 \"%2\" (kept %3)").arg(name, box->text(), General(term));
      box->setText(General(term));
    }
  };
  if (SetPoint->isEnabled()) take(SetPoint, QStringLiteral("Set Point"), FCalc.SetPointTerm);
  take(PropBand, QStringLiteral("Proportional Band"), FCalc.ProportionalTerm);
  take(IntegralTime, QStringLiteral("Integral Time"), FCalc.IntegralTerm);
  take(DerivTime, QStringLiteral("Derivative Time"), FCalc.DerivativeTerm);
  FCalc.IsOnOffController = FCalc.ProportionalTerm == 0;
  if (!CycleTime->isHidden()) {
    if (const auto c = numbers::ParseTypedInteger(CycleTime->text()); c && *c >= 0 && *c <= 86400) {
      if (*c != CycleTerm) {
        CycleTerm = static_cast<int>(*c);
        Proportioner.Restart();
      }
    } else {
      kept << QStringLiteral("Cycle Time \"%1\" (kept %2)").arg(CycleTime->text()).arg(CycleTerm);
      CycleTime->setText(QString::number(CycleTerm));
    }
  }
  FCalc.ZeroErrorPIDOutput = ManualOutput->value();
  if (IsRefluxController) {
    double r = BasicRefluxRatio;
    take(RefluxRatio, QStringLiteral("Reflux Ratio"), r);
    if (r < 0) {
      kept << QStringLiteral("Reflux Ratio \"%1\" (kept %2)").arg(RefluxRatio->text(), General(BasicRefluxRatio));
      RefluxRatio->setText(General(BasicRefluxRatio));
      r = BasicRefluxRatio;
    }
    BasicRefluxRatio = r;
    FCalc.ZeroErrorPIDOutput = TPIDCalculator::RefluxPercent(r);
  }
  if (!kept.isEmpty())
    TServices::Prompts().MessageDlg(
        QStringLiteral("These boxes do not read as numbers; their previous settings are kept:\n") + kept.join('\n'),
        TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
}

void TPIDdisplay::ShowTerms(const TPIDTerms& t) {
  TakeTerms(t);
  FormActivate();
}

void TPIDdisplay::FormActivate() {
  SetPoint->setText(pidformat::Fixed(FCalc.SetPointTerm, 5, 1));
  PropBand->setText(General(FCalc.ProportionalTerm));
  IntegralTime->setText(General(FCalc.IntegralTerm));
  DerivTime->setText(General(FCalc.DerivativeTerm));
  CycleTime->setText(General(CycleTerm));
  if (IsRefluxController) {
    if (FCalc.ZeroErrorPIDOutput != 100) {
      BasicRefluxRatio = TPIDCalculator::RefluxRatio(FCalc.ZeroErrorPIDOutput);
      RefluxRatio->setText(pidformat::Fixed(BasicRefluxRatio, 7, 3));
    } else {
      RefluxRatio->setText(QStringLiteral("0"));
    }
  }
}

void TPIDdisplay::showEvent(QShowEvent* event) {
  FormActivate();
  const bool analogue = qobject_cast<TQXAnalogueOutputSource*>(ControlData) != nullptr;
  if (!IsSetPointController) {
    CycleTime->setVisible(!analogue);
    CycleTimeLabel->setVisible(!analogue);
    CycleTimeUnits->setVisible(!analogue);
  }
  QDialog::showEvent(event);
}

void TPIDdisplay::OpenWindow() {
  PanelBackground->setEnabled(FController ? FController->FCanEditPIDproperties : true);
  show();
  raise();
}

void TPIDdisplay::OKButtonClick() {
  ApplySettings();
  hide();
}

void TPIDdisplay::CancelButtonClick() { hide(); }

void TPIDdisplay::HelpButtonClick() {
  if (TRigConfig* rig = TServices::Rig()) rig->RigStringHelp(QLatin1String(helptopics::kPIDController));
}

void TPIDdisplay::SaveButtonClick() {
  TPIDTerms t;
  QStringList bad;
  auto read = [&](QLineEdit* box, const QString& name, double& into) {
    if (const auto v = numbers::ParseTypedNumber(box->text())) into = *v;
    else bad << name;
  };
  read(SetPoint, QStringLiteral("Set Point"), t.SetPoint);
  read(PropBand, QStringLiteral("Proportional Band"), t.ProportionalBand);
  read(IntegralTime, QStringLiteral("Integral Time"), t.IntegralTime);
  read(DerivTime, QStringLiteral("Derivative Time"), t.DerivativeTime);
  if (!bad.isEmpty()) {
    TServices::Prompts().MessageDlg(
        QStringLiteral("Nothing was saved: these boxes do not read as numbers: ") + bad.join(QStringLiteral(", ")),
        TMsgDlgType::mtError, TMsgDlgButtons::OK);
    return;
  }
  QString error;
  if (!FSheet || !FSheet->Save(ControllerIndex, t, &error))
    TServices::Prompts().MessageDlg(QStringLiteral("The settings were not saved: ") + error, TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
}

bool TPIDdisplay::ReadSheet() {
  QString error;
  if (FSheet && FSheet->Read(&error)) return true;
  TServices::Prompts().MessageDlg(QStringLiteral("The settings cannot be read: ") + error, TMsgDlgType::mtError,
                                  TMsgDlgButtons::OK);
  return false;
}

void TPIDdisplay::RestoreButtonClick() {
  if (ReadSheet()) ShowTerms(TPIDSettingsSheet::Live(FSheet->Row(ControllerIndex)));
}

void TPIDdisplay::DefaultButtonClick() {
  if (ReadSheet()) ShowTerms(FSheet->Row(ControllerIndex).Defaults);
}

void TPIDdisplay::ActionComboBoxChange() { FCalc.Direction = ActionComboBox->currentIndex() == 0 ? 1 : -1; }

void TPIDdisplay::RateOfChangeChange() {
  RefluxRateOfChange = numbers::ParseTypedNumber(RateOfChange->text()).value_or(0);
  AdditionalRefluxRatio = 0;
}

void TPIDdisplay::SpeedButton1Click() {
  RefluxRunning = !RefluxRunning;
  SpeedButton1->setText(RefluxRunning ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void TPIDdisplay::ManualOutputChange() {
  FManualTyping = false;
  FCalc.ZeroErrorPIDOutput = ManualOutput->value();
  FCalc.PIDOutput = FCalc.ZeroErrorPIDOutput;
  if (!qobject_cast<TQXDigitalOutputSource*>(ControlData)) DriveOutput();
}

// ---- the control step ----------------------------------------------------------------------------------

double TPIDdisplay::RatioBoxPercent() const {
  const auto r = numbers::ParseTypedNumber(RefluxRatio->text());
  return TPIDCalculator::RefluxPercent(r && *r >= 0 ? *r : BasicRefluxRatio);
}

void TPIDdisplay::ShowCurrentRatio() {
  AutoRatio->setText(FCalc.PIDOutput == 100
                         ? QStringLiteral("- Total Reflux -")
                         : pidformat::Fixed(TPIDCalculator::RefluxRatio(FCalc.PIDOutput), 7, 3) + QStringLiteral(" : 1"));
}

void TPIDdisplay::Timer1Timer() {
  const TNoWaitZone zone("the controller's step");
  const bool digital = qobject_cast<TQXDigitalOutputSource*>(ControlData) != nullptr;
  switch (OperationalMode) {
    case Automatic:
      FCalc.ZeroErrorPIDOutput = IsRefluxController ? RatioBoxPercent() : ManualOutput->value();
      // Without a reading for this sample the controller holds its output.
      if (MeasuredData && MeasuredData->HasReading()) {
        if (Cascade && TServices::SampleBook()) {
          FCalc.SetPointTerm = TServices::SampleBook()->NumberRC(kSampleRow, ExternalSetPointChannel);
          SetPoint->setText(pidformat::Fixed(FCalc.SetPointTerm, 3, 1));
        }
        FCalc.Calculate(MeasuredData->ProcessValue(), MeasuredData->MinProcValue(), MeasuredData->MaxProcValue(),
                        NowMs());
      }
      DriveOutput();
      PrevOpMode = Automatic;
      break;
    case Manual:
      if (IsRefluxController) {
        AdditionalRefluxRatio = RefluxRunning ? AdditionalRefluxRatio + TimerInterval * RefluxRateOfChange / 1000.0 : 0;
        FCalc.PIDOutput = TPIDCalculator::RefluxPercent(BasicRefluxRatio + AdditionalRefluxRatio);
        ShowCurrentRatio();
        DriveDigital();
      } else if (auto* a = qobject_cast<TQXIFDAnalogueSource*>(ControlData.data())) {
        // Follows the output without driving it, but leaves a value being typed alone.
        if (!FManualTyping) {
          const QSignalBlocker block(ManualOutput);
          ManualOutput->setValue(static_cast<int>(numbers::RoundHalfEven(a->ProcessValue())));
        }
      } else if (digital) {
        DriveDigital();
      }
      if (PrevOpMode != Manual) {
        if (digital) {
          if (!IsRefluxController) FCalc.PIDOutput = FCalc.ZeroErrorPIDOutput;
          DriveDigital();
        } else {
          DriveOutput();
        }
      }
      PrevOpMode = Manual;
      break;
    default:
      FCalc.PIDOutput = IsRefluxController ? 100 : OffState;
      DriveOutput();
      PrevOpMode = Off;
      break;
  }
  if (TabbedNotebook1->currentWidget() == CalculationsPage) ShowCalculations();
  if (IsRefluxController && TabbedNotebook1->currentWidget() == SettingsPage) ShowCurrentRatio();
}

double TPIDdisplay::OutputPercent(double value) const {
  auto* a = qobject_cast<TQXIFDAnalogueSource*>(ControlData.data());
  if (!a) return value;
  const double lo = a->MinProcValue(), hi = a->MaxProcValue();
  if (hi == lo) return 0;
  const double limited = std::clamp(value, std::min(lo, hi), std::max(lo, hi));
  return (limited - lo) / (hi - lo) * 100.0;
}

void TPIDdisplay::DriveOutput() {
  if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(ControlData)) {
    if (ao->FAOSchedStatus == PID_NO) return;
    const double demand = ao->FAOSchedStatus == PID_ENGAGED_MANUAL ? ManualOutput->value() : FCalc.PIDOutput;
    // The output holds its demand in whole units: an unchanged one is not sent again, which keeps
    // four commands a second off a serial line.
    const double lo = std::min(ao->MinProcValue(), ao->MaxProcValue()), hi = std::max(ao->MinProcValue(), ao->MaxProcValue());
    if (numbers::RoundHalfEven(std::clamp(demand, lo, hi)) != numbers::RoundHalfEven(ao->TaredValue()))
      ao->AnalogueSet(OutputPercent(demand));
  } else if (auto* dac = qobject_cast<TQXDACSource*>(ControlData)) {
    dac->DACSet(OutputPercent(FCalc.PIDOutput));
  } else if (auto* sp = qobject_cast<TQXRemoteSetPointSource*>(ControlData)) {
    sp->SetPointSet(OutputPercent(FCalc.PIDOutput));
  } else if (qobject_cast<TQXDigitalOutputSource*>(ControlData)) {
    DriveDigital();
  }
}

void TPIDdisplay::DriveDigital() {
  auto* dout = qobject_cast<TQXDigitalOutputSource*>(ControlData);
  if (!dout) return;
  // Only a change of level goes to the card: at the limits the level is decided every step.
  if (const auto level = Proportioner.Drive(FCalc.PIDOutput, FCalc.ControlMinValue, FCalc.ControlMaxValue, OffState,
                                            CycleTerm, NowMs());
      level && *level != dout->Output_State)
    dout->DigitalOutSet(*level);
}

void TPIDdisplay::ShowCalculations() {
  if (OperationalMode != Automatic) return;
  const TPIDCalculator& c = FCalc;
  auto pct = [](double v) { return pidformat::Fixed(v, 3, 1) + QStringLiteral(" %"); };
  calcTime->setText(pidformat::Fixed(c.TimeSinceLastCalc, 2, 3) + QStringLiteral(" secs"));
  CalcError->setText(pidformat::Fixed(c.CalculatedError, 5, 1) + QStringLiteral(" ") + MeasuredUnits());
  const double span = MeasuredData ? MeasuredData->MaxProcValue() - MeasuredData->MinProcValue() : 0;
  ErrorProp->setText(span != 0 ? QStringLiteral("[ ") + pidformat::Fixed(c.CalculatedError * 100 / span, 4, 0) +
                                     QStringLiteral(" % measured full span ]")
                               : QStringLiteral("[ - ]"));
  CalcGain->setText(pidformat::Fixed(c.Gain, 4, 1));
  CalcCalcOutput->setText(pct(c.CalcPIDOutput));
  CalcZeroErrorOutput->setText(pct(c.ZeroErrorPIDOutput));
  CalcActualOutput->setText(pct(c.PIDOutput));
  const std::pair<QLabel*, QLabel*> fields[3] = {{CalcProportional, PropProp}, {CalcIntegral, IntProp}, {CalcDeriv, DerivProp}};
  const double parts[3] = {c.ProportionalValue, c.IntegralValue, c.DerivativeValue};
  for (int i = 0; i < 3; ++i) {
    if (c.CalcPIDOutput != 0) {
      fields[i].first->setText(pct(parts[i]));
      fields[i].second->setText(QStringLiteral("[ ") + pidformat::Fixed(parts[i] * 100 / c.CalcPIDOutput, 3, 1) +
                                QStringLiteral(" % of output ]"));
    } else {
      fields[i].first->setText(pct(parts[i]) + QStringLiteral(",  0 % of output"));
      fields[i].second->setText(QString());
    }
  }
}

// ---- channel change ------------------------------------------------------------------------------------

void TPIDdisplay::ChannelsNotice(const QString& notice) {
  auto* ao = qobject_cast<TQXAnalogueOutputSource*>(ControlData);
  if (!ao) return;
  if (notice == QLatin1String("FREE_AO_FROM_PID_LOOP")) {
    ao->SeverPIDLink();
    ao->ResetSchedulerChnlTarget(ControlVariableChannel);
    ao->ResumeScheduling();
    ao->FAOSchedStatus = PID_NO;
  } else if (notice == QLatin1String("COMPLETED_PID_CHANNELS_RESET")) {
    ao->ResetSchedulerChnlTarget(MeasuredVariableChannel);
    ao->SetPIDLink(this);
    ao->ResumeScheduling();
    ApplyMode(Automatic);
  }
}

bool TPIDdisplay::Rebind(int inputIndex, int outputIndex) {
  TRigConfig* rig = TServices::Rig();
  if (!rig || inputIndex < 0 || outputIndex < 0 || inputIndex >= rig->InputChannelNames.size() ||
      outputIndex >= rig->OutputChannelNames.size()) {
    TServices::Prompts().MessageDlg(QStringLiteral("Selection is invalid - Please choose again"), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
    return false;
  }
  ChannelsNotice(QStringLiteral("FREE_AO_FROM_PID_LOOP"));
  // A channel in use by another controller leaves this one as it was.
  const int oldMeasured = MeasuredVariableChannel, oldControlled = ControlVariableChannel;
  const bool oldAnalogue = UsesAnalogueOutput, oldDac = IsDACController, oldSetPoint = IsSetPointController,
             oldReflux = IsRefluxController;
  if (MeasuredData) MeasuredData->BeingUsedForPID = false;
  if (ControlData) ControlData->BeingUsedForPID = false;
  MeasuredVariableChannel = rig->InputChannelNumbers[static_cast<size_t>(inputIndex)];
  ControlVariableChannel = rig->OutputChannelNumbers[static_cast<size_t>(outputIndex)];
  ModeRadio[Off]->show();
  UsesAnalogueOutput = ControlVariableChannel < 0;
  IsDACController = IsRefluxController = IsSetPointController = false;
  CycleTime->show();
  CycleTimeLabel->show();
  CycleTimeUnits->show();
  ManualGroup->setEnabled(true);
  TQXSource* oldControl = ControlData;
  bool ok = true;
  FindMeasured();
  const TBind result = [&] {
    ControlData = nullptr;
    const TBind r = BindControlled();
    if (r != TBind::Bound) ControlData = oldControl;
    return r;
  }();
  if (result == TBind::InUse || result == TBind::NotFound) {
    MeasuredVariableChannel = oldMeasured;
    ControlVariableChannel = oldControlled;
    UsesAnalogueOutput = oldAnalogue;
    IsDACController = oldDac;
    IsSetPointController = oldSetPoint;
    IsRefluxController = oldReflux;
    FindMeasured();
    ok = false;
  }
  if (result == TBind::NotFound)
    TServices::Prompts().MessageDlg(QStringLiteral("Selection is invalid - Please choose again"), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
  if (auto* ao = qobject_cast<TQXAnalogueOutputSource*>(ControlData)) ao->SetPIDLink(this);
  if (ControlData) ControlData->BeingUsedForPID = true;
  if (FController)
    FController->SetHints(QStringLiteral("Controls ") + ControlledName() + QStringLiteral(" using ") + MeasuredName());
  ResetMemory();
  ShowVariant();
  ChannelsNotice(QStringLiteral("COMPLETED_PID_CHANNELS_RESET"));
  if (ok) LinkScheduler();
  return ok;
}

void TPIDdisplay::BtnApplyRiconfigClick() {
  Timer1->stop();
  Rebind(InputsComboBox->currentIndex(), OutputsComboBox->currentIndex());
  BtnApplyRiconfig->setEnabled(false);
  Timer1->start();
}
