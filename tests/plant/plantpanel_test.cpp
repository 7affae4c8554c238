// The control-parameters window and its poll cycle, against a controller double that answers from
// a word table (or holds its answer, or fails), under a clock the test moves.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

#include "plant/plcaddress.h"
#include "plant/plantpoll.h"
#include "plant/scadaform.h"
#include "support/manualclock.h"
#include "support/scriptedprompts.h"
#include "workbook/model/workbook.h"
#include "platform/qtprompts.h"
#include "platform/services.h"

namespace {
// Answers at once from `words` unless told to hold (no answer) or to fail with a code.
class TFakeLink : public IPlcLink {
 public:
  std::map<QString, qint16> words;
  std::map<QString, QString> mirror;  // a written word the controller also shows at another address
  std::vector<QString> log;  // "R N7:22" / "W N18:9=60"
  bool hold = false;
  int failCode = 0;
  bool busy = false;
  int abandoned = 0;

  void Read(const QString& a) override {
    log.push_back("R " + a);
    Answer([this, a] { FEvents.OnReadDone(words[a]); });
  }
  void Write(const QString& a, qint16 v) override {
    log.push_back(QStringLiteral("W %1=%2").arg(a).arg(v));
    Answer([this, a, v] {
      words[a] = v;
      if (mirror.count(a)) words[mirror[a]] = v;
      FEvents.OnWriteDone();
    });
  }
  void Abandon() override {
    busy = false;
    ++abandoned;
  }
  bool IsBusy() const override { return busy; }
  std::vector<QString> Writes() const {
    std::vector<QString> w;
    for (const QString& l : log)
      if (l.startsWith('W')) w.push_back(l.mid(2));
    return w;
  }

 private:
  void Answer(const std::function<void()>& done) {
    if (hold) {
      busy = true;
      return;
    }
    if (failCode) FEvents.OnErrorEvent(failCode, QStringLiteral("refused"));
    else done();
  }
};

struct TPlantPanel : ::testing::Test {
  TManualClock clock;
  TScriptedPrompts prompts;
  TFakeLink* link = new TFakeLink;
  TSCADAForm form{std::unique_ptr<IPlcLink>(link)};
  TPlantPoll& poll = form.Poll();

