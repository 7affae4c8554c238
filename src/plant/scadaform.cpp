#include "plant/scadaform.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "plant/modbusplclink.h"
#include "results/resultsprinter.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
constexpr int kSampleRow = 2;
constexpr int kTickMs = 100;  // how often the poll looks at the clock
constexpr int kBoxWidth = 58;
const char* const kLoopTitles[] = {" PID Loop A - Hot Water Pump ", " PID Loop B - Heater Power ", " PID Loop C - Feed Pump "};
// Box name and caption; a refused value's message names the box by its caption without the colon.
const char* const kInitBoxes[][2] = {
    {"LowerDivert", "Divert Point (lower):"},   {"TankALevel", "Tank A Level (process):"},
    {"TankBLevel", "Tank B Level (wash):"},     {"HotWaterTemp", "Hot Water Temperature:"},
    {"FlowRate", "Flowrate (Processing):"},     {"ProductTemp", "Good Product Temp:"},
    {"HotPumpSpeed", "Hot Water Pump Speed:"},  {"FeedPumpSpeed1", "Feed Pump Speed (pre):"},
    {"FeedPumpSpeed2", "Feed Pump Speed (wash):"}};

QString CaptionName(const char* caption) { return QString::fromLatin1(caption).chopped(1); }

QLineEdit* EditBox(QWidget* parent, const QString& name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setFixedWidth(kBoxWidth);
  return e;
}

QLineEdit* ReadOnlyBox(QWidget* parent, const QString& name) {
  QLineEdit* e = EditBox(parent, name);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  return e;
}
}  // namespace

TSCADAForm::TSCADAForm(std::unique_ptr<IPlcLink> link, QWidget* parent)
    : QWidget(parent), FLink(std::move(link)), FPoll(*FLink), FTimer(new QTimer(this)),
      FPrinting(std::make_unique<TResultsPrinter>(this)) {
  setWindowTitle(QStringLiteral("Set Control Parameters"));
  Build();
  FPoll.OnChanged = [this](bool parameters) { Show(parameters); };
  IPlantArrays::SetCurrent(this);
  connect(FTimer, &QTimer::timeout, this, &TSCADAForm::Timer1Timer);
  FTimer->start(kTickMs);
  Show(false);
}

TSCADAForm::~TSCADAForm() {
  if (IPlantArrays::Current() == this) IPlantArrays::SetCurrent(nullptr);
  FPoll.CloseProcessing();
  FPoll.OnChanged = nullptr;
}

std::unique_ptr<TSCADAForm> TSCADAForm::ForRig(const TRigConfig& rig, QWidget* parent) {
  const auto [host, port] = TModbusPlcLink::EndpointFromIni(rig.PathConfigurationIni());
  return std::make_unique<TSCADAForm>(std::make_unique<TModbusPlcLink>(host, port), parent);
}

