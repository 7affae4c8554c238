// The demo rig's two temperature loops closed through the simulator's plant on the driver path:
// the tank settles at its set point and what reaches the card is what the outputs sent.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "pid/piddisplay.h"
#include "platform/helpwindow.h"
#include "rigconfig/rigconfig.h"
#include "pid/qxcontrollersource.h"
#include "platform/services.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
template <typename T>
T* Find(const std::function<bool(T*)>& match = [](T*) { return true; }) {
  for (TQXSource* s : TServices::DataList()->Sources())
    if (auto* t = qobject_cast<T*>(s); t && match(t)) return t;
  return nullptr;
}
}  // namespace

TEST(ClosedLoop, TankSettlesAtItsSetPointAndTheCardGetsWhatTheOutputsSend) {
  if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  TTempFolder tmp;
  TDemoSimulator sim(tmp);
  const QString demo = sim.Rig(), log = sim.Log();
  // The demo's plant with the lags shortened tenfold, so the loop settles in seconds.
  QString plant = QString::fromUtf8(TTempFolder::Read(demo + "/sim/plant.ini"));
  plant.replace("tau = 40", "tau = 4").replace("tau = 60", "tau = 6");
  tmp.Write("demo/sim/plant.ini", plant.toUtf8());
  ASSERT_TRUE(sim.Start());

  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  master->StartUp(demo, {});
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_NE(ifd, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen && ifd->FLegIOActive; }, 8000)) << master->PanelText(3).toStdString();

  auto* tic1 = Find<TQXControllerSource>([](TQXControllerSource* c) { return c->Index == 1; });
  auto* tic2 = Find<TQXControllerSource>([](TQXControllerSource* c) { return c->Index == 2; });
  auto* tank = Find<TQXAnalogueInputSource>([](TQXAnalogueInputSource* s) { return s->FChannel == 0; });
  auto* heater = Find<TQXAnalogueOutputSource>();
  auto* trim = Find<TQXDigitalOutputSource>([](TQXDigitalOutputSource* s) { return s->FChannel == 5; });
  ASSERT_TRUE(tic1 && tic2 && tank && heater && trim);
  TPIDdisplay& w1 = *tic1->PIDdisplay;
  TPIDdisplay& w2 = *tic2->PIDdisplay;
  ASSERT_EQ(w1.ControlData, heater);
  ASSERT_EQ(w2.ControlData, trim);
  ASSERT_TRUE(w1.Timer1->isActive());
  // Help opens the rig's page on controllers.
  EXPECT_TRUE(w1.HelpButton->isEnabled());
  EXPECT_FALSE(THelpWindow::TopicPage(TServices::Rig()->RigHelpFile, "PID_Controller").isEmpty());

  // Tuned for the faster plant: a shorter integral time.
  w1.SetPoint->setText("50");
  w1.IntegralTime->setText("6");
  w1.ApplySettings();
  w1.ModeRadio[TPIDdisplay::Automatic]->click();
  w2.ModeRadio[TPIDdisplay::Automatic]->click();
  // Settled: within 2 % of the set point for five seconds in a row.
  QElapsedTimer inside, running;
  running.start();
  const bool settled = WaitFor([&] {
    if (std::abs(tank->TaredValue() - 50) > 1.0) {
      inside.invalidate();
      return false;
    }
    if (!inside.isValid()) inside.start();
    return inside.elapsed() >= 5000;
  }, 90000);
  EXPECT_TRUE(settled) << "tank at " << tank->TaredValue() << ", heater " << w1.Calc().PIDOutput << " %";
  RecordProperty("settled_after_ms", static_cast<int>(running.elapsed()) - 5000);
  RecordProperty("tank", QString::number(tank->TaredValue()).toStdString());
  RecordProperty("heater_percent", QString::number(w1.Calc().PIDOutput).toStdString());
  RecordProperty("vessel", QString::number(w2.MeasuredData->TaredValue()).toStdString());
  RecordProperty("trim_percent", QString::number(w2.Calc().PIDOutput).toStdString());
  EXPECT_GT(w1.Calc().PIDOutput, 20);
  EXPECT_LT(w1.Calc().PIDOutput, 90);

  // Pictures for a person to look at: the diagram with both controllers and the three pages of
  // the tank controller's window, as it runs.
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    master->resize(1280, 860);
    master->show();
    WaitFor([] { return false; }, 1500);
    master->grab().save(QString::fromLocal8Bit(dir) + "/pid-diagram.png");
    tic1->DButtonClick();
    for (int page = 0; page < w1.TabbedNotebook1->count(); ++page) {
      w1.TabbedNotebook1->setCurrentIndex(page);
      WaitFor([] { return false; }, 700);
      w1.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/pid-page%1.png").arg(page + 1));
    }
    w1.CancelButtonClick();
  }

  // The trim heater was pulsed on and off by the second loop.
  w1.Timer1->stop();
  w2.Timer1->stop();
  WaitFor([] { return false; }, 1500);  // the last commands reach the card
  // The card's log: the heater's output registers (low byte, then high byte of counts + 2048) and
  // the digital output port.
  int low = -1, outputCounts = 0, lastPort = -1;
  bool sawOn = false, sawOff = false;
  for (const QString& line : QString::fromUtf8(TTempFolder::Read(log)).split('\n')) {
    if (line.section('\t', 1, 1) != "VelUSB0") continue;
    const QString text = line.section('\t', 2);
    const QRegularExpressionMatch ram = QRegularExpression("^SetRAM 0x(9a|9b)=0x([0-9a-f]+)$").match(text);
    if (ram.hasMatch()) {
      const int value = ram.captured(2).toInt(nullptr, 16);
      if (ram.captured(1) == "9a") low = value;
      else if (low >= 0) outputCounts = (value << 8 | low) - 2048;
    }
    const QRegularExpressionMatch port = QRegularExpression("^SetPort 0=0x([0-9a-f]+)$").match(text);
    if (port.hasMatch()) {
      lastPort = port.captured(1).toInt(nullptr, 16);
      (lastPort & 0x20 ? sawOn : sawOff) = true;
    }
  }
  EXPECT_EQ(outputCounts, static_cast<int>(heater->current_IFD_value));
  EXPECT_GT(outputCounts, 0);
  EXPECT_TRUE(sawOn && sawOff) << "the trim heater was not pulsed";
  ASSERT_GE(lastPort, 0);
  EXPECT_EQ((lastPort & 0x20) != 0, trim->Output_State);

  master->close();
  master.reset();
  sim.Process().terminate();
  sim.Process().waitForFinished(5000);
}
