// A station against a real broker: what it publishes arrives exactly; a broker that goes away and
// comes back, or a program restarted in between, loses no run and sends none twice; a refused
// password or access list is said in the status bar's words and keeps the runs waiting.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <QDir>

#include "lab/labconnection.h"
#include "lab/labpayload.h"
#include "lab/labsettingsdialog.h"
#include "lab/labstation.h"
#include "support/mosquittobroker.h"
#include "support/tempfolder.h"
#include "fakelabrig.h"

namespace {
// A lecturer's read-only view of the broker: every message under quorlex/, in arrival order.
class TListener {
 public:
  TListener(int port, const QString& user = QString(), const QString& password = QString()) {
    TLabSettings s;
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = port;
    s.User = user;
    s.Password = password;
    s.Station = QStringLiteral("listener");
    FConnection = std::make_unique<TLabConnection>(s, QStringLiteral("test-listener"));
    FConnection->AddSubscription(QStringLiteral("quorlex/#"));
    QObject::connect(FConnection.get(), &TLabConnection::Message, [this](const QString& topic, const QByteArray& payload) {
      Messages.push_back({topic, payload});
    });
    FConnection->Start();
  }
  bool Connected() { return WaitUntil([this] { return FConnection->State() == TLabConnection::TState::Connected; }); }
  std::vector<std::pair<QString, QByteArray>> Messages;
  std::vector<QByteArray> On(const QString& topicEnd) const {
    std::vector<QByteArray> r;
    for (const auto& [t, p] : Messages)
      if (t.endsWith(topicEnd)) r.push_back(p);
    return r;
  }
  // Runs by id, and how many copies of each arrived.
  std::map<QString, std::pair<TLabRun, int>> Runs() const {
    std::map<QString, std::pair<TLabRun, int>> r;
    for (const auto& [t, p] : Messages) {
      if (!t.contains(QStringLiteral("/runs/"))) continue;
      TLabRun run;
      if (!TLabPayload::ReadRun(p, run)) continue;
      auto& slot = r[run.Id];
      slot.first = run;
      ++slot.second;
    }
    return r;
  }

 private:
  std::unique_ptr<TLabConnection> FConnection;
};

TLabSettings StationSettings(int port, const QString& station = QStringLiteral("bench-1")) {
  TLabSettings s;
  s.Enabled = true;
  s.Host = QStringLiteral("127.0.0.1");
  s.Port = port;
  s.Lab = QStringLiteral("lab");
  s.Station = station;
  return s;
}

bool Online(const TLabStation& station) {
  return WaitUntil([&] { return station.Connection().State() == TLabConnection::TState::Connected; });
}

class LabStation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TMosquittoBroker::Available()) GTEST_SKIP() << "mosquitto is not installed";
  }
  TTempFolder FTemp;
  TFakeLabRig FRig;
  QString Outbox() const { return FTemp.File(QStringLiteral("outbox")); }
  // One alarm raised for two rounds, then cleared.
  void RaiseAndClearAnAlarm(TLabStation& station) {
    FRig.AlarmList = {{QStringLiteral("High T"), QStringLiteral("Temperature too high"), true}};
    station.Tick();
    station.Tick();
    FRig.AlarmList[0].Raised = false;
    station.Tick();
  }
  // The lecturer hears that alarm twice: raised, then cleared.
  static void ReadRaisedThenCleared(TListener& lecturer, TLabPayload::TAlarm& raised, TLabPayload::TAlarm& cleared) {
    ASSERT_TRUE(WaitUntil([&] { return lecturer.On(QStringLiteral("/alarms")).size() == 2; }));
    ASSERT_TRUE(TLabPayload::ReadAlarm(lecturer.On(QStringLiteral("/alarms"))[0], raised));
    ASSERT_TRUE(TLabPayload::ReadAlarm(lecturer.On(QStringLiteral("/alarms"))[1], cleared));
    EXPECT_EQ(raised.Event, QStringLiteral("raised"));
    EXPECT_EQ(raised.Text, QStringLiteral("Temperature too high"));
    EXPECT_EQ(cleared.Event, QStringLiteral("cleared"));
  }
};
}  // namespace

