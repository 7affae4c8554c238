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
#include <algorithm>
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
  FPoll.OnWritten = [this](int batch) { Written(batch); };
  IPlantArrays::SetCurrent(this);
  connect(FTimer, &QTimer::timeout, this, &TSCADAForm::Timer1Timer);
  FTimer->start(kTickMs);
  Show(false);
}

TSCADAForm::~TSCADAForm() {
  if (IPlantArrays::Current() == this) IPlantArrays::SetCurrent(nullptr);
  FPoll.CloseProcessing();
  FPoll.OnChanged = nullptr;
  FPoll.OnWritten = nullptr;
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
    const double* const reads[] = {&FPoll.Loops[n].GainVal, &FPoll.Loops[n].IntVal, &FPoll.Loops[n].DerVal};
    for (int k = 0; k < 3; ++k) {
      QLineEdit* e = EditBox(group, QString::fromLatin1(settings[k].first) + i);
      form->addRow(QString::fromLatin1(settings[k].second), e);
      FParams.push_back({e, 100, 1, CaptionName(settings[k].second), targets[k], reads[k]});
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
    auto* label = new QLabel(QString::fromLatin1(kInitBoxes[k][1]), init);
    label->setBuddy(e);  // the caption a refusal names is the one read beside the box
    grid->addWidget(label, k % 3, (k / 3) * 2);
    grid->addWidget(e, k % 3, (k / 3) * 2 + 1);
    FParams.push_back({e, TPlantPoll::InitLimit(k), 0, CaptionName(kInitBoxes[k][1]), &FInit[k], &FPoll.Init[k]});
  }
  top->addWidget(init);
  for (std::size_t k = 0; k < FParams.size(); ++k) {
    QLineEdit* e = FParams[k].Edit;
    // Each box checks itself, so a refusal names the box typed in.
    connect(e, &QLineEdit::editingFinished, this, [this, k] { CheckBox(FParams[k]); });
    connect(e, &QLineEdit::textEdited, this, [this, k] { MarkBox(FParams[k], TBoxState::Typed); });
  }
  FStatus1 = new QLabel(this);
  FStatus1->setObjectName(QStringLiteral("Status1"));
  FMessages = new QLabel(this);
  FMessages->setObjectName(QStringLiteral("Messages"));
  FMessages->setWordWrap(true);
  for (QLabel* l : {FStatus1, FMessages}) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FRequests = new QLabel(this);
  FRequests->setObjectName(QStringLiteral("Requests"));
  FRequests->setWordWrap(true);
  FRequests->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* lines = new QFormLayout;
  lines->addRow(QStringLiteral("Ladder stage:"), FStatus1);
  lines->addRow(QStringLiteral("Messages:"), FMessages);
  lines->addRow(QStringLiteral("Requests:"), FRequests);
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

// Besides running the poll, shows a value going out of date when the controller stops answering
// in the middle of an exchange (no event says so until the exchange times out).
void TSCADAForm::Timer1Timer() {
  FPoll.Tick();
  if (FreshnessSignature() != FFreshness) Show(false);
}

int TSCADAForm::FreshnessSignature() const {
  int bits = 0;
  for (int n = 0; n < 3; ++n) bits = bits << 1 | (FPoll.LoopFresh(n) ? 1 : 0);
  bits = bits << 1 | (FPoll.Fresh(QStringLiteral("N7:115")) ? 1 : 0);
  bits = bits << 1 | (FPoll.Fresh(QStringLiteral("N11:2")) ? 1 : 0);
  return bits;
}

void TSCADAForm::Show(bool parameters) {
  const TPlantPoll& p = FPoll;
  FFreshness = FreshnessSignature();
  const QString unavailable = QStringLiteral("n/a");
  for (int n = 0; n < 3; ++n) {
    const bool fresh = p.LoopFresh(n);
    FSetPoint[n]->setText(fresh ? QString::number(p.Loops[n].SetPointVal, 'f', 1) : unavailable);
    FOutput[n]->setText(fresh ? QString::number(std::lround(p.Loops[n].OutVal)) : unavailable);
    FMode[n]->setText(!fresh ? unavailable : p.Loops[n].ModeOff ? QStringLiteral("Off") : QStringLiteral("Auto"));
  }
  FDivert1->setText(p.Fresh(QStringLiteral("N7:115")) ? QString::number(p.Divert1) : unavailable);
  FActualPower1->setText(p.Fresh(QStringLiteral("N11:2")) ? QString::number(p.ActualPower1, 'f', 2) : unavailable);
  FStatus1->setText(TPlantPoll::StageText(p.stage));
  FComms->setText(p.CommsCaption());
  FLadder->setText(p.LadderCaption());
  FComms->setEnabled(p.CommsEnabled);
  FLadder->setEnabled(p.LadderEnabled);
  FRead->setEnabled(p.ReadEnabled);
  FWrite->setEnabled(p.WriteEnabled);
  if (parameters) ShowParameters();
  FMessages->setText(MessagesText());
  FRequests->setText(RequestsText());
  emit ButtonsChanged();
}

// Only boxes that follow the controller take what was read; a typed or waiting value stays.
void TSCADAForm::ShowParameters() {
  for (TParamBox& box : FParams) {
    if (box.State != TBoxState::Clean) continue;
    *box.Target = *box.Read;
    box.Edit->setText(QString::number(*box.Target, 'f', box.Decimals));
  }
}

void TSCADAForm::MarkBox(TParamBox& box, TBoxState state) {
  box.State = state;
  switch (state) {
    case TBoxState::Clean:
      box.Edit->setStyleSheet(QString());
      box.Edit->setToolTip(QString());
      break;
    case TBoxState::Typed:
      box.Edit->setStyleSheet(QStringLiteral("QLineEdit { background: #fff3b0; }"));
      box.Edit->setToolTip(QStringLiteral("Typed here and not yet written to the controller"));
      break;
    case TBoxState::Writing:
      box.Edit->setStyleSheet(QStringLiteral("QLineEdit { background: #dce8ff; }"));
      box.Edit->setToolTip(QStringLiteral("Waiting to be written to the controller"));
      break;
  }
  if (FMessages) FMessages->setText(MessagesText());
}

// The controller holds the write: its boxes follow the controller again (unless typed in since).
void TSCADAForm::Written(int batch) {
  for (TParamBox& box : FParams)
    if (box.State == TBoxState::Writing && box.Batch == batch) MarkBox(box, TBoxState::Clean);
}

int TSCADAForm::Unwritten() const {
  return static_cast<int>(std::count_if(FParams.begin(), FParams.end(),
                                        [](const TParamBox& b) { return b.State != TBoxState::Clean; }));
}

bool TSCADAForm::Unwritten(const QString& name) const {
  for (const TParamBox& box : FParams)
    if (box.Edit->objectName() == name) return box.State != TBoxState::Clean;
  return false;
}

// "OK" stands only beside boxes that all hold what the controller holds.
QString TSCADAForm::MessagesText() const {
  const int unwritten = Unwritten();
  if (FPoll.Messages != QLatin1String("OK") || unwritten == 0) return FPoll.Messages;
  return QStringLiteral("OK - %1 typed value%2 not yet written (marked)").arg(unwritten).arg(unwritten == 1 ? "" : "s");
}

QString TSCADAForm::RequestsText() const {
  const QStringList pending = FPoll.PendingRequests();
  if (!pending.isEmpty()) return QStringLiteral("Pending: ") + pending.join(QStringLiteral(", "));
  return FPoll.Outcome.isEmpty() ? QStringLiteral("None") : FPoll.Outcome;
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
// Read Values gives up what was typed and not written: those boxes show the controller's values
// once read. A box waiting for its write keeps its value.
void TSCADAForm::ReadButtonClick() {
  if (!FPoll.ReadEnabled) return;
  for (TParamBox& box : FParams)
    if (box.State == TBoxState::Typed) MarkBox(box, TBoxState::Clean);
  FPoll.ReadButtonClick();
}

// Only values that pass their checks are written, and only those shown at the click.
void TSCADAForm::WriteButtonClick() {
  if (!FPoll.WriteEnabled || !CheckAll()) return;
  ++FBatch;
  for (TParamBox& box : FParams)
    if (box.State != TBoxState::Clean) {
      box.Batch = FBatch;
      MarkBox(box, TBoxState::Writing);
    }
  FPoll.WriteButtonClick(FLoops, FInit, FBatch);
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

bool TSCADAForm::DigitalAvailable(int index) const { return FPoll.DigitalFresh(index); }
bool TSCADAForm::AnalogAvailable(int index) const { return FPoll.AnalogFresh(index); }

// What the controller holds, not what the boxes show: settings as last read or written while the
// link held, set point and output as answered within the poll time; anything else stays empty.
void TSCADAForm::WriteValues(int ColumnNo) {
  TWorkbook* book = TServices::SampleBook();
  if (!book || ColumnNo <= 0) return;
  int column = ColumnNo;
  auto put = [book, &column](bool known, double v) {
    if (known) book->SetNumberRC(kSampleRow, column, v);
    else book->ClearRange(kSampleRow, column, kSampleRow, column);
    ++column;
  };
  for (int n = 0; n < 3; ++n) {
    const TPlantPoll::TLoop& loop = FPoll.Loops[n];
    for (double v : {loop.GainVal, loop.IntVal, loop.DerVal}) put(FPoll.ParametersKnown(), v);
    for (double v : {loop.SetPointVal, loop.OutVal}) put(FPoll.LoopFresh(n), v);
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
