#include "plant/plantpoll.h"

#include <cmath>

#include "platform/iclock.h"
#include "platform/services.h"

namespace {
const char* const kStageTexts[] = {"Ladder Idle", "Initialising process", "Setting up defaults",
                                   "Filling tanks A and B", "Heating water", "Running initial process",
                                   "Running main process", "Refilling tank A", "Washing divert pipes",
                                   "Washing product pipes", "Finished", "Finished", "Ladder Idle"};
// Where each initialisation parameter is read from; the words are written elsewhere (below).
const char* const kInitRead[] = {"N7:115", "N7:116", "N7:117", "N7:119", "N7:120", "N7:121", "N7:123", "N7:124", "N7:125"};
// The good product temperature gets a word of its own (N18:10): written to N18:9 with the divert
// point, it would overwrite the divert point the line before.
const char* const kInitWrite[] = {"N18:9", "N18:0", "N18:20", "N18:3", "N18:15", "N18:10", "N18:1", "N18:2", "N18:21"};
const char* const kLoopRead[3][3] = {{"N7:23", "N7:24", "N7:25"}, {"N7:53", "N7:54", "N7:55"}, {"N7:83", "N7:84", "N7:85"}};
const char* const kLoopWrite[3][3] = {{"N18:11", "N18:12", "N18:13"}, {"N18:4", "N18:5", "N18:6"}, {"N18:16", "N18:17", "N18:18"}};
const char* const kSetPoint[] = {"N7:22", "N7:52", "N7:82"};
const char* const kOutput[] = {"N17:3", "N17:4", "N17:5"};
const char* const kMode[] = {"N7:20", "N7:50", "N7:80"};
const double kInitLimits[] = {100, 250, 250, 100, 1500, 100, 100, 100, 100};

bool IsPump(int which) { return which >= TPlantPoll::HotPumpSpeed; }
qint16 Word(double v) { return static_cast<qint16>(std::lround(v)); }
}  // namespace

double TPlantPoll::InitLimit(int which) { return which >= 0 && which < InitCount ? kInitLimits[which] : 0; }

QString TPlantPoll::StageText(int stage) {
  return stage >= 0 && stage <= 12 ? QString::fromLatin1(kStageTexts[stage]) : QString();
}

TPlantPoll::TPlantPoll(IPlcLink& link) : FLink(link) {
  FLink.SetEvents({[this](qint16 w) { ReadDone(w); }, [this] { WriteDone(); },
                   [this](int code, const QString& text) { ErrorEvent(code, text); }});
}

TPlantPoll::~TPlantPoll() { FLink.SetEvents({}); }

void TPlantPoll::Tick() {
  if (FClosed) return;
  const std::int64_t now = TServices::Clock().TickCountMs();
  if (processing) {
    if (now - FExchangeStart >= TimeOutMs) {  // Timer2
      FLink.Abandon();
      Messages = QStringLiteral("Communications Error: no answer from the controller within 5 s (%1)")
                     .arg(FSteps[FStep].Address);
      Fault = QStringLiteral("Plant: no answer - retrying");
      EndCycle(false);
    }
    return;
  }
  if (FPolling && (!FEverPolled || now - FLastCycle >= PollMs)) StartCycle(now);
}

void TPlantPoll::StartCycle(std::int64_t now) {
  FEverPolled = true;
  FLastCycle = now;
  processing = true;
  BuildCycle();
  FStep = 0;
  NextStep();
}

