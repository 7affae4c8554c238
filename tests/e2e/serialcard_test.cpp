// Quorlex on the demo rig against the simulator's serial card at the line rate: the card's values
// match the driver path's, and a card pulled out stays shown as lost until it is back.
#include <gtest/gtest.h>

#include <QAction>

#include <array>

#include "ifd/qxifd.h"
#include "ifd/serial/ifdseriallink.h"
#include "ifd/serial/waitfor.h"
#include "ifd/serial/lostconnection.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
void Shoot(TMaster& master, const QString& name) {
  const QByteArray dir = qgetenv("QUORLEX_SHOTS");
  if (dir.isEmpty()) return;
  master.resize(1280, 860);
  master.show();
  WaitFor([] { return false; }, 800);
  master.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

struct SerialCardDemo : ::testing::Test {
  TTempFolder tmp;
  TDemoSimulator sim{tmp};
  const QString demo = sim.Rig();

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  }
  // The demo rig's simulator, as scripts/run starts it (paced at 38400 baud).
  void StartSimulator(const QStringList& extra) { ASSERT_TRUE(sim.Start(extra)); }
};
}  // namespace

TEST_F(SerialCardDemo, TheCardsValuesMatchTheDriversAndALostCardStaysShownUntilItIsBack) {
  StartSimulator({});
  if (HasFatalFailure()) return;
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  master->StartUp(demo, {});
  TQXIFD* ifd = master->Diagram()->IFD();
  ASSERT_NE(ifd, nullptr);

  // The same plant through the driver devices, then through the serial card: the tank, the
  // vessel and the flow read alike, within the plant's noise.
  // Settled from 0 through the input filter: the tank at about -1500, the vessel at -1600.
  ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen && ifd->MainChannelValue[0] < -1480 && ifd->MainChannelValue[1] < -1580; }, 15000))
      << master->PanelText(3).toStdString() << " " << ifd->MainChannelValue[0];
  std::array<int, 5> legacy{};
  for (int i = 0; i < 5; ++i) legacy[static_cast<size_t>(i)] = ifd->DataForChannel(i);
  prompts.ExpectChoice(0);  // the port list: COM3 first
  master->ConnectClick(true);
  ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && master->PanelText(3) == "IFD: vCOM(3)m"; }, 8000))
      << master->PanelText(3).toStdString();
  std::array<int, 5> now{};
  // Fresh answers from the card, several ticks of them.
  WaitFor([] { return false; }, 3000);
  for (int i = 0; i < 5; ++i) now[static_cast<size_t>(i)] = ifd->DataForChannel(i);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(now[static_cast<size_t>(i)], legacy[static_cast<size_t>(i)], 25) << "input " << i;
  EXPECT_EQ(ifd->SerialLink().CommunicationErrors(), 0);

  // The card is pulled out: the loss is told once and stays on the status bar tick after tick.
  prompts.ExpectMessage(TLostConnection::Message());
  sim.Kill();
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3) == "IFDVCM: LOST"; }, 8000)) << master->PanelText(3).toStdString();
  WaitFor([] { return false; }, 2500);
  EXPECT_EQ(master->PanelText(3), "IFDVCM: LOST");
  EXPECT_TRUE(ifd->SerialLink().LineLost(TIFDSerialLink::TPortSlot::First));
  Shoot(*master, "lost-card.png");

  // Plugged in again: picked up without a restart.
  StartSimulator({"--no-devices"});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3) == "IFD: vCOM(3)m"; }, 10000)) << master->PanelText(3).toStdString();
  EXPECT_TRUE(ifd->FvComIOActive);
  EXPECT_FALSE(ifd->SerialLink().LineLost(TIFDSerialLink::TPortSlot::First));
  Shoot(*master, "card-back.png");

  master->close();
  master.reset();
}