TEST_F(LabStation, StatusValuesAlarmsAndRunsArriveExactly) {
  TMosquittoBroker broker;
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TListener lecturer(broker.Port());
  ASSERT_TRUE(lecturer.Connected());

  FRig.Values = {{QStringLiteral("T1"), QStringLiteral("°C"), 0.1 + 0.2}, {QStringLiteral("P1"), QStringLiteral("bar"), std::nullopt}};
  FRig.StateText = QStringLiteral("recording");
  TLabStation station(StationSettings(broker.Port()), FRig, Outbox());
  station.Start();
  ASSERT_TRUE(Online(station));
  EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: connected"));
  station.Tick();
  ASSERT_TRUE(WaitUntil([&] { return !lecturer.On(QStringLiteral("/values")).empty(); }));
  TLabPayload::TValues values;
  ASSERT_TRUE(TLabPayload::ReadValues(lecturer.On(QStringLiteral("bench-1/values")).front(), values));
  ASSERT_EQ(values.Values.size(), 2u);
  EXPECT_EQ(values.Values[0].Value, 0.1 + 0.2);
  EXPECT_FALSE(values.Values[1].Value.has_value());

  TLabPayload::TStatus status;
  ASSERT_TRUE(WaitUntil([&] { return !lecturer.On(QStringLiteral("bench-1/status")).empty(); }));
  ASSERT_TRUE(TLabPayload::ReadStatus(lecturer.On(QStringLiteral("bench-1/status")).back(), status));
  EXPECT_EQ(status.State, QStringLiteral("recording"));
  EXPECT_EQ(status.Rig, QStringLiteral("Heat Exchanger"));
  EXPECT_EQ(status.Exercise, QStringLiteral("Exercise 1: Counter-flow"));

  // An alarm raised: one "raised" message and the state says alarm; cleared once.
  RaiseAndClearAnAlarm(station);
  TLabPayload::TAlarm raised, cleared;
  ReadRaisedThenCleared(lecturer, raised, cleared);
  if (HasFatalFailure()) return;
  bool sawAlarmState = false;
  for (const QByteArray& p : lecturer.On(QStringLiteral("bench-1/status")))
    sawAlarmState = sawAlarmState || (TLabPayload::ReadStatus(p, status) && status.State == QStringLiteral("alarm"));
  EXPECT_TRUE(sawAlarmState);

  // A run ends: it arrives with every number exact; ending it again unchanged sends nothing more.
  FRig.AddRun(50, 1e-7);
  station.RunEnded(1);
  ASSERT_TRUE(WaitUntil([&] { return lecturer.Runs().size() == 1 && station.Waiting() == 0; }));
  station.RunEnded(1);
  station.RunsEnded();
  QThread::msleep(300);
  QCoreApplication::processEvents();
  const auto runs = lecturer.Runs();
  ASSERT_EQ(runs.size(), 1u);
  const auto& [run, copies] = runs.begin()->second;
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(run.Rows, FRig.Runs[1].Rows);
  EXPECT_EQ(run.Columns, FRig.Runs[1].Columns);
  EXPECT_EQ(run.Station, QStringLiteral("bench-1"));

  // More samples in the same run: a new revision under the same id.
  FRig.Runs[1].Rows.push_back({51.0, 42.0});
  station.RunsEnded();
  ASSERT_TRUE(WaitUntil([&] { return lecturer.Runs().begin()->second.second == 2; }));
  EXPECT_EQ(lecturer.Runs().begin()->second.first.Revision, 2);
  EXPECT_EQ(lecturer.Runs().begin()->second.first.Rows.size(), 51u);

  // Leaving: the retained status says offline.
  station.Finish();
  ASSERT_TRUE(WaitUntil([&] {
    return TLabPayload::ReadStatus(lecturer.On(QStringLiteral("bench-1/status")).back(), status) && status.State == QStringLiteral("offline");
  }));
}

