// The serial path against the interface-card simulator on real pseudo-terminals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/ifdseriallink.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/serialmessage.h"
#include "recordinghost.h"
#include "rigconfig/registry.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"
#include "support/cardsimulator.h"
#include "waitfor.h"

namespace {

class IfdSim : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TCardSimulator::Built())
      GTEST_SKIP() << "the simulator is not built (" << TCardSimulator::Program().toStdString()
                   << "): build the ifdsim target to run these tests";
    FSim = std::make_unique<TCardSimulator>(FFolder);  // COM3/COM4 and a fresh serial layer
    FHost.UserClicked = false;
    FHost.Rig.MasterMode = TIFDInputMode::SE;
    FHost.Rig.SlaveMode = TIFDInputMode::DIFF;
    FHost.Rig.RegistryKey = TRegistry::RigKey("Sim Rig", 1.0);
    // What the facade does with a mode reply: activate the card.
    FHost.OnReply = [this](TApdComPortRole role, int code, const QString&) {
      if (code == 151 && FLink) FLink->ApplyCardMode(role);
    };
    FLink = std::make_unique<TIFDSerialLink>(FHost);
  }

  void TearDown() override {
    FLink.reset();
    FSim.reset();
  }

  void StartSimulator(const QStringList& options, bool slave) {
    ASSERT_TRUE(FSim->StartSerial(options, slave)) << "the simulator or its ports did not come up";
  }

  void Connect(int master, int slave) {
    FLink->FpreAssignedPortValCOMm = master;
    FLink->FpreAssignedPortValCOMs = slave;
    FLink->ConnectFirstCard();
  }

  QStringList Replies(const QString& prefix) const { return FHost.CallsStartingWith("Reply " + prefix); }
  QString Logged() const { return QString::fromUtf8(TTempFolder::Read(FFolder.File("commands.log"))); }

  TTempFolder FFolder;
  std::unique_ptr<TCardSimulator> FSim;
  TScriptedPrompts FPrompts;
  TRecordingHost FHost;
  std::unique_ptr<TIFDSerialLink> FLink;
};

int ValueCount(const QString& reply) {
  // "Reply ms ms 134  1 2 3": the data after the code.
  return reply.section(' ', 4).split(' ', Qt::SkipEmptyParts).size();
}
}  // namespace

TEST_F(IfdSim, MasterAndSlaveIdentifySetTheirModesAndDeliverInputs) {
  StartSimulator({"--master", "brenna", "--slave", "brenna"}, true);
  FHost.Rig.UsingEXP = true;
  Connect(3, 4);
  ASSERT_TRUE(FLink->vComPortOpen());
  ASSERT_TRUE(FLink->vComPortOpenAux());
  ASSERT_TRUE(WaitFor([&] { return FLink->FMainCardActive && FLink->FAuxCardActive &&
                                   FLink->ComPort()->Mode() == TIFDInputMode::SE &&
                                   FLink->ComPortAux()->Mode() == TIFDInputMode::DIFF; }))
      << FHost.Calls.join('\n').toStdString();
  EXPECT_EQ(FLink->ComPort()->Name(), "ms");
  EXPECT_EQ(FLink->ComPortAux()->Name(), "sl");
  EXPECT_EQ(FLink->vcomPortMaster(), 3);
  EXPECT_EQ(FLink->vcomPortSlave(), 4);
  EXPECT_FALSE(FLink->FisVexa);

  FLink->SendSampleRequests();
  ASSERT_TRUE(WaitFor([&] { return !Replies("ms ms 134").isEmpty() && !Replies("sl sl 134").isEmpty() &&
                                   !Replies("ms ms 133").isEmpty() && !Replies("sl sl 133").isEmpty(); }))
      << FHost.Calls.join('\n').toStdString();
  // One message per card: sixteen single-ended values from the master, eight differential from
  // the slave.
  EXPECT_EQ(ValueCount(Replies("ms ms 134").first()), 16);
  EXPECT_EQ(ValueCount(Replies("sl sl 134").first()), 8);

  const QString log = Logged();
  EXPECT_TRUE(log.contains("master\tARM\\r")) << log.toStdString();
  EXPECT_TRUE(log.contains("master\tIM2\\r"));
  EXPECT_TRUE(log.contains("slave\tIM1\\r"));
  EXPECT_TRUE(log.contains("slave\tIA\\r"));
}