void TSCADAForm::Build() {
  auto* top = new QVBoxLayout(this);
  auto* loops = new QHBoxLayout;
  top->addLayout(loops);
  for (int n = 0; n < 3; ++n) {
    auto* group = new QGroupBox(QString::fromLatin1(kLoopTitles[n]), this);
    auto* form = new QFormLayout(group);
    const QString i = QString::number(n + 1);
    FSetPoint[n] = ReadOnlyBox(group, QStringLiteral("SetPoint") + i);
    form->addRow(QStringLiteral("Set point:"), FSetPoint[n]);
    const std::pair<const char*, const char*> settings[] = {{"PropBand", "Gain:"}, {"Integral", "Integral Time:"}, {"Deriv", "Derivative Time:"}};
    double* const targets[] = {&FLoops[n].GainVal, &FLoops[n].IntVal, &FLoops[n].DerVal};
    for (int k = 0; k < 3; ++k) {
      QLineEdit* e = EditBox(group, QString::fromLatin1(settings[k].first) + i);
      form->addRow(QString::fromLatin1(settings[k].second), e);
      FParams.push_back({e, 100, 1, CaptionName(settings[k].second), targets[k]});
    }
    FOutput[n] = ReadOnlyBox(group, QStringLiteral("Output") + i);
    form->addRow(QStringLiteral("Output (%):"), FOutput[n]);
    FMode[n] = ReadOnlyBox(group, QStringLiteral("Mode") + i);
    form->addRow(QStringLiteral("Mode:"), FMode[n]);
    if (n == 0) {
      FDivert1 = ReadOnlyBox(group, QStringLiteral("Divert1"));
      form->addRow(QStringLiteral("Divert Temperature:"), FDivert1);
    } else if (n == 1) {
      FActualPower1 = ReadOnlyBox(group, QStringLiteral("ActualPower1"));
      auto* power = new QHBoxLayout;
      power->addWidget(FActualPower1);
      power->addWidget(new QLabel(QStringLiteral("kW"), group));
      form->addRow(QStringLiteral("Actual power to heater:"), power);
    }
    loops->addWidget(group, 0, Qt::AlignTop);
  }
  auto* init = new QGroupBox(QStringLiteral(" Initialisation Parameters "), this);
  auto* grid = new QGridLayout(init);
  for (int k = 0; k < TPlantPoll::InitCount; ++k) {
    QLineEdit* e = EditBox(init, QString::fromLatin1(kInitBoxes[k][0]));
    grid->addWidget(new QLabel(QString::fromLatin1(kInitBoxes[k][1]), init), k % 3, (k / 3) * 2);
    grid->addWidget(e, k % 3, (k / 3) * 2 + 1);
    FParams.push_back({e, TPlantPoll::InitLimit(k), 0, CaptionName(kInitBoxes[k][1]), &FInit[k]});
  }
  top->addWidget(init);
  for (TParamBox& box : FParams) {
    QLineEdit* e = box.Edit;
    connect(e, &QLineEdit::editingFinished, this, [this, e] {
      for (TParamBox& b : FParams)
        if (b.Edit == e) CheckBox(b);
    });
  }
  FStatus1 = new QLabel(this);
  FStatus1->setObjectName(QStringLiteral("Status1"));
  FMessages = new QLabel(this);
  FMessages->setObjectName(QStringLiteral("Messages"));
  FMessages->setWordWrap(true);
  for (QLabel* l : {FStatus1, FMessages}) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* lines = new QFormLayout;
  lines->addRow(QStringLiteral("Ladder stage:"), FStatus1);
  lines->addRow(QStringLiteral("Messages:"), FMessages);
  top->addLayout(lines);
  auto* buttons = new QHBoxLayout;
  FComms = new QPushButton(this);
  FLadder = new QPushButton(this);
  FRead = new QPushButton(QStringLiteral("Read Values"), this);
  FWrite = new QPushButton(QStringLiteral("Write Values"), this);
  for (QPushButton* b : {FComms, FLadder, FRead, FWrite}) buttons->addWidget(b);
  top->addLayout(buttons);
  connect(FComms, &QPushButton::clicked, this, &TSCADAForm::CommsButtonClick);
  connect(FLadder, &QPushButton::clicked, this, &TSCADAForm::LadderButtonClick);
  connect(FRead, &QPushButton::clicked, this, &TSCADAForm::ReadButtonClick);
  connect(FWrite, &QPushButton::clicked, this, &TSCADAForm::WriteButtonClick);
}

QLineEdit* TSCADAForm::Box(const QString& name) const { return findChild<QLineEdit*>(name); }

void TSCADAForm::Timer1Timer() { FPoll.Tick(); }