void TPlantPoll::BuildCycle() {
  FSteps.clear();
  FOutcomes.clear();
  FParametersRead = false;
  FServingRead = false;
  FWriting.clear();
  FWritingDone = false;
  FLadderWriting = false;
  auto read = [this](const QString& address, std::function<void(qint16)> apply) {
    FSteps.push_back({address, false, 0, std::move(apply), {}});
  };
  // 1. digital and analogue words, the ladder.
  read("B13:0", [this](qint16 w) { for (int i = 0; i < 8; ++i) Digitals[i] = (w >> i) & 1; });
  read("B14:0", [this](qint16 w) { for (int i = 0; i < 8; ++i) Digitals[8 + i] = !((w >> i) & 1); });
  for (int i = 0; i < 6; ++i) read(QStringLiteral("N11:%1").arg(i), [this, i](qint16 w) { Analogs[i] = w; });
  read("N19:7", [this](qint16 w) { Analogs[8] = std::round(w / PercentScale); });
  read("N19:8", [this](qint16 w) { Analogs[9] = std::round(w / PercentScale); });
  if (RequestLadderStartStop) {
    RequestLadderStartStop = false;
    FLadderWriting = true;
    FLadderTarget = !LadderRunning;
    FSteps.push_back({QStringLiteral("B20:0"), true, static_cast<qint16>(FLadderTarget ? 1 : 0), {},
                      [this] {
                        FLadderWriting = false;
                        LadderEnabled = true;
                        Report(FLadderTarget ? QStringLiteral("Ladder started") : QStringLiteral("Ladder stopped"));
                        Changed();
                      }});
  }
  read("B20:0", [this](qint16 w) {
    if (w == 0) LadderRunning = false;
    else if (w == 1) LadderRunning = true;
  });
  // 2. the loops.
  for (int n = 0; n < 3; ++n) {
    read(kSetPoint[n], [this, n](qint16 w) { Loops[n].SetPointVal = w; });
    read(kOutput[n], [this, n](qint16 w) { Loops[n].OutVal = w / (n == 1 ? HeaterPercentScale : PercentScale); });
    read(kMode[n], [this, n](qint16 w) { Loops[n].ModeOff = (w & 2) != 0; });
  }
  read("N7:115", [this](qint16 w) { Divert1 = w; });
  read("N11:2", [this](qint16 w) { ActualPower1 = w / 100.0; });
  // 3. the parameters the user confirmed, when asked to write them: before the parameters are
  // read, so that a read in the same cycle shows what the controller now holds.
  const bool writing = RequestWriteValues && !FPendingWrites.empty();
  if (writing) {
    RequestWriteValues = false;
    FWriting = std::move(FPendingWrites);
    FPendingWrites.clear();
    FWritingBatch = FPendingBatch;
    for (const auto& [address, value] : FWriting) FSteps.push_back({address, true, value, {}, {}});
    FSteps.back().After = [this] {
      FWritingDone = true;
      FWriting.clear();
      WriteEnabled = true;
      Report(QStringLiteral("Values written"));
      if (OnWritten) OnWritten(FWritingBatch);
      Changed();
    };
  }
  // 4. the parameters: at first, on request, after a write and after a lost connection.
  if (RequestReadValues || FirstTime || FReread || writing) {
    const bool requested = RequestReadValues;
    FServingRead = requested;
    RequestReadValues = false;
    for (int n = 0; n < 3; ++n) {
      read(kLoopRead[n][0], [this, n](qint16 w) { Loops[n].GainVal = w / 10.0; });
      read(kLoopRead[n][1], [this, n](qint16 w) { Loops[n].IntVal = w / 10.0; });
      read(kLoopRead[n][2], [this, n](qint16 w) { Loops[n].DerVal = w / 10.0; });
    }
    for (int i = 0; i < InitCount; ++i)
      read(kInitRead[i], [this, i](qint16 w) { Init[i] = IsPump(i) ? std::round(w / PercentScale) : w; });
    FSteps.back().After = [this, requested] {
      FParametersRead = true;
      FParametersKnown = true;
      FReread = false;
      if (requested) {
        ReadEnabled = true;
        Report(QStringLiteral("Values read"));
      }
      Changed(true);
    };
  }
  // 5. the stage: the highest bit set, counted from 1.
  read("B3:0", [this](qint16 w) {
    for (int bit = 11; bit >= 0; --bit)
      if (w & (1 << bit)) {
        stage = bit + 1;
        break;
      }
  });
}

