// The serial path against the card simulator paced at the line rate (38400 baud, 8N1):
//  - BM_DisplayedValueAge: how old the value the diagram shows is, at a 100 ms and a 50 ms logger
//    interval, with the dispatcher at its default 50 ms pace. An output step changes the card's
//    input at once; the age is the time from the first "IA" request after the step (when the card
//    read the new value) to the logger tick that shows it. The target is one tick plus the line
//    time of one tick's answers. The time reported is the mean age; max_age_ms the largest seen.
//  - BM_SamplesPerSecond: complete "IA" answers delivered per second with the logger ticking as
//    fast as it can, one and two cards, single-ended and differential, next to the line limit.
//  - BM_LineUse: the demo's card with each tick doing to it what the demo's diagram does, at the
//    fastest interval the settings allow and as fast as the logger can tick: readings a second,
//    the bytes each way per reading and their share of the line.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>

#include "benchapplication.h"
#include "ifd/iifdhost.h"
#include "ifd/qxifd.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/serialcommandset.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "platform/unattendedprompts.h"
#include "rigconfig/rigconfig.h"

namespace {
const QString kSim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim");

class TQuietHost : public IIFDHost {
 public:
  void SetStatusPanel(int, const QString&) override {}
  void SetVComToolsOn() override {}
  void SetVComToolsOff() override {}
  void VComOneIsSet(const QString&) override {}
  void VComTwoIsSet(const QString&) override {}
  void VComMasterIFDidentified() override {}
  void VComSlaveIFDidentified() override {}
  void EnableVexamode() override {}
  void vComMasterIFDmode() override {}
  void vComSlaveIFDmode() override {}
  void VComLostMaster() override {}
  void VComLostSlave() override {}
  void setCaptureID(int) override {}
  void vComInverterDataBack(const QString&) override {}
  void CleanUpBeforeLeavingVCom() override {}
  void CleanUpAfterLeavingVCom() override {}
  void setVComStatusMsg(const QString&) override {}
  void setVComAuxStatusMsg(const QString&) override {}
  void AddDebugMessages(const QStringList&) override {}
  bool UserClickedForComms() const override { return false; }
  bool ChangingExercise() const override { return false; }
};

void Serve(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::usleep(200);
  }
}

template <class F>
bool ServeUntil(F done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::usleep(200);
  }
  return true;
}

// The application, the rig, a simulator process and a connected facade for one benchmark.
struct TSerialRig {
  TSerialRig(bool vexa, bool twoCards, bool singleEnded) {
    QDir().mkpath(Dir.filePath("config"));
    qputenv("XDG_CONFIG_HOME", Dir.filePath("config").toLocal8Bit());
    qputenv(TComPortTable::EnvironmentVariable,
            QStringLiteral("COM3=%1,COM4=%2").arg(Dir.filePath("master"), Dir.filePath("slave")).toLocal8Bit());
    TServices::SetPrompts(&Prompts);
    TServices::SetBus(&Bus);
    Rig.Using_IFD = true;
    Rig.Using_EXP = twoCards;
    Rig.UsingSingleEndedChannels = singleEnded;
    Rig.UsingSingleEndedChannelsForSlave = singleEnded;
    Rig.FisVexamode = vexa;
    Rig.RegistryKey = QStringLiteral("Software\\Veltrim\\Bench Serial Rig\\1.0");
    TServices::SetRig(&Rig);
    QFile plant(Dir.filePath("plant.ini"));
    plant.open(QIODevice::WriteOnly);
    QByteArray text = "[ai0]\nsource = AO0\ntau = 0\nnoise = 0\n";
    // Busy inputs: four-digit negative values, the longest replies a card sends.
    for (int i = 1; i < 16; ++i) text += QByteArray("[ai") + QByteArray::number(i) + "]\nsource = -1500\nnoise = 0\n";
    for (int i = 100; i < 116; ++i) text += QByteArray("[ai") + QByteArray::number(i) + "]\nsource = -1500\nnoise = 0\n";
    plant.write(text);
    plant.close();
    QStringList args{"--serial-dir", Dir.path(), "--no-devices", "--plant", Dir.filePath("plant.ini"), "--master",
                     vexa ? "vexa" : "brenna"};
    if (vexa) args << "--master-mode" << (singleEnded ? "se" : "diff");
    if (twoCards) args << "--slave" << "brenna";
    Sim.start(kSim, args);
    Ok = Sim.waitForStarted(5000) &&
         ServeUntil([&] { return QFileInfo::exists(Dir.filePath("master")) && (!twoCards || QFileInfo::exists(Dir.filePath("slave"))); }, 5000);
    if (!Ok) return;
    TAvailablePorts::StartDispatcher();
    TAvailablePorts::SetDispatcherSpeed(50);  // the default pace
    Ifd = std::make_unique<TQXIFD>(nullptr, &Host);
    Ifd->FilterWeight = 1;
    Ifd->FpreAssignedPortValCOMm = 3;
    Ifd->FpreAssignedPortValCOMs = 4;
    Ifd->switchIOtoIFDVComMaster(&Host);
    Ok = ServeUntil([&] { return Ifd->FvComIOActive && (!twoCards || Ifd->FAuxCardActive); }, 5000);
    for (int i = 0; i < 16; ++i) Ifd->RegisterChannel(i, 0);
    if (twoCards)
      for (int i = 0; i < 16; ++i) Ifd->RegisterChannel(100 + i, 0);
  }
  ~TSerialRig() {
    Ifd.reset();
    TAvailablePorts::Shutdown();
    TAvailablePorts::SetQueuesEnabled(true);
    Sim.terminate();
    Sim.waitForFinished(3000);
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
    TServices::SetPrompts(nullptr);
  }

