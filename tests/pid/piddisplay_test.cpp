// The controller window bound to sources on a fake card: the control step through the injected
// clock, time-proportioning, reflux ratio, mode changes, channel binding and the settings sheet.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include "acquisition/qxanalogueconductivitysource.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/sourcefixture.h"
#include "pid/piddisplay.h"
#include "pid/qxcontrollersource.h"
#include "platform/nowaitzone.h"
#include "support/scriptedprompts.h"

using namespace legacy;

namespace {
// Settings rows: measured, controlled, action, cycle, default SP/PB/I/D, -, saved SP/PB/I/D, -,
// cascade column, picture, reflux, configurable.
struct TRowSpec {
  double cells[18];
};

struct TPIDWindow : ::testing::Test, TSourceFixture {
  TQXAnalogueInputSource tank;
  TQXAnalogueOutputSource heater;
  TQXDigitalOutputSource valve, reflux;
  std::vector<TQXSource*> sources;

  TPIDWindow() {
    auto in = Def(IFD_DATASRC, 1, 0, 0);
    in.FLongLabelText = "Tank";
    in.FUnitsLabelText = "degC";
    Calibrate(in, {{0, 0.0}, {100, 5.0}});
    tank.RegisterParent(&panel, in);
    auto out = Def(ANALOGUE_OUT_DATASRC, 2, -1, 0);
    out.FLongLabelText = "Heater";
    Calibrate(out, {{0, 0.0}, {100, 5.0}});
    heater.RegisterParent(&panel, out);
    auto v = Def(DIGITAL_OUT_DATASRC, 0, 2, 0);
    v.FLongLabelText = "Valve";
    valve.RegisterParent(&panel, v);
    auto r = Def(DIGITAL_OUT_DATASRC, 0, 3, 0);
    r.FLongLabelText = "Reflux valve";
    reflux.RegisterParent(&panel, r);
    sources = {&tank, &heater, &valve, &reflux};
    rig.InputChannelNames = {"Tank"};
    rig.InputChannelNumbers[0] = 0;
    rig.OutputChannelNames = {"Heater", "Valve", "Reflux valve"};
    rig.OutputChannelNumbers[0] = -1;
    rig.OutputChannelNumbers[1] = 2;
    rig.OutputChannelNumbers[2] = 3;
    rig.PID_Spreadsheet = tmp.File("piddefn.vts");
    WriteSheet({
        {0, -1, -1, 0, 50, 10, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},  // heater, reverse, configurable
        {0, 2, -1, 10, 40, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},   // valve, 10 s cycle
        {0, 3, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0},      // reflux valve
        {0, 2, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},      // valve again
    });
  }
  void WriteSheet(const std::vector<TRowSpec>& rows) {
    TWorkbook book;
    for (size_t r = 0; r < rows.size(); ++r)
      for (int c = 0; c < 18; ++c)
        if (c != 8 && c != 13 && !(c >= 14 && c <= 15 && rows[r].cells[c] == 0)) book.SetNumberRC(static_cast<int>(r) + 1, c + 1, rows[r].cells[c]);
    book.Write(rig.PID_Spreadsheet, TWorkbook::ftNative2);
  }
  std::unique_ptr<TPIDdisplay> Window(int index) {
    auto w = std::make_unique<TPIDdisplay>(nullptr, TProgramType::StandAloneApp);
    w->SourceList = [this] { return sources; };
    w->Setup(index);
    w->FormActivate();  // the boxes as the window shows them
    return w;
  }
  // A reading of the tank arrives through the card, so the controller has one for this step; its
  // value is then set exactly, to keep the arithmetic below exact.
  void SetTank(double degrees) {
    ifd->RegisterChannel(tank.FChannel, tank.MaxValue);
    ifd->SampleNow();
    tank.DataWrite();
    ASSERT_TRUE(tank.HasReading());
    tank.current_IFD_value = degrees / 100.0 * 2048;
  }
  void Step(TPIDdisplay& w) {
    clock.AdvanceMs(TPIDdisplay::TimerInterval);
    w.Timer1Timer();
  }
  void Click(TPIDdisplay& w, int mode) { w.ModeRadio[mode]->click(); }
  bool ValveOn(int line) { return (card.Device(VelUSB0).Ports[0] >> line) & 1; }
  // Keys as the user presses them in a box.
  static void Press(QWidget* box, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &release);
  }
  static void Type(QWidget* box, const QString& digits) {
    for (QChar c : digits) Press(box, Qt::Key_0 + c.digitValue(), QString(c));
  }
};
}  // namespace

