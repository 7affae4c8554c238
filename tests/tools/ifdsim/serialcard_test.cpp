// A test client on the pseudo-terminal sends each command and checks the reply bytes exactly.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include "serialclient.h"
#include "simrig.h"

namespace {
const QByteArray kPlant = R"(
[plant]
seed = 3
[ai0]
source = 100
[ai1]
source = -250
[ai15]
source = 2047
[ai100]
source = 77
[di0]
source = 1
[di2]
source = DO0
[di9]
source = 1
[di8]
source = DO8
[freq1]
source = 2*AO0 + 10
)";

QByteArray Frame(const QByteArray& data, int code) { return data + char(code) + '\r'; }

// What the host keeps of a reply in its non-Vexa mode: bytes '+' to 'z' except K and O.
QByteArray Filtered(const QByteArray& bytes) {
  QByteArray out;
  for (char c : bytes)
    if (c >= 0x2B && c <= 0x7A && c != 'K' && c != 'O') out += c;
  return out;
}

class SerialCard : public ::testing::Test {
 protected:
  void Start(const QStringList& options = {}) {
    ASSERT_TRUE(Rig.Start(options, kPlant)) << Rig.Error.toStdString();
    Master = std::make_unique<TSerialClient>(Rig.SerialPath());
    ASSERT_TRUE(Master->IsOpen());
  }
  // A refused command gets no reply at all.
  QByteArray Silence(const QByteArray& command) {
    Master->Send(command);
    return Master->ReadFor(50);
  }
  TSimRig Rig;
  std::unique_ptr<TSerialClient> Master;
};
}  // namespace

TEST_F(SerialCard, IdentificationPutsModelAndRoleWhereTheHostReadsThem) {
  Start({"--slave", "brenna", "--slave-model", "BR12"});
  const QByteArray reply = Master->Ask("ARM\r");
  EXPECT_EQ(reply, Frame("VELTRIM-IFD-2.3-Vexa-0.", 0x9D));
  TSerialClient slave(Rig.SerialPath("slave"));
  const QByteArray slaveReply = slave.Ask("ARM\r");
  EXPECT_EQ(slaveReply, Frame("VELTRIM-IFD-2.3-BR12-1.", 0x9D));
  const auto fields = [](const QByteArray& r) {
    const QByteArray text = r.left(r.size() - 2);
    // The text survives the host's reply filter unchanged, so the positions hold in either mode.
    EXPECT_EQ(Filtered(text), text);
    const qsizetype len = text.size();
    return std::make_pair(text.mid(len - 7, 4), text[len - 2]);
  };
  EXPECT_EQ(fields(reply), std::make_pair(QByteArray("Vexa"), '0'));
  EXPECT_EQ(fields(slaveReply), std::make_pair(QByteArray("BR12"), '1'));
}

TEST_F(SerialCard, AllInputsGiveOneReplyPerInputAndFollowTheModeCommands) {
  Start();
  QByteArray sixteen = Frame("100", 0x86) + Frame("-250", 0x86);
  for (int i = 2; i < 15; ++i) sixteen += Frame("0", 0x86);
  sixteen += Frame("2047", 0x86);
  EXPECT_EQ(Master->Ask("IA\r", 16), sixteen);
  EXPECT_EQ(Master->Ask("IM1\r"), Frame("OK", 0x97));
  EXPECT_EQ(Master->Ask("IA\r", 8), sixteen.left(Frame("100", 0x86).size() + Frame("-250", 0x86).size() + 6 * 3));
  EXPECT_EQ(Master->ReadFor(50), QByteArray()) << "differential mode answers eight inputs only";
  EXPECT_EQ(Master->Ask("IM2\r"), Frame("OK", 0x97));
  EXPECT_EQ(Master->Ask("IA\r", 16), sixteen);
  EXPECT_EQ(Master->Ask("I1\r"), Frame("-250", 0x88));
  EXPECT_EQ(Master->Ask("I15\r"), Frame("2047", 0x96));
}

TEST_F(SerialCard, SlaveAnswersWithTheSecondCardsInputsAndLines) {
  Start({"--master", "brenna", "--slave", "brenna", "--slave-mode", "diff"});
  TSerialClient slave(Rig.SerialPath("slave"));
  EXPECT_EQ(slave.Ask("IA\r", 8), Frame("77", 0x86) + QByteArray(Frame("0", 0x86)).repeated(7));
  EXPECT_EQ(slave.Ask("DO1\r"), Frame("OK", 0x84));
  EXPECT_EQ(Rig.Plant.DigitalOutputByte(8), 1) << "the slave's outputs are lines 8-15";
  EXPECT_EQ(slave.Ask("DI\r"), Frame("3", 0x85));
  EXPECT_EQ(slave.Ask("O0+12\r"), Frame("OK", 0x80));
  EXPECT_EQ(Rig.Plant.AnalogueOutput(100), 12);
}

TEST_F(SerialCard, DigitalInputsAndOutputsOfAVexa) {
  Start();
  EXPECT_EQ(Master->Ask("DI1\r"), Frame("1", 0x85));
  EXPECT_EQ(Master->Ask("DO0,1\r"), Frame("OK", 0x84));
  EXPECT_EQ(Master->Ask("DI1\r"), Frame("5", 0x85)) << "input 2 echoes output 0";
  EXPECT_EQ(Master->Ask("DI\r"), Frame("5", 0x85));
  EXPECT_EQ(Master->Ask("DI3\r"), Frame("2", 0x9F));
  EXPECT_EQ(Master->Ask("DO1,128\r"), Frame("OK", 0xA0));
  EXPECT_EQ(Rig.Plant.DigitalOutputByte(8), 128);
  EXPECT_EQ(Master->Ask("DO1,0\r"), Frame("OK", 0xA0));
  EXPECT_EQ(Silence("DO0,256\r"), QByteArray()) << "a byte above 255 is refused";
  EXPECT_EQ(Rig.Plant.DigitalOutputByte(0), 1);
}