void TPlantPoll::NextStep() {
  if (FStep >= FSteps.size()) {
    EndCycle(true);
    return;
  }
  const TStep& step = FSteps[FStep];
  FExchangeStart = TServices::Clock().TickCountMs();
  if (step.Write) FLink.Write(step.Address, step.Value);
  else FLink.Read(step.Address);
}

void TPlantPoll::ReadDone(qint16 w) {
  if (!processing || FStep >= FSteps.size() || FSteps[FStep].Write) return;
  TStep& step = FSteps[FStep];
  FAnsweredAt[step.Address] = TServices::Clock().TickCountMs();
  if (step.Apply) step.Apply(w);
  if (step.After) step.After();
  ++FStep;
  NextStep();
}

void TPlantPoll::WriteDone() {
  if (!processing || FStep >= FSteps.size() || !FSteps[FStep].Write) return;
  if (FSteps[FStep].After) FSteps[FStep].After();
  ++FStep;
  NextStep();
}

void TPlantPoll::ErrorEvent(int code, const QString& text) {
  if (!processing) return;
  Messages = QStringLiteral("Communications Error: %1 (%2)").arg(code).arg(text);
  switch (code) {
    case IPlcLink::ConnectionRefused: Fault = QStringLiteral("Plant: connection refused - retrying"); break;
    case IPlcLink::ConnectionLost: Fault = QStringLiteral("Plant: connection lost - retrying"); break;
    default: Fault = QStringLiteral("Plant: communications error %1 - retrying").arg(code); break;
  }
  EndCycle(false);
}

// A failed cycle leaves the unserved requests standing and the next poll, two seconds on, tries
// again; what the controller said before is no longer current, and its parameters are read afresh
// once it answers again.
void TPlantPoll::EndCycle(bool good) {
  processing = false;
  const bool parameters = good && FParametersRead;
  if (good) {
    Messages = QStringLiteral("OK");
    Fault.clear();
    ++CyclesCompleted;
    if (FirstTime) {
      FirstTime = false;
      if (FPolling) ReadEnabled = WriteEnabled = LadderEnabled = true;
    }
  } else {
    FAnsweredAt.clear();
    FParametersKnown = false;
    FReread = true;
    QStringList waiting;
    if (FLadderWriting) {
      RequestLadderStartStop = true;
      waiting << (FLadderTarget ? QStringLiteral("Start Ladder") : QStringLiteral("Stop Ladder"));
    }
    // A write not finished goes back on the queue, unless a newer click has replaced it.
    if (!FWriting.empty() && !FWritingDone) {
      if (!RequestWriteValues) {
        FPendingWrites = std::move(FWriting);
        FPendingBatch = FWritingBatch;
        RequestWriteValues = true;
      }
      waiting << QStringLiteral("Write Values");
    }
    FWriting.clear();
    if (FServingRead && !FParametersRead) {
      RequestReadValues = true;
      waiting << QStringLiteral("Read Values");
    }
    if (!waiting.isEmpty())
      Report(QStringLiteral("%1 not done yet: the controller did not complete the exchange; tried again at the next poll")
                    .arg(waiting.join(QStringLiteral(", "))));
    FLastCycle = TServices::Clock().TickCountMs();
  }
  CommsEnabled = true;
  Changed(parameters);
}

// The outcomes of one cycle's requests are reported together.
void TPlantPoll::Report(const QString& outcome) {
  FOutcomes << outcome;
  Outcome = FOutcomes.join(QStringLiteral("; "));
}

bool TPlantPoll::Fresh(const QString& address) const {
  const auto it = FAnsweredAt.find(address);
  return it != FAnsweredAt.end() && TServices::Clock().TickCountMs() - it->second <= FreshMs;
}

