// The facade's serial connection over fake ports: choosing and opening ports with their prompts,
// identification and roles, losing a line, the transmit gate and the remembered ports.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>

#include "fakeportbench.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/ifdseriallink.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/qrlinfo.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "recordinghost.h"
#include "rigconfig/registry.h"
#include "rigconfig/settingsnames.h"
#include "support/scriptedprompts.h"
#include "waitfor.h"

namespace {
QByteArray Ident(const char* model, char role) {
  return QByteArray("VELTRIM-IFD-2.3-") + model + "-" + role + "." + "\x9d\r";
}

class SerialLink : public ::testing::Test {
 protected:
  SerialLink() {
    FHost.Rig.MasterMode = TIFDInputMode::SE;
    FHost.Rig.SlaveMode = TIFDInputMode::DIFF;
    FHost.Rig.Title = "Test Rig";
    FHost.Rig.RegistryKey = TRegistry::RigKey("Test Rig", 1.0);
  }
  // Connects the first card on COM `n` as a remembered port (no prompt).
  void ConnectOn(int master, int slave = -1) {
    FBench.AddPort(master);
    if (slave > 0) FBench.AddPort(slave);
    FLink.FtryAutoComConnect = true;
    FLink.FlastPortValCOMm = master;
    FLink.FlastPortValCOMs = slave;
    FLink.ConnectFirstCard();
  }
  // Bytes from a card, then the dispatcher run dry; returns what the outgoing log got.
  QStringList Answer(int n, const QByteArray& bytes) {
    FBench.Inject(n, bytes);
    return TFakePortBench::Drain().Out;
  }

  TFakePortBench FBench;
  TScriptedPrompts FPrompts;
  TRecordingHost FHost;
  TIFDSerialLink FLink{FHost};
};
}  // namespace

TEST_F(SerialLink, RememberedPortOpensAndTheMasterIdentifies) {
  ConnectOn(3);
  ASSERT_TRUE(FLink.vComPortOpen());
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("ARM\r"));
  EXPECT_EQ(FHost.Calls, QStringList{"VComOneIsSet 3"});
  EXPECT_EQ(FLink.ComPort()->Name(), "xx");

  Answer(3, Ident("B16S", '0'));
  EXPECT_EQ(FLink.ComPort()->Name(), "ms");
  EXPECT_EQ(FLink.ComPort()->Role(), TApdComPortRole::ms);
  EXPECT_TRUE(FLink.FvComMasterIFDided);
  EXPECT_TRUE(FLink.FMainCardActive);
  EXPECT_FALSE(FLink.FisVexa);
  EXPECT_EQ(FLink.fIFDimMaster, TIFDInputMode::SE);
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("IM2\r"));
  EXPECT_EQ(FLink.vcomPortMaster(), 3);
  EXPECT_EQ(FLink.vcomPortSlave(), -1);
  EXPECT_TRUE(FHost.Calls.contains("VComMasterIFDidentified"));
  EXPECT_TRUE(FHost.Calls.contains("ShowCardFirmware ms VELTRIM-IFD-2.3-B16S-0."));
  EXPECT_TRUE(FHost.CallsStartingWith("ActivateCard").isEmpty());

  // The mode reply and other replies go up with the card's role.
  Answer(3, "OK\x97\r");
  EXPECT_EQ(FHost.Calls.last(), "Reply ms ms 151 ");
  FLink.ApplyCardMode(TApdComPortRole::ms);
  EXPECT_EQ(FLink.ComPort()->Mode(), TIFDInputMode::SE);
  EXPECT_EQ(TDataTriggerRep::Find(FLink.ComPort())->AIxMainArraySize(), 16);
}

// A rig titled by one of the listed model codes uses its card as soon as it identifies itself.
TEST_F(SerialLink, AListedRigTitleActivatesTheCardAtIdentification) {
  FHost.Rig.Title = "QXE1";
  FHost.Rig.ImmediateActivationTitles = {"QXE1", "QXE2"};
  ConnectOn(3);
  FBench.TakeWritten(3);
  Answer(3, Ident("B16S", '0'));
  EXPECT_EQ(FHost.CallsStartingWith("ActivateCard"), QStringList{"ActivateCard ms"});
}