TEST_F(LabStation, BrokerAwayAndProgramRestartedLoseNoRunAndSendNoneTwice) {
  TMosquittoBroker broker;
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  auto station = std::make_unique<TLabStation>(StationSettings(broker.Port()), FRig, Outbox());
  station->Start();
  ASSERT_TRUE(Online(*station));
  FRig.AddRun(5, 1.0);
  station->RunEnded(1);
  ASSERT_TRUE(WaitUntil([&] { return station->Waiting() == 0; }));

  // The broker goes away mid-run; two runs end meanwhile and wait on disk.
  broker.Stop();
  ASSERT_TRUE(WaitUntil([&] { return station->Connection().State() != TLabConnection::TState::Connected; }));
  FRig.AddRun(7, 2.0);
  station->RunEnded(2);
  FRig.AddRun(9, 3.0);
  station->RunEnded(3);
  EXPECT_EQ(station->Waiting(), 2);
  EXPECT_EQ(station->StatusText(), QStringLiteral("Lab: offline (2 runs waiting)"));

  // The program ends before the broker is back, and starts again.
  station->Finish();
  station.reset();
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TListener lecturer(broker.Port());
  ASSERT_TRUE(lecturer.Connected());
  TFakeLabRig freshRig;
  TLabStation again(StationSettings(broker.Port()), freshRig, Outbox());
  EXPECT_EQ(again.Waiting(), 2);
  again.Start();
  ASSERT_TRUE(WaitUntil([&] { return again.Waiting() == 0 && lecturer.Runs().size() == 2; }, 15000));
  QThread::msleep(300);
  QCoreApplication::processEvents();
  const auto runs = lecturer.Runs();
  ASSERT_EQ(runs.size(), 2u);
  std::map<QString, TLabRun> byName;
  for (const auto& [id, r] : runs) {
    EXPECT_EQ(r.second, 1) << id.toStdString();
    byName[r.first.Name] = r.first;
  }
  EXPECT_EQ(byName[QStringLiteral("Run 2")].Rows, FRig.Runs[2].Rows);
  EXPECT_EQ(byName[QStringLiteral("Run 3")].Rows, FRig.Runs[3].Rows);
  EXPECT_EQ(again.StatusText(), QStringLiteral("Lab: connected"));
}

TEST_F(LabStation, AlarmsRaisedAndClearedWhileTheBrokerIsAwayArriveInOrderWhenItIsBack) {
  TMosquittoBroker broker;
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TLabStation station(StationSettings(broker.Port()), FRig, Outbox());
  station.Start();
  ASSERT_TRUE(Online(station));
  broker.Stop();
  ASSERT_TRUE(WaitUntil([&] { return station.Connection().State() != TLabConnection::TState::Connected; }));
  RaiseAndClearAnAlarm(station);

  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TListener lecturer(broker.Port());
  ASSERT_TRUE(lecturer.Connected());
  ASSERT_TRUE(Online(station));
  station.Tick();
  TLabPayload::TAlarm raised, cleared;
  ReadRaisedThenCleared(lecturer, raised, cleared);
  if (HasFatalFailure()) return;
  EXPECT_LE(raised.Time, cleared.Time);
  // Sent once: later rounds send nothing more.
  station.Tick();
  QThread::msleep(300);
  QCoreApplication::processEvents();
  EXPECT_EQ(lecturer.On(QStringLiteral("/alarms")).size(), 2u);
}

