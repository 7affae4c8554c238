// What goes down the line to the card, read back from the simulator's log: an output goes when it
// changes, at once, and again after the card was lost and came back; never again and again while
// it stays as it is. And the first live value shows as soon as the card's first answer is in, not
// one sampling interval later. The demo rig on its serial card (a Vexa) and on the driver devices.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMap>

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/lostconnection.h"
#include "ifd/serial/waitfor.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
struct TLogLine {
  QString Source, Text;
};

// The simulator's log since its last start: who received what, in order.
QList<TLogLine> SinceLastStart(const QString& log) {
  QList<TLogLine> lines;
  for (const QString& row : QString::fromUtf8(TTempFolder::Read(log)).split('\n')) {
    const QStringList f = row.split('\t');
    if (f.size() < 3) continue;
    if (f[1] == "ifdsim" && f[2] == "(started)") lines.clear();
    else lines.push_back({f[1], f[2]});
  }
  return lines;
}

// The output writes among `lines`: the byte a command sets ("DO0,", "DO1,", "DO" on a card,
// "SetPort 0=" on a device) and its value.
struct TOutputWrite {
  QString Source, Byte, Value;
};
QList<TOutputWrite> OutputWrites(const QList<TLogLine>& lines) {
  QList<TOutputWrite> writes;
  for (const TLogLine& l : lines) {
    QString text = l.Text;
    text.remove("\\r");
    for (const QString prefix : {"DO0,", "DO1,", "SetPort 0=", "DO"})
      if (text.startsWith(prefix)) {
        writes.push_back({l.Source, prefix, text.mid(prefix.size())});
        break;
      }
  }
  return writes;
}

// Writes that only repeat what that card's byte already held.
QStringList Repeats(const QList<TOutputWrite>& writes) {
  QMap<QString, QString> held;
  QStringList repeats;
  for (const TOutputWrite& w : writes) {
    const QString key = w.Source + " " + w.Byte;
    if (held.contains(key) && held[key] == w.Value) repeats << key + w.Value;
    held[key] = w.Value;
  }
  return repeats;
}

// How many times the simulator has started on this log.
int Starts(const QString& log) { return static_cast<int>(TTempFolder::Read(log).count("\t(started)")); }

// A value on the diagram, not the "unavailable" dash.
bool Shown(const TQXAnalogueInputSource& input) {
  const QString text = input.Display_Box->text();
  return !text.isEmpty() && text != QString(QChar(0x2014));
}

int Count(const QList<TLogLine>& lines, const QString& text) {
  int n = 0;
  for (const TLogLine& l : lines) n += l.Text == text;
  return n;
}

struct CardTraffic : ::testing::Test {
  TTempFolder tmp;
  TDemoSimulator sim{tmp};
  TScriptedPrompts prompts;
  std::unique_ptr<TMaster> master;
  TQXIFD* ifd = nullptr;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
  }
  void TearDown() override {
    if (!master) return;
    master->close();
    master.reset();
  }
  void Open() {
    prompts.ExpectChoice(0);  // exercise 1
    master = std::make_unique<TMaster>();
    master->StartUp(sim.Rig(), {});
    ifd = master->Diagram()->IFD();
  }
  void Connect() {
    prompts.ExpectChoice(0);  // the port list: COM3 first
    master->ConnectClick(true);
    ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && master->PanelText(3) == "IFD: vCOM(3)m"; }, 8000))
        << master->PanelText(3).toStdString();
  }
  QTimer& Ticks() { return *master->Diagram()->Logger()->LogTimer; }
  // A digital output of the diagram the user switches (no gate, switch or controller drives it).
  TQXDigitalOutputSource* UsersOutput() {
    for (TQXSource* s : master->Diagram()->DataList()->Sources())
      if (auto* out = qobject_cast<TQXDigitalOutputSource*>(s);
          out && out->FChannel >= 2 && out->FChannel <= 7 && !out->BeingUsedForControl && !out->BeingUsedForPID &&
          !out->Output_State)
        return out;
    return nullptr;
  }
  TQXAnalogueInputSource* Tank() {
    for (TQXSource* s : master->Diagram()->DataList()->Sources())
      if (auto* in = qobject_cast<TQXAnalogueInputSource*>(s); in && in->FChannel == 0) return in;
    return nullptr;
  }

  // Ticks at a quick pace: no output byte is written twice with the same value; then a change goes
  // out at once, well before the next tick.
  void OutputsGoOnlyWhenTheyChange(const QString& readCommand) {
    Ticks().start(200);
    WaitFor([] { return false; }, 3000);
    QList<TLogLine> log = SinceLastStart(sim.Log());
    EXPECT_GE(Count(log, readCommand), 8) << "the ticks read the card";
    EXPECT_TRUE(Repeats(OutputWrites(log)).isEmpty()) << Repeats(OutputWrites(log)).join(", ").toStdString();

    TQXDigitalOutputSource* out = UsersOutput();
    ASSERT_NE(out, nullptr);
    Ticks().start(20000);
    const int before = static_cast<int>(OutputWrites(SinceLastStart(sim.Log())).size());
    out->ForceOn();
    ASSERT_TRUE(WaitFor([&] { return OutputWrites(SinceLastStart(sim.Log())).size() > before; }, 1500))
        << "output " << out->FChannel << " was not sent when it changed";
    const QList<TOutputWrite> writes = OutputWrites(SinceLastStart(sim.Log()));
    EXPECT_EQ(writes.last().Value.toInt(nullptr, 0) & (1 << out->FChannel), 1 << out->FChannel)
        << writes.last().Value.toStdString();
    EXPECT_TRUE(Repeats(writes).isEmpty()) << Repeats(writes).join(", ").toStdString();
  }
};
}  // namespace