  void Cycle() {
    clock.AdvanceMs(TPlantPoll::PollMs);
    form.Timer1Timer();
  }
  QString Text(const char* box) { return form.Box(QString::fromLatin1(box))->text(); }
  void Enter(const char* box, const QString& text) {
    QLineEdit* e = form.Box(QString::fromLatin1(box));
    e->setText(text);
    emit e->textEdited(text);
    emit e->editingFinished();
  }
};

TEST(PlcAddress, EachAddressHasItsRegister) {
  EXPECT_EQ(TPlcAddress::Register("N7:22"), 7 * 256 + 22);
  EXPECT_EQ(TPlcAddress::Register("B3:0"), 768);
  EXPECT_EQ(TPlcAddress::Register("B20:0"), 5120);
  EXPECT_EQ(TPlcAddress::Register("N18:21"), 18 * 256 + 21);
  EXPECT_EQ(TPlcAddress::Register("n255:255"), 65535);
  EXPECT_EQ(TPlcAddress::Text('N', 1814), "N7:22");
  for (const char* bad : {"", "N7", "N7:", "N7:256", "N256:0", "X7:1", " N7:22", "N7:22 ", "N-1:2", "N7:2.5"})
    EXPECT_FALSE(TPlcAddress::Register(QString::fromLatin1(bad))) << bad;
}

TEST_F(TPlantPanel, EveryAddressThePanelUsesHasItsOwnRegister) {
  form.Timer1Timer();
  form.LadderButtonClick();
  form.ReadButtonClick();
  for (const char* box : {"PropBand1", "Integral1", "Deriv1", "PropBand2", "Integral2", "Deriv2", "PropBand3",
                          "Integral3", "Deriv3", "LowerDivert", "TankALevel", "TankBLevel", "HotWaterTemp", "FlowRate",
                          "ProductTemp", "HotPumpSpeed", "FeedPumpSpeed1", "FeedPumpSpeed2"})
    Enter(box, "1");
  form.WriteButtonClick();
  Cycle();
  std::map<int, QString> byRegister;
  std::set<QString> addresses;
  for (const QString& entry : link->log) {
    const QString address = entry.mid(2).section('=', 0, 0);
    addresses.insert(address);
    const std::optional<quint16> reg = TPlcAddress::Register(address);
    ASSERT_TRUE(reg) << address.toStdString();
    const QStringList parts = address.mid(1).split(':');
    EXPECT_EQ(*reg, parts[0].toInt() * 256 + parts[1].toInt());
    const auto [it, fresh] = byRegister.emplace(*reg, address);
    EXPECT_TRUE(fresh || it->second == address) << address.toStdString() << " shares a register with " << it->second.toStdString();
  }
  EXPECT_EQ(addresses.size(), 2u + 6 + 2 + 1 + 9 + 1 + 18 - 1 + 18 + 1) << "N7:115 is read twice (divert and its parameter)";
}

TEST_F(TPlantPanel, PollsEveryTwoSecondsByTheClockAndReadsTheParametersOnlyAtFirst) {
  EXPECT_EQ(Text("Mode1"), "n/a") << "nothing is known before the controller answers";
  form.Timer1Timer();  // the first poll goes at once
  EXPECT_EQ(Text("Mode1"), "Auto");
  ASSERT_EQ(poll.CyclesCompleted, 1);
  EXPECT_EQ(link->log.front(), "R B13:0");
  EXPECT_EQ(link->log.back(), "R B3:0");
  const auto first = link->log.size();
  EXPECT_EQ(first, 2u + 6 + 2 + 1 + 9 + 2 + 18 + 1);
  clock.AdvanceMs(1999);
  form.Timer1Timer();
  EXPECT_EQ(poll.CyclesCompleted, 1);
  clock.AdvanceMs(1);
  form.Timer1Timer();
  EXPECT_EQ(poll.CyclesCompleted, 2);
  EXPECT_EQ(link->log.size() - first, first - 18) << "parameters are read on the first cycle and on request only";
  EXPECT_EQ(poll.Messages, "OK");
  EXPECT_TRUE(form.ReadButtonEnabled() && form.WriteButtonEnabled() && form.LadderButtonEnabled());
}

TEST_F(TPlantPanel, ButtonsWaitForTheFirstGoodCycle) {
  link->failCode = IPlcLink::ConnectionRefused;
  form.Timer1Timer();
  EXPECT_FALSE(form.ReadButtonEnabled() || form.WriteButtonEnabled() || form.LadderButtonEnabled());
  EXPECT_TRUE(form.CommsButtonEnabled());
  EXPECT_EQ(poll.Messages, QStringLiteral("Communications Error: 1001 (refused)"));
  EXPECT_EQ(form.StatusText(), "Plant: connection refused - retrying");
  // Retried on the next poll, and healthy again there.
  link->failCode = 0;
  clock.AdvanceMs(1000);
  form.Timer1Timer();
  EXPECT_EQ(poll.CyclesCompleted, 0);
  Cycle();
  EXPECT_EQ(poll.CyclesCompleted, 1);
  EXPECT_TRUE(form.StatusText().isEmpty());
  EXPECT_TRUE(form.ReadButtonEnabled());
}

TEST_F(TPlantPanel, AnExchangeTimesOutAfterFiveSecondsWithoutBlockingAndTheNextPollRetries) {
  form.Timer1Timer();
  link->hold = true;
  Cycle();
  EXPECT_TRUE(poll.processing);
  clock.AdvanceMs(4999);
  form.Timer1Timer();
  EXPECT_TRUE(poll.processing);
  clock.AdvanceMs(1);
  form.Timer1Timer();
  EXPECT_FALSE(poll.processing);
  EXPECT_EQ(link->abandoned, 1);
  EXPECT_TRUE(poll.Messages.startsWith("Communications Error: no answer")) << poll.Messages.toStdString();
  EXPECT_EQ(form.StatusText(), "Plant: no answer - retrying");
  EXPECT_TRUE(poll.CommsOn) << "a fault does not stop polling";
  link->hold = false;
  const int before = poll.CyclesCompleted;
  Cycle();
  EXPECT_EQ(poll.CyclesCompleted, before + 1);
}

TEST_F(TPlantPanel, WordsAreScaledIntoTheArraysAndBoxes) {
  link->words = {{"B13:0", 0b101}, {"B14:0", 0b1}, {"N11:0", 120}, {"N11:2", 345}, {"N19:7", 8193},
                 {"N7:22", 65}, {"N17:3", 8193}, {"N17:4", 16383}, {"N7:50", 2}, {"N7:115", 58},
                 {"N7:23", 25}, {"N7:123", 9832}, {"N7:116", 200}, {"B3:0", 0b1000}};
  form.Timer1Timer();
  EXPECT_TRUE(form.Digitals(0));
  EXPECT_FALSE(form.Digitals(1));
  EXPECT_TRUE(form.Digitals(2));
  EXPECT_FALSE(form.Digitals(8)) << "output words are inverted";
  EXPECT_TRUE(form.Digitals(9));
  EXPECT_FALSE(form.Digitals(16));
  EXPECT_EQ(form.Analogs(0), 120);
  EXPECT_EQ(form.Analogs(8), 50);
  EXPECT_EQ(form.Analogs(-1), 0);
  EXPECT_EQ(Text("SetPoint1"), "65.0");
  EXPECT_EQ(Text("Output1"), "50");
  EXPECT_EQ(Text("Output2"), "100");
  EXPECT_EQ(Text("Mode1"), "Auto");
  EXPECT_EQ(Text("Mode2"), "Off");
  EXPECT_EQ(Text("Divert1"), "58");
  EXPECT_EQ(Text("ActualPower1"), "3.45");
  EXPECT_EQ(Text("PropBand1"), "2.5");
  EXPECT_EQ(Text("HotPumpSpeed"), "60");
  EXPECT_EQ(Text("TankALevel"), "200");
  EXPECT_EQ(form.findChild<QLabel*>("Status1")->text(), "Heating water");
  // A stage word of 0 keeps the last stage; a ladder word of 2 keeps the caption.
  link->words["B3:0"] = 0;
  link->words["B20:0"] = 1;
  Cycle();
  EXPECT_EQ(poll.stage, 4);
  auto* ladder = form.findChildren<QPushButton*>()[1];
  EXPECT_EQ(ladder->text(), "Stop Ladder");
  link->words["B20:0"] = 2;
  Cycle();
  EXPECT_EQ(ladder->text(), "Stop Ladder");
  link->words["B3:0"] = static_cast<qint16>(0x0800 | 0x0001);
  Cycle();
  EXPECT_EQ(TPlantPoll::StageText(poll.stage), "Ladder Idle");
}

TEST_F(TPlantPanel, LadderStartAndStopAreWrittenByTheNextCycle) {
  form.Timer1Timer();
  form.LadderButtonClick();
  EXPECT_FALSE(form.LadderButtonEnabled());
  link->log.clear();
  Cycle();
  EXPECT_EQ(link->Writes(), std::vector<QString>{"B20:0=1"});
  EXPECT_TRUE(poll.LadderRunning);
  EXPECT_TRUE(form.LadderButtonEnabled());
  form.LadderButtonClick();
  link->log.clear();
  Cycle();
  EXPECT_EQ(link->Writes(), std::vector<QString>{"B20:0=0"});
  EXPECT_FALSE(poll.LadderRunning);
  // A request whose cycle failed is carried out by the next one, once.
  form.LadderButtonClick();
  link->failCode = 4;
  Cycle();
  link->failCode = 0;
  link->log.clear();
  Cycle();
  EXPECT_EQ(link->Writes(), std::vector<QString>{"B20:0=1"});
  link->log.clear();
  Cycle();
  EXPECT_TRUE(link->Writes().empty());
}

TEST_F(TPlantPanel, WritesExactlyTheConfirmedParametersAndReadsThemBack) {
  form.Timer1Timer();
  Enter("PropBand1", "2.54");
  EXPECT_EQ(Text("PropBand1"), "2.5");
  Enter("TankBLevel", "250");
  prompts.ExpectMessage("The Tank A Level (process) input is invalid. Please change the value.");
  Enter("TankALevel", "251");
  Enter("ProductTemp", "66");
  Enter("HotPumpSpeed", "50");
  // A box holding a refused value stops the write: nothing unconfirmed reaches the controller.
  prompts.ExpectMessage("Tank A Level (process)");
  form.WriteButtonClick();
  Cycle();
  EXPECT_TRUE(link->Writes().empty());
  Enter("TankALevel", "180");
  form.WriteButtonClick();
  EXPECT_EQ(form.RequestsText(), "Pending: Write Values");
  Enter("TankALevel", "10");  // after the click: not part of this write
  link->log.clear();
  Cycle();
  const std::vector<QString> expected = {"N18:11=25", "N18:12=0", "N18:13=0", "N18:4=0", "N18:5=0", "N18:6=0",
                                         "N18:16=0",  "N18:17=0", "N18:18=0", "N18:9=0", "N18:0=180", "N18:20=250",
                                         "N18:3=0",   "N18:15=0", "N18:10=66", "N18:1=8193", "N18:2=0", "N18:21=0"};
  EXPECT_EQ(link->Writes(), expected);
  EXPECT_TRUE(form.WriteButtonEnabled());
  // Read Values brings the controller's words back into the boxes.
  link->words["N7:116"] = 180;
  form.ReadButtonClick();
  Cycle();
  EXPECT_EQ(Text("TankALevel"), "180");
  EXPECT_TRUE(form.ReadButtonEnabled());
}

TEST_F(TPlantPanel, BoxChecksKeepTheLastGoodValue) {
  prompts.ExpectMessage("The Gain input is invalid. Please change the value.");
  prompts.ExpectMessage("The Flowrate (Processing) input is invalid. Please change the value.");
  prompts.ExpectMessage("The Tank B Level (wash) input is invalid. Please change the value.");
  Enter("PropBand2", "abc");
  Enter("FlowRate", "1501");
  Enter("TankBLevel", "-1");
  Enter("FlowRate", "1500");
  EXPECT_EQ(Text("FlowRate"), "1500");
}

TEST_F(TPlantPanel, CommsButtonStopsAndRestartsPolling) {
  form.Timer1Timer();
  form.CommsButtonClick();
  EXPECT_FALSE(poll.CommsOn);
  EXPECT_TRUE(form.CommsButtonEnabled()) << "no cycle runs: the button can start polling again";
  EXPECT_FALSE(form.ReadButtonEnabled() || form.WriteButtonEnabled() || form.LadderButtonEnabled());
  const int cycles = poll.CyclesCompleted;
  Cycle();
  Cycle();
  EXPECT_EQ(poll.CyclesCompleted, cycles);
  link->hold = true;
  form.CommsButtonClick();
  EXPECT_TRUE(poll.processing);
  EXPECT_FALSE(form.CommsButtonEnabled());
  EXPECT_EQ(poll.Messages, "Establishing communications...");
  clock.AdvanceMs(TPlantPoll::TimeOutMs);
  form.Timer1Timer();
  EXPECT_TRUE(form.CommsButtonEnabled());
}

TEST_F(TPlantPanel, SampleRowGetsFifteenLoopColumns) {
  TWorkbook book;
  TServices::SetSampleBook(&book);
  link->words = {{"N7:22", 65}, {"N7:23", 25}, {"N7:82", 600}, {"N17:5", 16386}};
  form.Timer1Timer();
  IPlantArrays::Current()->WriteValues(3);
  EXPECT_EQ(book.NumberRC(2, 3), 2.5);
  EXPECT_EQ(book.NumberRC(2, 6), 65);
  EXPECT_EQ(book.NumberRC(2, 16), 600);
  EXPECT_NEAR(book.NumberRC(2, 17), 100, 1e-9);
  EXPECT_EQ(book.TextRC(2, 18), "");
  TServices::SetSampleBook(nullptr);
}
}  // namespace