TEST_F(SerialLink, VexaMasterIsActiveAtOnceAndWarnsAboutTheRigMode) {
  ConnectOn(3);
  FBench.TakeWritten(3);
  FPrompts.ExpectMessage("recongnised as an Vexa");
  Answer(3, Ident("Vexa", '0'));
  EXPECT_TRUE(FLink.FisVexa);
  EXPECT_TRUE(FHost.Calls.contains("EnableVexamode"));
  EXPECT_EQ(FHost.CallsStartingWith("ActivateCard"), QStringList{"ActivateCard ms"});
  EXPECT_TRUE(FBench.TakeWritten(3).isEmpty()) << "a Vexa gets no mode command";
  FLink.readCaptureRig();
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("DI1\rDI3\r"));
}

TEST_F(SerialLink, MasterAndSlaveTakeTheirRolesAndASecondMasterIsIgnored) {
  FHost.Rig.UsingEXP = true;
  FHost.Rig.VexaMode = true;
  ConnectOn(3, 4);
  ASSERT_TRUE(FLink.vComPortOpenAux());
  EXPECT_EQ(FBench.TakeWritten(4), QByteArray("ARM\r"));
  EXPECT_TRUE(FHost.Calls.contains("VComTwoIsSet 4"));
  FBench.TakeWritten(3);

  // Both cards claim the master role: the first reply wins.
  Answer(3, Ident("B16S", '0'));
  Answer(4, Ident("B16S", '0'));
  EXPECT_EQ(FLink.ComPort()->Name(), "ms");
  EXPECT_EQ(FLink.ComPortAux()->Name(), "yy");
  EXPECT_EQ(FHost.CallsStartingWith("VComMasterIFDidentified").size(), 1);
  EXPECT_TRUE(FBench.TakeWritten(4).isEmpty());

  Answer(4, Ident("B16S", '1'));
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("IM2\r"));
  EXPECT_EQ(FLink.ComPortAux()->Name(), "sl");
  EXPECT_TRUE(FLink.FvComSlaveIFDided);
  EXPECT_EQ(FLink.fIFDimSlave, TIFDInputMode::DIFF);
  EXPECT_EQ(FBench.TakeWritten(4), QByteArray("IM1\r"));
  EXPECT_EQ(FLink.getParsedVComPortsValues(), QString(QChar(0xA6)) + "COMm=3" + QChar(0xA6) + "COMs=4");

  // A slave identification without the Vexa model needs no Vexa handling; a text without a role
  // digit identifies nothing.
  Answer(3, "garbage\x9d\r");
  Answer(3, "\x9d\r");
  EXPECT_EQ(FHost.CallsStartingWith("EnableVexamode").size(), 0);

  // Every tick: "IA" to each active card, "DI" to each port.
  FLink.SendSampleRequests();
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("IA\rDI\r"));
  EXPECT_EQ(FBench.TakeWritten(4), QByteArray("IA\rDI\r"));

  FLink.ReleaseSecondPort();
  EXPECT_EQ(FLink.ComPortAux(), nullptr);
  EXPECT_TRUE(FHost.Calls.contains("VComLostSlave"));
  EXPECT_TRUE(FHost.Calls.contains("ClearCardFirmware sl"));
  EXPECT_EQ(FLink.vcomPortSlave(), -1);
}

TEST_F(SerialLink, NoPortAtAllWarnsAndFallsBackToTheDriver) {
  FPrompts.ExpectMessage("cannot find any available Comm Port");
  FLink.ConnectFirstCard();
  EXPECT_FALSE(FLink.vComPortOpen());
  EXPECT_TRUE(FHost.Calls.contains("SwitchToLegacyDriverForced"));
}