TEST_F(TPIDWindow, AutomaticLoopDrivesTheAnalogueOutputAndAModeChangeClearsTheIntegral) {
  auto w = Window(1);
  ASSERT_EQ(w->ControlData, &heater);
  EXPECT_TRUE(heater.BeingUsedForPID);
  EXPECT_EQ(heater.FPIDLink, w.get());
  EXPECT_EQ(w->OperationalMode, TPIDdisplay::Off);
  EXPECT_EQ(w->SetPointUnits->text(), "degC");
  EXPECT_EQ(w->ActionComboBox->currentText(), "Reverse");
  EXPECT_EQ(w->TabbedNotebook1->count(), 2);  // no picture: no diagram page
  EXPECT_FALSE(w->HelpButton->isEnabled());   // no rig help

  Click(*w, TPIDdisplay::Automatic);
  EXPECT_EQ(heater.FAOSchedStatus, PID_ENGAGED_AUTOMATIC);
  SetTank(48);  // 2 below the set point of 50, reverse action: error +2
  Step(*w);
  EXPECT_DOUBLE_EQ(w->Calc().Gain, 10);
  EXPECT_DOUBLE_EQ(w->Calc().CalculatedError, 2);
  const double first = w->Calc().IntegralValue;
  SetTank(46);
  Step(*w);
  EXPECT_NEAR(w->Calc().IntegralValue - first, 0.375, 1e-9);
  EXPECT_NEAR(w->Calc().PIDOutput, 40 + first + 0.375, 1e-9);
  // The output takes the controller's 40.5 % as its demand in whole units (40, halves to even)
  // and sends that as counts.
  EXPECT_EQ(OutputCounts(0x9A), heater.GetRawFromProcess(40));

  Click(*w, TPIDdisplay::Manual);
  EXPECT_EQ(heater.FAOSchedStatus, PID_ENGAGED_MANUAL);
  Step(*w);
  EXPECT_EQ(w->ManualOutput->value(), 40);  // the box follows the output
  w->ManualOutput->setValue(10);
  EXPECT_EQ(OutputCounts(0x9A), heater.GetRawFromProcess(10));
  Click(*w, TPIDdisplay::Automatic);
  Step(*w);
  EXPECT_DOUBLE_EQ(w->Calc().IntegralValue, 10 * (0.25 / 20) * 4 / 2);  // from zero again

  Click(*w, TPIDdisplay::Off);
  EXPECT_EQ(heater.FAOSchedStatus, PID_NO);
  const int before = OutputCounts(0x9A);
  Step(*w);
  EXPECT_EQ(OutputCounts(0x9A), before);  // Off leaves an analogue output alone
}

TEST_F(TPIDWindow, ACalculationAcrossMidnightSeesTheRealInterval) {
  auto w = Window(1);
  clock.Set(45000.0 - 0.1 / 86400);  // a tenth of a second before midnight
  Click(*w, TPIDdisplay::Automatic);
  SetTank(48);
  clock.Set(45000.0 + 0.15 / 86400);
  Step(*w);
  EXPECT_DOUBLE_EQ(w->Calc().TimeSinceLastCalc, 0.25);
  EXPECT_GT(w->Calc().IntegralValue, 0);
}

TEST_F(TPIDWindow, DigitalOutputIsTimeProportionedAndOnOffAtBandZero) {
  auto w = Window(2);
  ASSERT_EQ(w->ControlData, &valve);
  Click(*w, TPIDdisplay::Manual);
  w->ManualOutput->setValue(30);
  int onMs = 0;
  const size_t writes = card.CallsOf(VelUSB0, SetPort).size();
  for (int i = 0; i < 80; ++i) {  // 20 s
    Step(*w);
    if (ValveOn(2)) onMs += 250;
  }
  EXPECT_EQ(onMs, 6000);
  EXPECT_EQ(card.CallsOf(VelUSB0, SetPort).size() - writes, 4u);  // only the changes reach the card
  // A click on the valve is ignored while the controller holds it.
  const bool state = valve.Output_State;
  valve.DOutButtonClick();
  EXPECT_EQ(valve.Output_State, state);

  // Band 0 after Apply: on/off around the set point, +/-1 % of the 0-100 span.
  w->PropBand->setText("0");
  w->ApplySettings();
  EXPECT_TRUE(w->Calc().IsOnOffController);
  Click(*w, TPIDdisplay::Automatic);
  SetTank(38.5);  // reverse: error +1.5 -> on
  Step(*w);
  EXPECT_TRUE(ValveOn(2));
  SetTank(40.5);  // inside the band: stays on
  Step(*w);
  EXPECT_TRUE(ValveOn(2));
  SetTank(41.5);
  Step(*w);
  EXPECT_FALSE(ValveOn(2));
}