TEST_F(LabStation, RefusedPasswordAndAccessListAreSaidAndLoseNothing) {
  TMosquittoBroker broker;
  broker.AddUser(QStringLiteral("bench-1"), QStringLiteral("right"));
  broker.AddUser(QStringLiteral("bench-2"), QStringLiteral("two"));
  broker.AddUser(QStringLiteral("lecturer"), QStringLiteral("teach"));
  // A station writes only under its own name; the lecturer reads everything.
  broker.SetAcl(QStringLiteral("user lecturer\ntopic read quorlex/#\n\npattern readwrite quorlex/+/%u/#\n"));
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TListener lecturer(broker.Port(), QStringLiteral("lecturer"), QStringLiteral("teach"));
  ASSERT_TRUE(lecturer.Connected());

  // A wrong password.
  TLabSettings wrong = StationSettings(broker.Port());
  wrong.User = QStringLiteral("bench-1");
  wrong.Password = QStringLiteral("wrong");
  FRig.AddRun(3, 5.0);
  {
    TLabStation station(wrong, FRig, Outbox());
    station.Start();
    station.RunEnded(1);
    ASSERT_TRUE(WaitUntil([&] { return station.Connection().State() == TLabConnection::TState::BadLogin; }));
    EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: bad user name or password (1 run waiting)"));
    station.Finish();
  }
  EXPECT_EQ(TLabOutbox(Outbox()).Count(), 1);

  // bench-2's credentials but publishing as bench-1: the access list keeps the run out.
  TLabSettings impostor = StationSettings(broker.Port(), QStringLiteral("bench-1"));
  impostor.User = QStringLiteral("bench-2");
  impostor.Password = QStringLiteral("two");
  {
    TFakeLabRig emptyTable;  // a later start of the program: the run is only in the outbox
    TLabStation station(impostor, emptyTable, Outbox());
    station.Start();
    ASSERT_TRUE(WaitUntil([&] { return station.StatusText().startsWith(QStringLiteral("Lab: not allowed to publish")); }));
    EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: not allowed to publish (1 run waiting)"));
    station.Finish();
  }
  EXPECT_EQ(TLabOutbox(Outbox()).Count(), 1);
  EXPECT_TRUE(lecturer.Runs().empty());

  // The right password: the run that waited arrives, once.
  TLabSettings right = wrong;
  right.Password = QStringLiteral("right");
  TFakeLabRig freshRig;
  TLabStation station(right, freshRig, Outbox());
  station.Start();
  ASSERT_TRUE(WaitUntil([&] { return station.Waiting() == 0 && lecturer.Runs().size() == 1; }));
  EXPECT_EQ(lecturer.Runs().begin()->second.first.Rows, FRig.Runs[1].Rows);
  EXPECT_EQ(station.StatusText(), QStringLiteral("Lab: connected"));
}

TEST_F(LabStation, TestConnectionSaysWhatHappened) {
  TMosquittoBroker broker;
  broker.AddUser(QStringLiteral("bench-1"), QStringLiteral("right"));
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  auto answer = [](const TLabSettings& s) {
    TLabSettingsDialog dialog(s);
    QString text;
    QObject::connect(&dialog, &TLabSettingsDialog::TestDone, [&](const QString& t) { text = t; });
    dialog.TestConnection();
    WaitUntil([&] { return !text.isEmpty(); }, 15000);
    return text;
  };
  TLabSettings s = StationSettings(broker.Port());
  s.User = QStringLiteral("bench-1");
  s.Password = QStringLiteral("right");
  EXPECT_EQ(answer(s), QStringLiteral("Connected to 127.0.0.1:%1.").arg(broker.Port()));
  s.Password = QStringLiteral("wrong");
  EXPECT_EQ(answer(s), QStringLiteral("Bad user name or password."));
  TMosquittoBroker nobody;  // a free port nothing listens on
  EXPECT_EQ(answer(StationSettings(nobody.Port())), QStringLiteral("Refused: nothing accepts connections at 127.0.0.1:%1.").arg(nobody.Port()));
  TLabSettings unknown = StationSettings(1883);
  unknown.Host = QStringLiteral("no-such-host.invalid");
  EXPECT_EQ(answer(unknown), QStringLiteral("Unknown host: no-such-host.invalid."));
  TLabSettings tls = StationSettings(broker.Port());
  tls.CaFile = QStringLiteral("/nonexistent/ca.pem");
  EXPECT_TRUE(answer(tls).startsWith(QStringLiteral("TLS failure:")));
}