TEST_F(SerialLink, SilentReconnectToAMissingPortAsksNothing) {
  FHost.UserClicked = false;
  FBench.AddPort(3);
  FLink.FtryAutoComConnect = true;
  FLink.FlastPortValCOMm = 5;
  FLink.ConnectFirstCard();
  EXPECT_FALSE(FLink.vComPortOpen());
  EXPECT_EQ(FHost.Calls, QStringList{"SwitchToLegacyDriverForced"});
}

TEST_F(SerialLink, PortNumberOneAndCancelledChoicesAsk) {
  FBench.AddPort(3);
  FBench.AddPort(4);
  // A port number of 1 opens the choice instead of COM1; cancelling asks whether to choose again.
  FLink.FpreAssignedPortValCOMm = 1;
  FPrompts.ExpectChoice(std::nullopt)
      .ExpectMessage("must be selected from the list box", TModalResult::mrYes)
      .ExpectChoice(1);
  FLink.ConnectFirstCard();
  EXPECT_TRUE(FLink.vComPortOpen());
  EXPECT_EQ(FLink.ComPort()->ComNumber(), 4);
  EXPECT_EQ(FLink.FpreAssignedPortValCOMm, -1);
  const TPromptRecord& choice = FPrompts.Records().front();
  EXPECT_EQ(choice.Items.size(), 2);
  EXPECT_TRUE(choice.Items[0].startsWith("COM3"));
  EXPECT_TRUE(choice.Items[0].contains(FBench.AddPort(3)));
}

TEST_F(SerialLink, RefusedChoiceFallsBackAfterTheUsersSecondChance) {
  FBench.AddPort(3);
  FLink.FpreAssignedPortValCOMm = 1;
  FPrompts.ExpectChoice(std::nullopt)
      .ExpectMessage("must be selected", TModalResult::mrNo)
      .ExpectChoice(std::nullopt)
      .ExpectMessage("must be selected", TModalResult::mrNo);
  FLink.ConnectFirstCard();
  EXPECT_FALSE(FLink.vComPortOpen());
  EXPECT_EQ(FLink.ComPort()->ComNumber(), 0);
  EXPECT_TRUE(FHost.Calls.contains("SwitchToLegacyDriverForced"));
}

TEST_F(SerialLink, OpenErrorIsShownWithItsClassAndMessage) {
  FBench.AddPort(3);
  FBench.Line(3).OpenError = "Permission denied";
  FHost.UserClicked = false;
  FLink.FpreAssignedPortValCOMm = 3;
  FPrompts.ExpectMessage("ESerialPortError error raised, with message : Permission denied");
  FLink.ConnectFirstCard();
  EXPECT_FALSE(FLink.vComPortOpen());
}

TEST_F(SerialLink, SecondPortIsOfferedThePortTheFirstDoesNotUse) {
  FHost.Rig.UsingEXP = true;
  FBench.AddPort(3);
  FLink.FpreAssignedPortValCOMm = 3;
  // Only COM3 exists and the first port has it: the second finds none.
  FPrompts.ExpectMessage("cannot find any available Comm Port");
  FLink.ConnectFirstCard();
  EXPECT_TRUE(FLink.vComPortOpen());
  EXPECT_FALSE(FLink.vComPortOpenAux());
  EXPECT_EQ(FLink.ComPortAux(), nullptr);
}

TEST_F(SerialLink, MasterFailingMeansNoSlaveConnection) {
  FHost.Rig.UsingEXP = true;
  FHost.UserClicked = false;
  FBench.AddPort(4);
  FLink.FpreAssignedPortValCOMs = 4;  // the slave's port is there, the master's is not
  FLink.ConnectFirstCard();
  EXPECT_EQ(FHost.Calls, QStringList{"SwitchToLegacyDriverForced"});
  EXPECT_FALSE(FLink.vComPortOpenAux());
}