namespace {
// The controller goes away: what it did not answer for is recorded as nothing and shown as such,
// and once it answers again its parameters are read afresh before the panel says "OK".
TEST_F(TPlantPanel, AControllerThatStopsAnsweringLeavesEmptyCellsAndIsReReadWhenBack) {
  TWorkbook book;
  TServices::SetSampleBook(&book);
  link->words = {{"N11:0", 178}, {"N7:22", 65}, {"N17:3", 8193}, {"N7:23", 25}, {"N7:115", 58}, {"B13:0", 1}};
  form.Timer1Timer();
  ASSERT_EQ(poll.Messages, "OK");
  EXPECT_TRUE(form.AnalogAvailable(0));
  EXPECT_TRUE(form.DigitalAvailable(0));
  form.WriteValues(3);
  EXPECT_EQ(book.NumberRC(2, 3), 2.5);
  EXPECT_EQ(book.NumberRC(2, 6), 65);

  // No answer: the words answered two seconds ago go out of date within the poll time, long
  // before the exchange's five seconds are up.
  link->hold = true;
  Cycle();
  ASSERT_TRUE(poll.processing);
  clock.AdvanceMs(TPlantPoll::FreshMs - TPlantPoll::PollMs + 1);
  form.Timer1Timer();
  ASSERT_TRUE(poll.processing) << "the exchange has not timed out yet";
  EXPECT_FALSE(form.AnalogAvailable(0));
  EXPECT_FALSE(form.DigitalAvailable(0));
  EXPECT_EQ(Text("SetPoint1"), "n/a");
  EXPECT_EQ(Text("Output1"), "n/a");
  form.WriteValues(3);
  EXPECT_EQ(book.ValueRC(2, 6).Kind, TValueKind::Empty) << "the set point is not the one last answered";
  EXPECT_EQ(book.ValueRC(2, 7).Kind, TValueKind::Empty);
  clock.AdvanceMs(TPlantPoll::TimeOutMs);
  form.Timer1Timer();
  EXPECT_FALSE(poll.processing);
  form.WriteValues(3);
  EXPECT_EQ(book.ValueRC(2, 3).Kind, TValueKind::Empty) << "a lost link says nothing of the gains either";

  // A refused connection ends the cycle at once: nothing is current after it.
  link->hold = false;
  link->failCode = IPlcLink::ConnectionRefused;
  Cycle();
  EXPECT_FALSE(form.AnalogAvailable(0));

  // Back, with the divert point changed meanwhile: the parameters are read before "OK".
  link->failCode = 0;
  link->words["N7:115"] = 60;
  link->words["N7:23"] = 30;
  link->log.clear();
  Cycle();
  EXPECT_NE(std::find(link->log.begin(), link->log.end(), "R N7:23"), link->log.end());
  EXPECT_EQ(poll.Messages, "OK");
  EXPECT_EQ(Text("LowerDivert"), "60");
  EXPECT_EQ(Text("PropBand1"), "3.0");
  EXPECT_TRUE(form.AnalogAvailable(0));
  form.WriteValues(3);
  EXPECT_EQ(book.NumberRC(2, 3), 3);
  EXPECT_EQ(book.NumberRC(2, 6), 65);
  TServices::SetSampleBook(nullptr);
}

// Read Values and Write Values in one poll: the controller takes the typed value and the panel
// shows it; a box typed in is not overwritten by a read until written or given up.
TEST_F(TPlantPanel, ReadAndWriteInOnePollShowWhatTheControllerHolds) {
  link->words["N7:23"] = 20;
  form.Timer1Timer();
  ASSERT_EQ(Text("PropBand1"), "2.0");
  QLineEdit* gain = form.Box("PropBand1");
  gain->setText("5.5");
  emit gain->textEdited("5.5");
  emit gain->editingFinished();
  EXPECT_TRUE(form.Unwritten("PropBand1"));
  EXPECT_NE(form.MessagesText(), "OK") << "a typed value not written does not stand beside a bare OK";
  // The controller shows a written gain where the panel reads it, as the real one does.
  link->mirror["N18:11"] = "N7:23";
  form.ReadButtonClick();
  form.WriteButtonClick();
  EXPECT_EQ(form.RequestsText(), "Pending: Read Values, Write Values");
  Cycle();
  EXPECT_EQ(link->words["N18:11"], 55);
  EXPECT_EQ(Text("PropBand1"), "5.5");
  EXPECT_EQ(form.MessagesText(), "OK");
  EXPECT_FALSE(form.Unwritten("PropBand1"));

  // Typed and not written: a read requested by the program (a regained link) leaves it alone.
  gain->setText("7.0");
  emit gain->textEdited("7.0");
  emit gain->editingFinished();
  link->failCode = IPlcLink::ConnectionLost;
  Cycle();
  link->failCode = 0;
  Cycle();
  EXPECT_EQ(Text("PropBand1"), "7.0");
  EXPECT_TRUE(form.Unwritten("PropBand1"));
  // Read Values gives it up for the controller's value.
  form.ReadButtonClick();
  Cycle();
  EXPECT_EQ(Text("PropBand1"), "5.5");
  EXPECT_EQ(form.RequestsText(), "Values read");
}

// A write clicked while another waits (the controller at fault) is not lost, and every queued
// request is shown until its outcome is reported.
TEST_F(TPlantPanel, QueuedRequestsAreShownAndASecondWriteReplacesTheFirst) {
  link->mirror["N18:0"] = "N7:116";
  form.Timer1Timer();
  link->failCode = IPlcLink::ConnectionLost;
  Enter("TankALevel", "120");
  form.WriteButtonClick();
  form.LadderButtonClick();
  Cycle();
  EXPECT_EQ(form.RequestsText(), "Pending: Start Ladder, Write Values");
  ASSERT_TRUE(form.WriteButtonEnabled()) << "a second write must not hit a disabled button";
  Enter("TankALevel", "130");
  form.WriteButtonClick();
  Cycle();
  EXPECT_TRUE(link->Writes().empty());
  link->failCode = 0;
  Cycle();
  std::vector<QString> writes = link->Writes();
  EXPECT_NE(std::find(writes.begin(), writes.end(), "N18:0=130"), writes.end());
  EXPECT_EQ(std::find(writes.begin(), writes.end(), "N18:0=120"), writes.end());
  EXPECT_EQ(writes.front(), "B20:0=1");
  EXPECT_EQ(form.RequestsText(), "Ladder started; Values written");
  EXPECT_EQ(Text("TankALevel"), "130");
  EXPECT_FALSE(form.Unwritten("TankALevel"));
}

// A refusal names the box typed in by the caption beside it, for every parameter box, typed into
// with the keyboard and left with Tab as a user does.
// Keys as typed: the text, then Tab to the next box.
void Type(QWidget* box, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
  }
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(box, &tab);
}