  QTemporaryDir Dir;
  // Nobody is there to answer: a prompt (its text on standard error) is a failure of the set-up.
  TUnattendedPrompts Prompts;
  TMessageBus Bus;
  TRigConfig Rig{nullptr, nullptr, nullptr};
  TQuietHost Host;
  QProcess Sim;
  std::unique_ptr<TQXIFD> Ifd;
  bool Ok = false;
};
}  // namespace

static void BM_DisplayedValueAge(benchmark::State& state) {
  EnsureApplication();
  const int interval = static_cast<int>(state.range(0));
  if (!QFileInfo(kSim).isExecutable()) return state.SkipWithError("the simulator is not built");
  // The demo rig's card: a Vexa read differentially (8 inputs, two digital-input bytes).
  TSerialRig rig(true, false, false);
  if (!rig.Ok) return state.SkipWithError("the simulator or the connection did not come up");
  TQXIFD& ifd = *rig.Ifd;
  QElapsedTimer clock;
  clock.start();
  int target = 1000;
  qint64 stepAt = -1, firstRequest = -1;
  double maxAge = 0, sumAge = 0;
  int ages = 0;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  qint64 shownAt = -1;
  const TDataTriggerRep* rep = TDataTriggerRep::Find(ifd.ComPort());
  QObject::connect(&tick, &QTimer::timeout, [&] {
    // A logger tick: what the diagram shows now, then the next requests.
    const qint64 now = clock.nsecsElapsed();
    if (firstRequest >= 0 && shownAt < 0 && ifd.DataForChannel(0) == target) shownAt = now;
    const bool waiting = rep->AnswerPending(false);
    ifd.SampleNow();
    // The card reads its inputs when this tick's "IA" reaches it.
    if (stepAt >= 0 && firstRequest < 0 && !waiting && rep->AnswerPending(false)) firstRequest = now;
  });
  tick.start(interval);
  for (auto _ : state) {
    target = -target;
    stepAt = clock.nsecsElapsed();
    firstRequest = shownAt = -1;
    ifd.SetAnalogueValue(0, target);
    if (!ServeUntil([&] { return shownAt >= 0; }, 5000)) return state.SkipWithError("the step never showed");
    const double age = (shownAt - firstRequest) / 1e9;
    state.SetIterationTime(age);
    maxAge = std::max(maxAge, age);
    sumAge += age;
    ++ages;
    // The next step at another phase of the tick.
    Serve(interval + 7 * (ages % 5));
  }
  state.counters["max_age_ms"] = maxAge * 1000;
  state.counters["mean_age_ms"] = ages ? sumAge / ages * 1000 : 0;
  state.counters["interval_ms"] = interval;
}
BENCHMARK(BM_DisplayedValueAge)->Arg(100)->Arg(50)->UseManualTime()->Iterations(BenchShort() ? 5 : 40)->Unit(benchmark::kMillisecond);