TEST_F(SerialLink, LaunchParametersPreassignThePorts) {
  FHost.Rig.UsingEXP = true;
  FBench.AddPort(6);
  FBench.AddPort(7);
  const QString sep(QChar(TQrlInfo::Separator));
  FLink.TakeLaunchParameters(TQrlInfo({"quorlex", sep + "COMm=7" + sep + "COMs=6"}));
  FLink.ConnectFirstCard();
  EXPECT_EQ(FLink.ComPort()->ComNumber(), 7);
  EXPECT_EQ(FLink.ComPortAux()->ComNumber(), 6);
  EXPECT_EQ(FLink.FpreAssignedPortValCOMs, -1);
}

TEST_F(SerialLink, AFailedWriteLosesTheCardOnce) {
  ConnectOn(3);
  Answer(3, Ident("B16S", '0'));
  TFakePortBench::Drain();
  FBench.Line(3).FailWrites = true;
  FPrompts.ExpectMessage(TLostConnection::Message());
  TCommandWriter::SendCommand(FLink.ComPort(), "IA\r");
  TCommandWriter::SendCommand(FLink.ComPort(), "O0+5\r");  // the port is closed now: logged only
  const QStringList out = TFakePortBench::Drain().Out;
  EXPECT_EQ(out, (QStringList{"IA\r ms", "X ms", "O0+5\r xx"}));
  EXPECT_FALSE(FLink.vComPortOpen());
  EXPECT_EQ(FLink.ComPort()->Name(), "xx");
  EXPECT_TRUE(FHost.Calls.contains("VComLostMaster"));
  EXPECT_EQ(FLink.vcomPortMaster(), -1);
  // The manual restore reopens the line and lets the card identify itself again.
  FBench.Line(3).FailWrites = false;
  FPrompts.ExpectChoice(0);
  FLink.TryToRestoreLogManually();
  EXPECT_TRUE(FLink.vComPortOpen());
  EXPECT_TRUE(TCommandWriter::TransmitGateOpen());
  EXPECT_EQ(FBench.TakeWritten(3).right(4), QByteArray("ARM\r"));
  Answer(3, Ident("B16S", '0'));
  EXPECT_EQ(FLink.vcomPortMaster(), 3);
}

TEST_F(SerialLink, AVanishingLineLosesTheCard) {
  FHost.Rig.UsingEXP = true;
  ConnectOn(3, 4);
  Answer(4, Ident("B16S", '1'));
  FPrompts.ExpectMessage("stopped communicating with the equipment");
  FBench.Line(4).Device->Vanish();
  EXPECT_FALSE(FLink.vComPortOpenAux());
  EXPECT_TRUE(FHost.Calls.contains("VComLostSlave"));
  EXPECT_TRUE(FLink.vComPortOpen()) << "the other card's line is untouched";
  // Requests to the lost line are dropped silently.
  FBench.TakeWritten(3);
  FLink.SendSampleRequests();
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("DI\r"));
}

TEST_F(SerialLink, ClosedTransmitGateHoldsEverythingButDirectWrites) {
  ConnectOn(3);
  TFakePortBench::Drain();
  FBench.TakeWritten(3);
  TCommandWriter::SetTransmitGateOpen(false);
  FLink.SendSampleRequests();
  TCommandWriter::SendCommand(FLink.ComPort(), "O0+5\r");
  EXPECT_TRUE(FBench.TakeWritten(3).isEmpty());
  EXPECT_TRUE(TFakePortBench::Drain().Out.isEmpty());
  TCommandWriter::WriteToPort(FLink.ComPort(), "T4,2000\r");
  EXPECT_EQ(FBench.TakeWritten(3), QByteArray("T4,2000\r"));
}

TEST_F(SerialLink, LastPortsAreRememberedUnderTheRigKey) {
  ConnectOn(3);
  Answer(3, Ident("B16S", '0'));
  FLink.WriteLastPorts();
  TIFDSerialLink next(FHost);
  next.ReadLastPorts();
  EXPECT_TRUE(next.FtryAutoComConnect);
  EXPECT_EQ(next.FlastPortValCOMm, 3);
  EXPECT_EQ(next.FlastPortValCOMs, -1);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(FHost.Rig.RegistryKey, true));
  reg.WriteBool(settings::reg::AutoCom, false);
  reg.CloseKey();
  next.ReadLastPorts();
  EXPECT_FALSE(next.FtryAutoComConnect);
  EXPECT_EQ(next.FlastPortValCOMm, -1);
}

