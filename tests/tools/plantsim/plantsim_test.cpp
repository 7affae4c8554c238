// The Modbus link against the simulated controller's server (running in a thread of its own, as
// a controller on the network would), the fault switches, and the ladder walking the stages.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <optional>

#include "plant/modbusplclink.h"
#include "plant/plcaddress.h"
#include "plantserver.h"
#include "support/freeport.h"
#include "support/tempfolder.h"

namespace {
// The server and its plant live in their own thread; every call goes there and waits.
struct TServerThread {
  QThread thread;
  QObject context;
  TPlantServer* server = nullptr;
  int port = FreePort();

  explicit TServerThread(TPlantServer::TFault fault = TPlantServer::TFault::None) {
    context.moveToThread(&thread);
    thread.start();
    On([this, fault] {
      server = new TPlantServer(QStringLiteral("127.0.0.1"), port);
      server->SetFault(fault);
      server->Start();
    });
  }
  ~TServerThread() {
    On([this] { delete server; });
    thread.quit();
    thread.wait();
  }
  void On(const std::function<void()>& f) { QMetaObject::invokeMethod(&context, f, Qt::BlockingQueuedConnection); }
  void SetFault(TPlantServer::TFault f) { On([this, f] { server->SetFault(f); }); }
};

// What one exchange ended with, waited for up to `ms` of real time.
struct TOutcome {
  std::optional<qint16> read;
  bool written = false;
  int error = 0;
  bool Finished() const { return read || written || error; }
};

struct TModbusLink : ::testing::Test {
  TServerThread sim;
  TModbusPlcLink link{QStringLiteral("127.0.0.1"), sim.port};
  TOutcome outcome;

