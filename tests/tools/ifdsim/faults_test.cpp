// The fault switches: each does what it says, on the pseudo-terminal and on the device socket.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include "deviceclient.h"
#include "faultplan.h"
#include "serialclient.h"
#include "simrig.h"

namespace {
const QByteArray kPlant = "[ai1]\nsource = -250\n";

class Faults : public ::testing::Test {
 protected:
  void Start(const QStringList& options) {
    ASSERT_TRUE(Rig.Start(options, kPlant)) << Rig.Error.toStdString();
    Card = std::make_unique<TSerialClient>(Rig.SerialPath());
  }
  // Whether a command is answered within a short time (only for checking that it is not).
  bool Answered(const QByteArray& command) {
    Card->Send(command);
    return !Card->ReadFor(40).isEmpty();
  }
  TSimRig Rig;
  std::unique_ptr<TSerialClient> Card;
};
}  // namespace

TEST_F(Faults, DropEveryNthReply) {
  Start({"--drop-every", "3"});
  // Six single-input reads, told apart by their codes: the third and sixth go missing.
  Card->Send("I0\rI1\rI2\rI3\rI4\rI5\r");
  QByteArray codes;
  for (char c : Card->ReadFrames(4))
    if (quint8(c) >= 0x80) codes += c;
  EXPECT_EQ(codes, QByteArray("\x87\x88\x8A\x8B"));
  EXPECT_EQ(Card->ReadFor(50), QByteArray());
  EXPECT_EQ(Rig.Log().count("(reply dropped)"), 2);
}

TEST_F(Faults, CorruptEveryNthReplyKeepsTheFramingButNotTheValue) {
  Start({"--corrupt-every", "2"});
  EXPECT_EQ(Card->Ask("I1\r"), QByteArray("-250\x88\r"));
  EXPECT_EQ(Card->Ask("I1\r"), QByteArray("?-???\x88\r"));
  EXPECT_EQ(Card->Ask("I1\r"), QByteArray("-250\x88\r"));
}

TEST_F(Faults, DelayHoldsRepliesBackInOrder) {
  Start({"--delay", "150"});
  QElapsedTimer timer;
  timer.start();
  Card->Send("F1\rI1\r");
  EXPECT_EQ(Card->ReadFor(80), QByteArray());
  EXPECT_EQ(Card->ReadFrames(2), QByteArray("OK\x99\r-250\x88\r"));
  EXPECT_GE(timer.elapsed(), 145);
}

TEST_F(Faults, NoArmLeavesTheCardUnidentifiedButOtherwiseWorking) {
  Start({"--no-arm"});
  EXPECT_FALSE(Answered("ARM\r"));
  EXPECT_EQ(Card->Ask("IM2\r"), QByteArray("OK\x97\r"));
  EXPECT_TRUE(Rig.Log().contains("\tmaster\tARM\\r")) << "the command is still logged";
}

TEST_F(Faults, VanishClosesEveryPortAndSocketAfterTheTime) {
  Start({"--vanish-after", "0.4", "--slave", "brenna"});
  TDeviceClient device(Rig.DevicePath("VelUSB0"));
  EXPECT_EQ(device.GetPort(3), 0);
  EXPECT_EQ(Card->Ask("ARM\r").right(2), QByteArray("\x9D\r"));
  EXPECT_TRUE(Card->HungUp());
  EXPECT_TRUE(device.Closed());
  for (const QString& path : {Rig.SerialPath("master"), Rig.SerialPath("slave"), Rig.DevicePath("VelUSB0"),
                              Rig.DevicePath("VelUSB1")})
    EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
  EXPECT_TRUE(Rig.Log().contains("(vanished)"));
}

TEST_F(Faults, OnTheDeviceSocketADroppedAnswerIsAFailedCall) {
  Start({"--drop-every", "2", "--corrupt-every", "3", "--no-serial"});
  TDeviceClient device(Rig.DevicePath("VelUSB0"));
  EXPECT_EQ(device.GetPort(3), 0);
  const TDeviceClient::TResult dropped = device.Call(0x80002010, QByteArray(2, '\0'), 1);
  EXPECT_TRUE(dropped.Answered) << "the caller is not left waiting";
  EXPECT_FALSE(dropped.Ok);
  EXPECT_EQ(device.GetPort(3), 0xFF) << "the third answer comes inverted";
}

TEST(FaultPlan, DropWinsWhenBothFallOnTheSameReply) {
  TFaultPlan plan({2, 2, 0, -1, false});
  EXPECT_EQ(plan.Next(), TFaultPlan::TAction::Send);
  EXPECT_EQ(plan.Next(), TFaultPlan::TAction::Drop);
  EXPECT_EQ(TFaultPlan::CorruptFrame("OK\x80\r"), QByteArray("?OK\x80\r"));
}