TEST_F(TPIDWindow, RefluxRatioInManualAndTotalRefluxInOff) {
  auto w = Window(3);
  EXPECT_TRUE(w->IsRefluxController);
  EXPECT_EQ(w->ModeRadio[2]->text(), "Off (Total Reflux)");
  EXPECT_TRUE(w->ManualOutput->isHidden());
  Step(*w);  // Off: the valve is fully on
  EXPECT_DOUBLE_EQ(w->Calc().PIDOutput, 100);
  EXPECT_TRUE(ValveOn(3));
  EXPECT_EQ(w->AutoRatio->text(), "- Total Reflux -");

  Click(*w, TPIDdisplay::Manual);
  w->RefluxRatio->setText("3");
  w->ApplySettings();
  Step(*w);
  EXPECT_DOUBLE_EQ(w->Calc().PIDOutput, 75);
  EXPECT_EQ(w->AutoRatio->text(), "3.000 : 1");
  // The ramp adds its rate every second while it runs.
  w->RateOfChange->setText("1");
  w->RateOfChangeChange();
  w->SpeedButton1Click();
  EXPECT_EQ(w->SpeedButton1->text(), "Stop");
  for (int i = 0; i < 4; ++i) Step(*w);
  EXPECT_DOUBLE_EQ(w->AdditionalRefluxRatio, 1);
  EXPECT_DOUBLE_EQ(w->Calc().PIDOutput, 80);
  // Reopened at a full output, the ratio box reads 0.
  w->Calc().ZeroErrorPIDOutput = 100;
  w->FormActivate();
  EXPECT_EQ(w->RefluxRatio->text(), "0");
}

TEST_F(TPIDWindow, AChannelAlreadyInUseKeepsItsFirstController) {
  auto first = Window(2);
  TScriptedPrompts prompts;
  prompts.ExpectMessage("This channel is already in use by another controller.");
  prompts.ExpectMessage("PID Controller : Cannot find Controlled Variable");
  auto second = Window(4);
  EXPECT_EQ(second->ControlData, nullptr);
  EXPECT_EQ(first->ControlData, &valve);

  // Rebinding the first controller to the heater frees the valve for others; a rebind to a
  // channel in use leaves the controller as it was.
  prompts.ExpectMessage("This channel is already in use by another controller.");
  auto heaterLoop = Window(1);
  EXPECT_FALSE(heaterLoop->Rebind(0, 1));
  EXPECT_EQ(heaterLoop->ControlData, &heater);
  EXPECT_EQ(heaterLoop->ControlVariableChannel, -1);
  EXPECT_TRUE(valve.BeingUsedForPID);
}

TEST_F(TPIDWindow, RebindFromTheChannelListsMovesTheLoop) {
  auto w = Window(1);
  EXPECT_TRUE(w->InputsComboBox->isEnabled());  // configurable
  w->OutputsComboBox->setCurrentIndex(2);
  emit w->OutputsComboBox->activated(2);
  EXPECT_TRUE(w->BtnApplyRiconfig->isEnabled());
  w->BtnApplyRiconfigClick();
  EXPECT_FALSE(w->BtnApplyRiconfig->isEnabled());
  EXPECT_TRUE(w->Timer1->isActive());
  EXPECT_EQ(w->ControlData, &reflux);
  EXPECT_FALSE(heater.BeingUsedForPID);
  EXPECT_EQ(heater.FPIDLink, nullptr);
  EXPECT_EQ(heater.FAOSchedStatus, PID_NO);
  EXPECT_TRUE(reflux.BeingUsedForPID);
  w->Timer1->stop();
}