TEST_F(IfdSim, VexaMasterIsActiveWithoutModeCommand) {
  StartSimulator({"--master", "vexa"}, false);
  FHost.Rig.VexaMode = true;
  FHost.OnReply = nullptr;
  Connect(3, -1);
  ASSERT_TRUE(WaitFor([&] { return FLink->FisVexa; })) << FHost.Calls.join('\n').toStdString();
  EXPECT_EQ(FHost.CallsStartingWith("ActivateCard"), QStringList{"ActivateCard ms"});
  FLink->ApplyCardMode(TApdComPortRole::ms);
  FLink->SendSampleRequests();
  ASSERT_TRUE(WaitFor([&] { return !Replies("ms ms 134").isEmpty() && !Replies("ms ms 159").isEmpty(); }))
      << FHost.Calls.join('\n').toStdString();
  EXPECT_EQ(ValueCount(Replies("ms ms 134").first()), 16);
  EXPECT_FALSE(Logged().contains("IM2")) << "a Vexa gets no mode command";
  EXPECT_TRUE(Logged().contains("master\tDI3\\r"));
}

TEST_F(IfdSim, ASecondMasterIsIgnored) {
  StartSimulator({"--master", "brenna", "--slave", "brenna", "--slave-role", "0"}, true);
  FHost.Rig.UsingEXP = true;
  Connect(3, 4);
  ASSERT_TRUE(WaitFor([&] { return FHost.CallsStartingWith("ShowCardFirmware").size() == 1; }));
  // Give the second identification time to arrive and be ignored.
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(FHost.CallsStartingWith("VComMasterIFDidentified").size(), 1);
  const QString names = FLink->ComPort()->Name() + FLink->ComPortAux()->Name();
  EXPECT_TRUE(names == "msyy" || names == "xxms") << names.toStdString();
  EXPECT_FALSE(FLink->FvComSlaveIFDided);
}

TEST_F(IfdSim, TheSimulatorVanishingMidRunLosesTheCard) {
  StartSimulator({"--master", "brenna", "--vanish-after", "1"}, false);
  Connect(3, -1);
  ASSERT_TRUE(WaitFor([&] { return FLink->FMainCardActive && FLink->ComPort()->Mode() == TIFDInputMode::SE; }));
  FPrompts.ExpectMessage(TLostConnection::Message());
  // Keep sampling while the line goes, so the loss may come from a read or a write.
  ASSERT_TRUE(WaitFor([&] {
    FLink->SendSampleRequests();
    return FHost.Calls.contains("VComLostMaster");
  }, 8000)) << FHost.Calls.join('\n').toStdString();
  EXPECT_FALSE(FLink->vComPortOpen());
  EXPECT_EQ(FLink->ComPort()->Name(), "xx");
  // Further ticks neither write nor ask.
  for (int i = 0; i < 5; ++i) FLink->SendSampleRequests();
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(FHost.CallsStartingWith("VComLostMaster").size(), 1);
}

TEST_F(IfdSim, TheSimulatorKilledMidRunLosesTheCard) {
  StartSimulator({"--master", "brenna"}, false);
  Connect(3, -1);
  ASSERT_TRUE(WaitFor([&] { return FLink->ComPort()->Name() == "ms"; }));
  FPrompts.ExpectMessage(TLostConnection::Message());
  FSim->Kill();
  ASSERT_TRUE(WaitFor([&] {
    FLink->SendSampleRequests();
    return FHost.Calls.contains("VComLostMaster");
  }, 8000)) << FHost.Calls.join('\n').toStdString();
  EXPECT_FALSE(FLink->vComPortOpen());
}