  TModbusLink() {
    link.SetEvents({[this](qint16 w) { outcome.read = w; }, [this] { outcome.written = true; },
                    [this](int code, const QString&) { outcome.error = code; }});
  }
  TOutcome Wait(int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!outcome.Finished() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    TOutcome o = outcome;
    outcome = {};
    return o;
  }
  TOutcome ReadWord(const char* a, int ms = 3000) {
    link.Read(QString::fromLatin1(a));
    return Wait(ms);
  }
};

TEST_F(TModbusLink, ReadsAndWritesWordsAtTheirRegisters) {
  sim.On([this] { sim.server->Plant().Write(TPlcAddress::Register("N7:116").value(), 200); });
  EXPECT_EQ(ReadWord("N7:116").read, 200);
  // A parameter written reaches its word and the ladder copies it where it is read back.
  link.Write(QStringLiteral("N18:0"), 180);
  EXPECT_TRUE(Wait().written);
  EXPECT_EQ(ReadWord("N18:0").read, 180);
  EXPECT_EQ(ReadWord("N7:116").read, 180);
  link.Write(QStringLiteral("N18:15"), -5);
  EXPECT_TRUE(Wait().written);
  EXPECT_EQ(ReadWord("N18:15").read, -5) << "words are signed";
  EXPECT_EQ(ReadWord("Q7:1").error, IPlcLink::BadAddress);
  EXPECT_EQ(ReadWord("N40:0").error, 2) << "outside the data table: illegal data address";
}

TEST_F(TModbusLink, LadderStartsAndStopsByItsWord) {
  link.Write(QStringLiteral("B20:0"), 1);
  ASSERT_TRUE(Wait().written);
  EXPECT_EQ(ReadWord("B20:0").read, 1);
  EXPECT_EQ(ReadWord("B3:0").read, 1) << "stage 1";
  EXPECT_EQ(ReadWord("N7:20").read, 0) << "loops in Auto";
  link.Write(QStringLiteral("B20:0"), 0);
  ASSERT_TRUE(Wait().written);
  EXPECT_EQ(ReadWord("B3:0").read, 1 << 11) << "Ladder Idle";
  EXPECT_EQ(ReadWord("N7:20").read, 2) << "loops off";
}

TEST_F(TModbusLink, ExceptionRepliesCarryTheirCode) {
  sim.SetFault(TPlantServer::TFault::Exception);
  EXPECT_EQ(ReadWord("N7:22").error, 4);
  sim.SetFault(TPlantServer::TFault::None);
  EXPECT_TRUE(ReadWord("N7:22").read);
}

TEST_F(TModbusLink, NoAnswerLeavesTheExchangeOpenUntilAbandoned) {
  ASSERT_TRUE(ReadWord("N7:22").read);
  sim.SetFault(TPlantServer::TFault::NoAnswer);
  link.Read(QStringLiteral("N7:22"));
  const TOutcome none = Wait(600);
  EXPECT_FALSE(none.Finished()) << none.error << " " << none.read.value_or(-1);
  EXPECT_TRUE(link.IsBusy());
  link.Abandon();
  // Answering again is a restart: the hung connection is dropped, the next poll connects afresh.
  sim.SetFault(TPlantServer::TFault::None);
  TOutcome next = ReadWord("N7:22");
  if (!next.read) {
    EXPECT_EQ(next.error, IPlcLink::ConnectionLost);
    next = ReadWord("N7:22");
  }
  EXPECT_TRUE(next.read) << "error " << next.error;
}

TEST_F(TModbusLink, SlowAnswersComeLate) {
  sim.On([this] { sim.server->SlowMs = 400; });
  sim.SetFault(TPlantServer::TFault::Slow);
  QElapsedTimer t;
  t.start();
  EXPECT_TRUE(ReadWord("N7:22").read);
  EXPECT_GE(t.elapsed(), 400);
  // Abandoned, a late answer raises no event; the next exchange gets its own answer.
  sim.On([this] { sim.server->SlowMs = 300; });
  link.Read(QStringLiteral("N7:22"));
  EXPECT_FALSE(Wait(100).Finished());
  link.Abandon();
  link.Read(QStringLiteral("B20:0"));
  const TOutcome o = Wait();
  EXPECT_EQ(o.read, 0);
  EXPECT_FALSE(Wait(400).Finished()) << "exactly one event per exchange";
}

TEST_F(TModbusLink, RefusedConnectionsAreReportedAndTheLinkReconnectsLater) {
  sim.SetFault(TPlantServer::TFault::Refuse);
  EXPECT_EQ(ReadWord("N7:22").error, IPlcLink::ConnectionRefused);
  sim.SetFault(TPlantServer::TFault::None);
  EXPECT_TRUE(ReadWord("N7:22").read);
  // A server that goes away while connected: the next exchange fails, a later one finds it again.
  sim.SetFault(TPlantServer::TFault::Refuse);
  const TOutcome lost = ReadWord("N7:22");
  EXPECT_TRUE(lost.error == IPlcLink::ConnectionLost || lost.error == IPlcLink::ConnectionRefused) << lost.error;
  sim.SetFault(TPlantServer::TFault::None);
  TOutcome back = ReadWord("N7:22");
  if (!back.read) back = ReadWord("N7:22");
  EXPECT_TRUE(back.read);
}

TEST(ModbusEndpoint, HostAndPortComeFromTheRigWithDefaults) {
  TTempFolder tmp;
  EXPECT_EQ(TModbusPlcLink::EndpointFromIni(tmp.File("none.ini")), std::make_pair(QStringLiteral("127.0.0.1"), 15020));
  QFile f(tmp.File("Configuration.ini"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[PLANT]\nhost = 10.0.0.7\nport = 70000\n");
  f.close();
  EXPECT_EQ(TModbusPlcLink::EndpointFromIni(tmp.File("Configuration.ini")), std::make_pair(QStringLiteral("10.0.0.7"), 15020));
}

TEST(PlantLadder, WalksTheStagesToFinished) {
  TPlantController plant;
  plant.StageSeconds = 2;
  EXPECT_EQ(plant.Stage(), 12);
  plant.Write(TPlcAddress::Register("B20:0").value(), 1);
  std::vector<int> stages{plant.Stage()};
  for (int i = 0; i < 20000 && plant.LadderRunning(); ++i) {
    plant.Step(0.1);
    if (stages.back() != plant.Stage()) stages.push_back(plant.Stage());
  }
  EXPECT_EQ(stages, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(plant.Word("B20:0"), 0);
  EXPECT_EQ(plant.Word("B3:0"), 1 << 9);
  EXPECT_GE(static_cast<qint16>(plant.Word("N11:3")), 69) << "the heater loop brought the hot water up";
}
}  // namespace