static void BM_SamplesPerSecond(benchmark::State& state) {
  EnsureApplication();
  const bool vexa = state.range(0) == 1;
  const bool twoCards = state.range(1) == 2;
  const bool singleEnded = state.range(2) == 1;
  if (!QFileInfo(kSim).isExecutable()) return state.SkipWithError("the simulator is not built");
  TSerialRig rig(vexa, twoCards, singleEnded);
  if (!rig.Ok) return state.SkipWithError("the simulator or the connection did not come up");
  int answers = 0;
  static const int key = 0;
  TAvailablePorts::RegisterLogDataInMeth([&](const QString& message) { answers += message.mid(2, 3) == "134"; }, &key);
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] { rig.Ifd->SampleNow(); });
  tick.start(2);
  Serve(300);
  double seconds = 0;
  answers = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    Serve(BenchShort() ? 400 : 2000);
    seconds += t.nsecsElapsed() / 1e9;
  }
  TAvailablePorts::UnregisterHandlers(&key);
  state.counters["answers_per_s"] = answers / seconds;
  state.counters["per_card_per_s"] = answers / seconds / (twoCards ? 2 : 1);
  state.counters["errors"] = rig.Ifd->SerialLink().CommunicationErrors();
  // The line limit of the master: 3 840 bytes a second; a value "-1500" is 7 bytes with its code
  // and CR ("0" 3 bytes), a digital-input byte here 3, a Vexa answers two of them.
  const int values = singleEnded ? 16 : 8;
  const int bytes = 3 + 7 * (values - 1) + (vexa ? 6 : 3);
  state.counters["line_limit_per_s"] = 3840.0 / bytes;
}
// Args: card kind (0 Brenna-style, 1 Vexa), cards, mode (1 single-ended, 2 differential).
BENCHMARK(BM_SamplesPerSecond)
    ->Args({0, 1, 1})
    ->Args({0, 1, 2})
    ->Args({0, 2, 1})
    ->Args({0, 2, 2})
    ->Args({1, 1, 1})
    ->Args({1, 1, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The demo's card (a Vexa read differentially). Each tick reads the inputs and sets the standby
// heater's line as the demo's thermostat gate does on every tick (unchanged on almost all of
// them); the watchdog changes its phase once a second. Counted from the port's logs: readings
// (complete "IA" answers) a second, the bytes each way per reading (commands out; answers, digital
// bytes and acknowledgements in) and their share of the line's 3 840 bytes a second each way.
// With `resend` each tick also writes both output bytes as they stand, the traffic of a facade
// that sends its outputs on every call whether they changed or not: the comparison.
static void BM_LineUse(benchmark::State& state) {
  EnsureApplication();
  const int interval = static_cast<int>(state.range(0));
  const bool resend = state.range(1) == 1;
  if (!QFileInfo(kSim).isExecutable()) return state.SkipWithError("the simulator is not built");
  TSerialRig rig(true, false, false);
  if (!rig.Ok) return state.SkipWithError("the simulator or the connection did not come up");
  TQXIFD& ifd = *rig.Ifd;
  std::atomic<long long> answers{0}, bytesIn{0}, bytesOut{0};
  static const int key = 0;
  // In: card marker, three-digit code, data; on the line one code byte, the data and CR.
  TAvailablePorts::RegisterLogDataInMeth(
      [&](const QString& message) {
        answers += message.mid(2, 3) == "134";
        bytesIn += std::max<qsizetype>(message.size() - 5, 0) + 2;
      },
      &key);
  // Out: the command with its CR, a space and the port's name.
  TAvailablePorts::RegisterLogDataOutMeth([&](const QString& message) { bytesOut += std::max<qsizetype>(message.lastIndexOf(' '), 0); }, &key);
  QTimer tick, watchdog;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    ifd.SampleNow();
    ifd.SetDigitalOutputValue(1, false);
    if (resend)
      for (const TOutputByteCommand& command :
           TSerialCommandSet::Instance().DigitalOutputCommands(true, false, TIFDState::DigitalOutputShadow))
        TCommandWriter::SendCommand(ifd.ComPort(), command.Text);
  });
  QObject::connect(&watchdog, &QTimer::timeout, [&] { ifd.Watchdog(); });
  tick.start(interval);
  watchdog.start(1000);
  Serve(500);
  answers = bytesIn = bytesOut = 0;
  double seconds = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    Serve(BenchShort() ? 1000 : 5000);
    seconds += t.nsecsElapsed() / 1e9;
  }
  TAvailablePorts::UnregisterHandlers(&key);
  const double readings = static_cast<double>(answers.load());
  constexpr double kLineBytesPerSecond = 3840.0;  // 38400 baud, 8N1
  state.counters["readings_per_s"] = readings / seconds;
  state.counters["out_bytes_per_reading"] = readings > 0 ? bytesOut.load() / readings : 0;
  state.counters["in_bytes_per_reading"] = readings > 0 ? bytesIn.load() / readings : 0;
  state.counters["out_line_pct"] = bytesOut.load() / seconds / kLineBytesPerSecond * 100;
  state.counters["in_line_pct"] = bytesIn.load() / seconds / kLineBytesPerSecond * 100;
  state.counters["errors"] = ifd.SerialLink().CommunicationErrors();
  state.counters["interval_ms"] = interval;
}
// Args: the logger's interval in ms (the settings' fastest, 50, and as fast as it can tick, 2);
// 1 to send the outputs on every tick as well.
BENCHMARK(BM_LineUse)->Args({50, 0})->Args({50, 1})->Args({2, 0})->Args({2, 1})->Iterations(1)->Unit(benchmark::kSecond);