TEST_F(TPIDWindow, BoxesThatDoNotReadKeepTheirSettingsAndSaveRestoreDefault) {
  auto w = Window(1);
  TScriptedPrompts prompts;
  EXPECT_EQ(w->SetPoint->text(), "50.0");
  w->SetPoint->setText("55");
  w->PropBand->setText("ten");
  prompts.ExpectMessage("Proportional Band \"ten\" (kept 10)");
  w->ApplySettings();
  EXPECT_DOUBLE_EQ(w->Calc().SetPointTerm, 55);
  EXPECT_DOUBLE_EQ(w->Calc().ProportionalTerm, 10);
  EXPECT_EQ(w->PropBand->text(), "10");

  // A box that does not read: nothing is saved.
  w->IntegralTime->setText("x");
  prompts.ExpectMessage("Nothing was saved");
  w->SaveButtonClick();
  TWorkbook book;
  book.Read(rig.PID_Spreadsheet);
  EXPECT_EQ(book.NumberRC(1, 10), 0);

  w->IntegralTime->setText("12.5");
  w->SaveButtonClick();
  book.Read(rig.PID_Spreadsheet);
  EXPECT_EQ(book.NumberRC(1, 10), 55);
  EXPECT_EQ(book.NumberRC(1, 12), 12.5);
  EXPECT_EQ(book.NumberRC(2, 10), 0);  // other rows untouched

  w->DefaultButtonClick();
  EXPECT_DOUBLE_EQ(w->Calc().SetPointTerm, 50);
  EXPECT_DOUBLE_EQ(w->Calc().IntegralTerm, 20);
  w->RestoreButtonClick();  // keeps the fraction
  EXPECT_DOUBLE_EQ(w->Calc().IntegralTerm, 12.5);
  EXPECT_EQ(w->SetPoint->text(), "55.0");
}

TEST_F(TPIDWindow, ControllerSourceShowsModeAndWritesItsColumnsAndAClientIsLocked) {
  auto def = Def(CONTROLLER_DATASRC, 5, 0, 0);
  def.FShortLabelText = "TIC";
  def.FUnitsLabelText = "degC";
  rig.Controller_Count = 1;
  TServices::SetSampleBook(&sample);
  // The source finds its sources through the data list; without one the window binds nothing.
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Cannot find Measured Variable").ExpectMessage("Cannot find Controlled Variable");
  TQXControllerSource source;
  source.RegisterParent(&panel, def);
  ASSERT_NE(source.PIDdisplay, nullptr);
  EXPECT_EQ(source.NameControl->title(), " TIC - degC ");
  EXPECT_TRUE(source.PIDdisplay->Timer1->isActive());
  source.PIDdisplay->Timer1->stop();
  source.PIDdisplay->SourceList = [this] { return sources; };
  source.PIDdisplay->BindChannels();
  source.PIDdisplay->ModeRadio[0]->click();
  source.PIDdisplay->Calc().PIDOutput = 42;
  source.DataWrite();
  EXPECT_EQ(source.StatusControl->text(), "Auto");
  EXPECT_EQ(source.SetPointControl->text(), "50.0");
  EXPECT_EQ(sample.NumberRC(2, 5), 10);
  EXPECT_EQ(sample.NumberRC(2, 8), 50);
  EXPECT_EQ(sample.NumberRC(2, 9), 42);
  source.PIDdisplay->ModeRadio[2]->click();
  source.DataWrite();
  EXPECT_EQ(source.StatusControl->text(), "Off");
  EXPECT_EQ(sample.NumberRC(2, 9), 0);

  rig.ProgramType = TProgramType::ClientApp;
  prompts.ExpectMessage("Cannot find Measured Variable").ExpectMessage("Cannot find Controlled Variable");
  TQXControllerSource client;
  client.RegisterParent(&panel, def);
  EXPECT_FALSE(client.PIDdisplay->Timer1->isActive());
  EXPECT_FALSE(client.PIDdisplay->PanelBackground->isEnabled());
  EXPECT_TRUE(client.PIDdisplay->CancelButton->isEnabled());
  client.DButtonClick();
  EXPECT_TRUE(client.PIDdisplay->PanelBackground->isEnabled());
  client.PIDdisplay->CancelButtonClick();
  EXPECT_FALSE(client.PIDdisplay->isVisible());
}