TEST_F(SerialLink, APortAnotherQuorlexHoldsIsRefusedByNameAndItsRememberedPortsStay) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FHost.Rig.RegistryKey, true));
    reg.WriteInteger(settings::reg::LastComMaster, 3);
    reg.CloseKey();
  }
  const QString path = FBench.AddPort(3);
  QLockFile other(TApdComPortEx::LockFileFor(QFileInfo(path).canonicalFilePath()));
  ASSERT_TRUE(other.tryLock(0));
  FHost.UserClicked = false;
  FLink.FtryAutoComConnect = true;
  FLink.FlastPortValCOMm = 3;
  FPrompts.ExpectMessage(TApdComPortEx::HeldElsewhereText(3, QCoreApplication::applicationPid()));
  FLink.ConnectFirstCard();
  EXPECT_FALSE(FLink.vComPortOpen());
  EXPECT_TRUE(FPrompts.MessageTexts().value(0).startsWith("Another Quorlex (process ")) << FPrompts.MessageTexts().value(0).toStdString();
  // Leaving the serial path writes nothing over the other program's choice.
  FLink.WriteLastPorts();
  TIFDSerialLink next(FHost);
  next.ReadLastPorts();
  EXPECT_EQ(next.FlastPortValCOMm, 3);
  // Once the other program lets go, the port opens.
  other.unlock();
  FLink.FlastPortValCOMm = 3;
  FLink.ConnectFirstCard();
  EXPECT_TRUE(FLink.vComPortOpen());
}

TEST_F(SerialLink, ReadingsThatDoNotArriveShowTheLinkDegradedWithItsLossRate) {
  ConnectOn(3);
  Answer(3, Ident("B16S", '0'));
  FLink.ApplyCardMode(TApdComPortRole::ms);
  auto tick = [&](int missing) {
    FLink.NoteSampleLosses(missing, 4, 0, 0);
    FLink.SendSampleRequests();
    FLink.PublishMasterStatus();
    return FHost.CallsStartingWith("setVComStatusMsg").last();
  };
  tick(0);  // the first request: no sample to judge yet
  EXPECT_EQ(tick(0), "setVComStatusMsg IFD: vCOM(3)m");
  EXPECT_EQ(tick(2), "setVComStatusMsg " + TIFDSerialLink::DegradedStatus("IFD: vCOM(3)m", 25, FLink.CommunicationErrors()));
  EXPECT_TRUE(tick(0).contains("degraded: 17% of readings lost"));
  // Once the window has no loss in it, the status is plain again.
  QString last;
  for (int i = 0; i < TIFDSerialLink::LossWindow; ++i) last = tick(0);
  EXPECT_EQ(last, "setVComStatusMsg IFD: vCOM(3)m");
}

TEST_F(SerialLink, StatusTextsGoUpAndRefreshMessagesArePosted) {
  TMessageBus bus;
  TServices::SetBus(&bus);
  QStringList posted;
  bus.SetHandler([&](unsigned msg, std::intptr_t, std::intptr_t) { posted << bus.MessageName(msg); });
  FLink.PublishMasterStatus();  // no port yet: nothing
  ConnectOn(3);
  Answer(3, Ident("B16S", '0'));
  FLink.PublishMasterStatus();
  FLink.PublishSlaveStatus();
  EXPECT_TRUE(WaitFor([&] { return posted.size() == 1; }));
  EXPECT_EQ(posted, QStringList{"WM_REFRESH_VCOM_STATUS"});
  EXPECT_EQ(FHost.CallsStartingWith("setVComStatusMsg"), QStringList{"setVComStatusMsg IFD: vCOM(3)m"});
  FLink.listAvailableComPorts();
  EXPECT_EQ(FHost.Calls.last(), "AddDebugMessages List Of Available Com Ports|COM3=3");
  TServices::SetBus(nullptr);
}