TEST_F(TPlantPanel, ARefusalNamesTheBoxTypedIn) {
  form.show();
  form.activateWindow();
  for (int i = 0; i < 50 && !form.isActiveWindow(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_TRUE(form.isActiveWindow());
  form.Timer1Timer();
  int checked = 0;
  for (QLabel* label : form.findChildren<QLabel*>()) {
    auto* box = qobject_cast<QLineEdit*>(label->buddy());
    if (!box || box->isReadOnly()) continue;
    ++checked;
    QString name = label->text();
    name.chop(1);  // the colon
    prompts.ExpectMessage(QStringLiteral("The %1 input is invalid. Please change the value.").arg(name));
    box->setFocus();
    ASSERT_TRUE(box->hasFocus()) << name.toStdString();
    box->selectAll();
    Type(box, "9999");
    EXPECT_EQ(prompts.Pending(), 0) << name.toStdString();
    box->selectAll();
    Type(box, "1");
  }
  EXPECT_EQ(checked, 18);
}

// The same with the program's own message boxes, which take the focus while they are up: Tab out
// of each box with a value out of range, and the message names the label beside that box, the
// box gets the focus back and keeps what was typed for correcting.
TEST(TPlantPanelDialogs, ARealMessageNamesTheBoxTypedInAndGivesItTheFocusBack) {
  TQtPrompts real;
  TServices::SetPrompts(&real);
  TManualClock clock;
  TSCADAForm form{std::make_unique<TFakeLink>()};
  form.show();
  auto activate = [&] {
    form.activateWindow();
    for (int i = 0; i < 50 && !form.isActiveWindow(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
  };
  form.Timer1Timer();
  QStringList shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown << box->text();
      box->accept();
    }
  });
  closer.start(20);
  int checked = 0;
  for (QLabel* label : form.findChildren<QLabel*>()) {
    auto* box = qobject_cast<QLineEdit*>(label->buddy());
    if (!box || box->isReadOnly()) continue;
    ++checked;
    const QString name = label->text().chopped(1);
    activate();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "9999");
    QTest::keyClick(box, Qt::Key_Tab);
    for (int i = 0; i < 50 && shown.isEmpty(); ++i) QTest::qWait(10);
    EXPECT_EQ(shown, QStringList{QStringLiteral("The %1 input is invalid. Please change the value.").arg(name)});
    shown.clear();
    activate();
    EXPECT_EQ(QApplication::focusWidget(), box) << name.toStdString();
    EXPECT_EQ(box->text(), "9999") << name.toStdString();
    box->selectAll();
    QTest::keyClicks(box, "1");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::qWait(60);
    EXPECT_TRUE(shown.isEmpty()) << name.toStdString() << ": " << shown.join('|').toStdString();
    shown.clear();
  }
  EXPECT_EQ(checked, 18);
  TServices::SetPrompts(nullptr);
}
}  // namespace