TEST_F(SerialCard, AnalogueOutputsAreAcknowledgedPerOutputAndReachThePlant) {
  Start({"--master", "brenna"});
  EXPECT_EQ(Master->Ask("O0+5\r"), Frame("OK", 0x80));
  EXPECT_EQ(Master->Ask("O1-1\r"), Frame("OK", 0x81));
  EXPECT_EQ(Master->Ask("O20\r"), Frame("OK", 0x82));
  EXPECT_EQ(Master->Ask("O3+2047\r"), Frame("OK", 0x83));
  EXPECT_EQ(Rig.Plant.AnalogueOutput(0), 5);
  EXPECT_EQ(Rig.Plant.AnalogueOutput(1), -1);
  EXPECT_EQ(Rig.Plant.AnalogueOutput(3), 2047);
  EXPECT_EQ(Master->Ask("O0-2048\r"), Frame("OK", 0x80));
  EXPECT_EQ(Rig.Plant.AnalogueOutput(0), -2048);
  EXPECT_EQ(Master->Ask("DO7\r"), Frame("OK", 0x84));
  EXPECT_EQ(Rig.Plant.DigitalOutputByte(0), 7);
  EXPECT_EQ(Silence("O0-2049\r"), QByteArray());
  EXPECT_EQ(Rig.Plant.AnalogueOutput(0), -2048) << "a refused value leaves the output alone";
}

TEST_F(SerialCard, AVexaRefusesTheOutputsItDoesNotHave) {
  Start();
  EXPECT_EQ(Silence("O2+5\r"), QByteArray());
  EXPECT_EQ(Rig.Plant.AnalogueOutput(2), 0);
  EXPECT_TRUE(Rig.Log().contains("a Vexa has analogue outputs 0 and 1 only"));
}

TEST_F(SerialCard, FilterAndFrequencyCommands) {
  Start();
  EXPECT_EQ(Master->Ask("F7\r"), Frame("OK", 0x99));
  EXPECT_EQ(Silence("F256\r"), QByteArray());
  EXPECT_EQ(Master->Ask("O0+5\r"), Frame("OK", 0x80));
  EXPECT_EQ(Master->Ask("C1\r"), Frame("20", 0x98));
  EXPECT_EQ(Master->Ask("C0\r"), Frame("0", 0x98));
  EXPECT_EQ(Silence("C8\r"), QByteArray());
}

TEST_F(SerialCard, GarbledInputIsReportedAndDoesNotDisturbTheNextCommand) {
  Start();
  Master->Send(QByteArray("\x01\xff!!\r", 5));
  Master->Send(QByteArray(200, 'Z'));
  Master->Send("\r\nXYZ\rO0+abc\rIMO,\x01" "01\r");
  EXPECT_EQ(Master->ReadFor(50), QByteArray());
  // A command arriving one byte at a time is still one command.
  for (char c : QByteArray("ARM\r")) Master->Send(QByteArray(1, c));
  EXPECT_EQ(Master->ReadFrames(1), Frame("VELTRIM-IFD-2.3-Vexa-0.", 0x9D));
  const QString log = Rig.Log();
  EXPECT_TRUE(log.contains("unknown command"));
  EXPECT_TRUE(log.contains("longer than 64 bytes"));
  EXPECT_TRUE(log.contains("inverter frame without ETX"));
}

TEST_F(SerialCard, LogHasEveryCommandWithATimestamp) {
  Start();
  Master->Ask("O0+5\r");
  Master->Ask("ARM\r");
  const QStringList lines = Rig.Log().split('\n');
  const QRegularExpression stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\tmaster\t)");
  QStringList commands;
  for (const QString& l : lines)
    if (stamp.match(l).hasMatch()) commands << l.section('\t', 2);
  EXPECT_EQ(commands, QStringList({"O0+5\\r", "ARM\\r"}));
}

TEST_F(SerialCard, RepliesLeaveAtTheLineRate) {
  // Sixteen single-ended values: ~100 bytes take ~26 ms at 38400 baud (10 bits a byte), and they
  // trickle in rather than arrive in one piece.
  Rig.Paced = true;
  Start({"--master", "brenna"});
  QElapsedTimer clock;
  clock.start();
  Master->Send("IA\r");
  const QByteArray first = Master->ReadFor(5);
  const QByteArray all = first + Master->ReadFrames(16 - first.count('\x86'));
  const qint64 lineNs = qint64(all.size()) * 10 * 1000000000 / 38400;
  EXPECT_EQ(all.count('\x86'), 16);
  EXPECT_GE(clock.nsecsElapsed(), lineNs * 9 / 10) << all.size() << " bytes";
  EXPECT_LT(first.size(), all.size() / 2);

  // A slower line takes longer for the same answer.
  Master.reset();
  Rig.Sim.reset();
  Start({"--master", "brenna", "--baud", "9600"});
  clock.restart();
  EXPECT_EQ(Master->Ask("IA\r", 16).count('\x86'), 16);
  EXPECT_GE(clock.nsecsElapsed(), lineNs * 4 * 9 / 10);
}