void TSCADAForm::Show(bool parameters) {
  const TPlantPoll& p = FPoll;
  for (int n = 0; n < 3; ++n) {
    FSetPoint[n]->setText(QString::number(p.Loops[n].SetPointVal, 'f', 1));
    FOutput[n]->setText(QString::number(std::lround(p.Loops[n].OutVal)));
    FMode[n]->setText(p.Loops[n].ModeOff ? QStringLiteral("Off") : QStringLiteral("Auto"));
  }
  FDivert1->setText(QString::number(p.Divert1));
  FActualPower1->setText(QString::number(p.ActualPower1, 'f', 2));
  FStatus1->setText(TPlantPoll::StageText(p.stage));
  FMessages->setText(p.Messages);
  FComms->setText(p.CommsCaption());
  FLadder->setText(p.LadderCaption());
  FComms->setEnabled(p.CommsEnabled);
  FLadder->setEnabled(p.LadderEnabled);
  FRead->setEnabled(p.ReadEnabled);
  FWrite->setEnabled(p.WriteEnabled);
  if (parameters) {
    for (int n = 0; n < 3; ++n) {
      FLoops[n].GainVal = p.Loops[n].GainVal;
      FLoops[n].IntVal = p.Loops[n].IntVal;
      FLoops[n].DerVal = p.Loops[n].DerVal;
    }
    FInit = p.Init;
    ShowParameters();
  }
  emit ButtonsChanged();
}

void TSCADAForm::ShowParameters() {
  for (TParamBox& box : FParams) box.Edit->setText(QString::number(*box.Target, 'f', box.Decimals));
}

// A box left with text that is not a number in its range keeps the last good value (nothing of
// it is ever written) and takes the focus back.
bool TSCADAForm::CheckBox(TParamBox& box) {
  if (FChecking) return false;
  const std::optional<double> v = numbers::ParseTypedNumber(box.Edit->text());
  if (v && *v >= 0 && *v <= box.Limit) {
    *box.Target = *v;
    box.Edit->setText(QString::number(*v, 'f', box.Decimals));
    return true;
  }
  FChecking = true;  // the message takes the focus: no second check from that
  TServices::Prompts().MessageDlg(QStringLiteral("The %1 input is invalid. Please change the value.").arg(box.Name),
                                  TMsgDlgType::mtError, TMsgDlgButtons::OK);
  FChecking = false;
  box.Edit->setFocus();
  box.Edit->selectAll();
  return false;
}

bool TSCADAForm::CheckAll() {
  for (TParamBox& box : FParams)
    if (!CheckBox(box)) return false;
  return true;
}

void TSCADAForm::CommsButtonClick() { FPoll.CommsButtonClick(); }
void TSCADAForm::LadderButtonClick() { FPoll.LadderButtonClick(); }
void TSCADAForm::ReadButtonClick() { FPoll.ReadButtonClick(); }

// Only values that pass their checks are written, and only those shown at the click.
void TSCADAForm::WriteButtonClick() {
  if (!FPoll.WriteEnabled || !CheckAll()) return;
  FPoll.WriteButtonClick(FLoops, FInit);
}

bool TSCADAForm::CommsButtonEnabled() const { return FComms->isEnabled(); }
bool TSCADAForm::LadderButtonEnabled() const { return FLadder->isEnabled(); }
bool TSCADAForm::ReadButtonEnabled() const { return FRead->isEnabled(); }
bool TSCADAForm::WriteButtonEnabled() const { return FWrite->isEnabled(); }

bool TSCADAForm::Digitals(int index) const {
  return index >= 0 && index < DigitalCount ? FPoll.Digitals[static_cast<std::size_t>(index)] : false;
}

double TSCADAForm::Analogs(int index) const {
  return index >= 0 && index < static_cast<int>(FPoll.Analogs.size()) ? FPoll.Analogs[static_cast<std::size_t>(index)] : 0.0;
}

void TSCADAForm::WriteValues(int ColumnNo) {
  TWorkbook* book = TServices::SampleBook();
  if (!book || ColumnNo <= 0) return;
  int column = ColumnNo;
  for (int n = 0; n < 3; ++n) {
    for (double v : {FLoops[n].GainVal, FLoops[n].IntVal, FLoops[n].DerVal, FPoll.Loops[n].SetPointVal, FPoll.Loops[n].OutVal})
      book->SetNumberRC(kSampleRow, column++, v);
  }
}

void TSCADAForm::PrintForm() {
  if (FPrinting->ChoosePrinter() && !FPrinting->PrintPicture(grab()))
    TServices::Prompts().MessageDlg(QStringLiteral("The printer could not be started."), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
}

void TSCADAForm::CloseProcessing() {
  FTimer->stop();
  FPoll.CloseProcessing();
}