TEST_F(CardTraffic, OnTheSerialCardOutputsGoWhenTheyChangeAndAgainAfterAReconnect) {
  ASSERT_TRUE(sim.Start({"--no-devices"}));
  Open();
  Connect();
  if (HasFatalFailure()) return;
  OutputsGoOnlyWhenTheyChange("IA\\r");
  if (HasFatalFailure()) return;

  // The card is pulled out and plugged in again: it gets its outputs once more.
  prompts.ExpectMessage(TLostConnection::Message());
  sim.Kill();
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3) == "IFDVCM: LOST"; }, 8000)) << master->PanelText(3).toStdString();
  Ticks().start(500);
  ASSERT_TRUE(sim.Start({"--no-devices"}));
  ASSERT_TRUE(WaitFor([&] { return Starts(sim.Log()) == 2; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return master->PanelText(3) == "IFD: vCOM(3)m"; }, 10000)) << master->PanelText(3).toStdString();
  ASSERT_TRUE(WaitFor([&] { return Count(SinceLastStart(sim.Log()), "IA\\r") >= 4; }, 8000));
  const QList<TOutputWrite> writes = OutputWrites(SinceLastStart(sim.Log()));
  QStringList bytes;
  for (const TOutputWrite& w : writes) bytes << w.Byte;
  EXPECT_TRUE(bytes.contains("DO0,")) << bytes.join(' ').toStdString();
  EXPECT_TRUE(bytes.contains("DO1,")) << bytes.join(' ').toStdString();
  EXPECT_TRUE(Repeats(writes).isEmpty()) << Repeats(writes).join(", ").toStdString();
}

TEST_F(CardTraffic, OnTheDriverDevicesOutputsGoWhenTheyChangeAndAgainAfterAReconnect) {
  ASSERT_TRUE(sim.Start());
  Open();
  ASSERT_TRUE(WaitFor([&] { return ifd->PortsOpen; }, 5000)) << master->PanelText(3).toStdString();
  OutputsGoOnlyWhenTheyChange("GetSCAN");
  if (HasFatalFailure()) return;
  const QString image = OutputWrites(SinceLastStart(sim.Log())).last().Value;

  // The devices go and come back: the next sample opens them and writes the outputs again.
  sim.Kill();
  Ticks().start(300);
  ASSERT_TRUE(WaitFor([&] { return !ifd->PortsOpen; }, 8000)) << master->PanelText(3).toStdString();
  ASSERT_TRUE(sim.Start());
  ASSERT_TRUE(WaitFor([&] { return Starts(sim.Log()) == 2; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return Count(SinceLastStart(sim.Log()), "GetSCAN") >= 3; }, 8000));
  const QList<TOutputWrite> writes = OutputWrites(SinceLastStart(sim.Log()));
  ASSERT_FALSE(writes.isEmpty());
  QStringList all;
  for (const TOutputWrite& w : writes) all << w.Source + ":" + w.Value;
  EXPECT_EQ(writes.first().Value, image) << all.join(' ').toStdString();
  EXPECT_TRUE(Repeats(writes).isEmpty()) << Repeats(writes).join(", ").toStdString();
}

// With a long sampling interval the first value is on the diagram as soon as the card's first
// answer has come, on either path, not an interval later.
TEST_F(CardTraffic, TheFirstLiveValueShowsAsSoonAsItArrives) {
  ASSERT_TRUE(sim.Start());
  // The rig's interval made 20 s, then the program started again with it.
  Open();
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TServices::Rig()->RegistryKey, true));
    reg.WriteInteger(settings::reg::IFDFrequency, 20000);
    reg.CloseKey();
  }
  master->close();
  master.reset();
  Open();
  EXPECT_EQ(Ticks().interval(), 20000);
  master->show();
  TQXAnalogueInputSource* tank = Tank();
  ASSERT_NE(tank, nullptr);
  ASSERT_TRUE(tank->Display_Box && tank->Display_Box->isVisible());
  // The driver path reads within the tick: the first one runs at start-up.
  EXPECT_TRUE(WaitFor([&] { return Shown(*tank); }, 3000)) << tank->Display_Box->text().toStdString();
}

TEST_F(CardTraffic, TheSerialCardsFirstAnswerShowsAsSoonAsItArrives) {
  ASSERT_TRUE(sim.Start({"--no-devices"}));
  Open();
  master->show();
  TQXAnalogueInputSource* tank = Tank();
  ASSERT_NE(tank, nullptr);
  ASSERT_TRUE(WaitFor([&] { return tank->Display_Box->text() == QString(QChar(0x2014)); }, 3000))
      << "no device: nothing to show yet, not " << tank->Display_Box->text().toStdString() << " "
      << master->PanelText(3).toStdString();
  // Ticks 4 s apart: the first tick after the card is up asks it; the answer is shown when it
  // comes, not at the tick after.
  Ticks().start(4000);
  Connect();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(WaitFor([&] { return Count(SinceLastStart(sim.Log()), "IA\\r") >= 1; }, 6000));
  EXPECT_TRUE(WaitFor([&] { return Shown(*tank); }, 1500)) << tank->Display_Box->text().toStdString();
}