// The schedule hands the controller its set point on every sampling tick; a box the user is still
// typing in (cleared, "-", ".") is neither applied nor answered with a message box there.
TEST_F(TPIDWindow, AScheduledSetPointNeverAppliesAHalfTypedBoxOrAsksAnything) {
  TScriptedPrompts prompts;
  auto w = Window(1);
  Click(*w, TPIDdisplay::Automatic);
  for (const char* typing : {"", "-", "."}) {
    w->PropBand->setText(typing);
    {
      const TNoWaitZone tick("the sampling tick");
      w->ResetSetPointFromSchedule(42.5);
      Step(*w);
    }
    EXPECT_DOUBLE_EQ(w->Calc().SetPointTerm, 42.5);
    EXPECT_DOUBLE_EQ(w->Calc().ProportionalTerm, 10) << typing;  // the band it had
    EXPECT_EQ(w->PropBand->text(), typing);                      // left for the user to finish
  }
  EXPECT_EQ(w->SetPoint->text(), "42.5");
  EXPECT_TRUE(prompts.Records().empty());
  // Finished and applied by the user, the band takes effect.
  w->PropBand->setText("20");
  w->ApplySettings();
  EXPECT_DOUBLE_EQ(w->Calc().ProportionalTerm, 20);
  EXPECT_DOUBLE_EQ(w->Calc().SetPointTerm, 42.5);
}

// "30" typed into the manual output box goes to the card once, as 30 %, when the box is committed;
// the 3 on the way never does, and the control step does not overwrite what is being typed.
TEST_F(TPIDWindow, ATypedManualOutputIsSentWhenCommittedNotPerKeystroke) {
  auto w = Window(1);
  Click(*w, TPIDdisplay::Manual);
  Step(*w);
  const int start = OutputCounts(0x9A);
  std::vector<int> sent;
  QObject::connect(w->ManualOutput, &QSpinBox::valueChanged, [&](int v) { sent.push_back(v); });
  w->ManualOutput->selectAll();
  Type(w->ManualOutput, "3");
  Step(*w);
  Type(w->ManualOutput, "0");
  Step(*w);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(OutputCounts(0x9A), start);
  EXPECT_EQ(w->ManualOutput->cleanText(), "30");
  Press(w->ManualOutput, Qt::Key_Return);
  EXPECT_EQ(sent, std::vector<int>({30}));
  EXPECT_EQ(OutputCounts(0x9A), heater.GetRawFromProcess(30));
  Step(*w);
  EXPECT_EQ(w->ManualOutput->value(), 30);
}

// A diagram output's box behaves the same: the card sees the committed demand only.
TEST_F(TPIDWindow, ATypedDiagramOutputIsSentWhenCommitted) {
  ASSERT_NE(heater.AnalogueDataBox, nullptr);
  const int start = OutputCounts(0x9A);
  heater.AnalogueDataBox->selectAll();
  Type(heater.AnalogueDataBox, "45");
  EXPECT_EQ(OutputCounts(0x9A), start);
  Press(heater.AnalogueDataBox, Qt::Key_Enter);
  EXPECT_EQ(OutputCounts(0x9A), heater.GetRawFromProcess(45));
}

// A conductivity probe is an analogue input a controller may measure.
TEST_F(TPIDWindow, AConductivitySourceCanBeTheMeasuredValue) {
  TScriptedPrompts prompts;
  prompts.ExpectMessage("The weight sheet cannot be read");
  TQXAnalogueConductivitySource probe;
  auto def = Def(CONDUCTIVITY_DATASRC, 6, 5, 0);
  def.FLongLabelText = "Conductivity";
  def.FUnitsLabelText = "mS";
  Calibrate(def, {{0, 0.0}, {100, 5.0}});
  rig.Weight_Spreadsheet = tmp.File("no-weights.vts");
  probe.RegisterParent(&panel, def);
  sources.push_back(&probe);
  WriteSheet({{5, -1, 1, 0, 30, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
  auto w = Window(1);
  EXPECT_EQ(w->MeasuredData, &probe);
  EXPECT_EQ(w->SetPointUnits->text(), "mS");
  Click(*w, TPIDdisplay::Automatic);
  probe.current_IFD_value = 20.0 / 100.0 * 2048;  // 20 mS, 10 below the set point, direct action
  Step(*w);
  EXPECT_DOUBLE_EQ(w->Calc().CalculatedError, -10);
  EXPECT_FALSE(prompts.MessageTexts().join(' ').contains("Cannot find Measured Variable"));
}