bool TPlantPoll::AnalogFresh(int index) const {
  if (index >= 0 && index <= 5) return Fresh(QStringLiteral("N11:%1").arg(index));
  if (index == 8 || index == 9) return Fresh(QStringLiteral("N19:%1").arg(index - 1));
  return false;
}

bool TPlantPoll::DigitalFresh(int index) const {
  if (index >= 0 && index < 8) return Fresh(QStringLiteral("B13:0"));
  if (index >= 8 && index < 16) return Fresh(QStringLiteral("B14:0"));
  return false;
}

bool TPlantPoll::LoopFresh(int n) const {
  return n >= 0 && n < 3 && Fresh(QString::fromLatin1(kSetPoint[n])) && Fresh(QString::fromLatin1(kOutput[n]));
}

QStringList TPlantPoll::PendingRequests() const {
  QStringList pending;
  if (FLadderWriting) pending << (FLadderTarget ? QStringLiteral("Start Ladder") : QStringLiteral("Stop Ladder"));
  else if (RequestLadderStartStop) pending << (LadderRunning ? QStringLiteral("Stop Ladder") : QStringLiteral("Start Ladder"));
  if (RequestReadValues || (FServingRead && !FParametersRead && processing)) pending << QStringLiteral("Read Values");
  if (RequestWriteValues || (!FWriting.empty() && !FWritingDone)) pending << QStringLiteral("Write Values");
  return pending;
}

void TPlantPoll::CommsButtonClick() {
  if (!CommsEnabled || FClosed) return;
  if (CommsOn) {
    CommsOn = false;
    FPolling = false;
    ReadEnabled = WriteEnabled = LadderEnabled = false;
    // Enabled again when the running cycle ends, or now when none runs.
    CommsEnabled = !processing;
  } else {
    CommsOn = true;
    FPolling = true;
    FEverPolled = false;  // poll at once
    Messages = QStringLiteral("Establishing communications...");
    ReadEnabled = !FirstTime && !RequestReadValues;
    WriteEnabled = !FirstTime;
    LadderEnabled = !FirstTime && !RequestLadderStartStop;
    CommsEnabled = false;
  }
  Changed();
  if (FPolling) Tick();
}

void TPlantPoll::LadderButtonClick() {
  if (!LadderEnabled) return;
  RequestLadderStartStop = true;
  LadderEnabled = false;
  Changed();
}

void TPlantPoll::ReadButtonClick() {
  if (!ReadEnabled) return;
  RequestReadValues = true;
  ReadEnabled = false;
  Changed();
}

void TPlantPoll::WriteButtonClick(const std::array<TLoop, 3>& loops, const std::array<double, InitCount>& init,
                                  int batch) {
  if (!WriteEnabled) return;
  FPendingWrites.clear();
  FPendingBatch = batch;
  for (int n = 0; n < 3; ++n) {
    FPendingWrites.emplace_back(QString::fromLatin1(kLoopWrite[n][0]), Word(loops[n].GainVal * 10));
    FPendingWrites.emplace_back(QString::fromLatin1(kLoopWrite[n][1]), Word(loops[n].IntVal * 10));
    FPendingWrites.emplace_back(QString::fromLatin1(kLoopWrite[n][2]), Word(loops[n].DerVal * 10));
  }
  for (int i = 0; i < InitCount; ++i)
    FPendingWrites.emplace_back(QString::fromLatin1(kInitWrite[i]), Word(IsPump(i) ? init[i] * PercentScale : init[i]));
  RequestWriteValues = true;
  // The button stays live: a second click while this write waits (a fault, a cycle running)
  // replaces the values to be written rather than being lost.
  Changed();
}

void TPlantPoll::CloseProcessing() {
  FClosed = true;
  FPolling = false;
  if (processing) FLink.Abandon();
  processing = false;
}

void TPlantPoll::Changed(bool parameters) {
  if (OnChanged) OnChanged(parameters);
}
