#include "ifd/serial/datatriggerrep.h"

#include <map>
#include <memory>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "platform/iprompts.h"
#include "platform/services.h"

namespace {
std::map<const TApdComPortEx*, std::unique_ptr<TDataTriggerRep>>& Reps() {
  static std::map<const TApdComPortEx*, std::unique_ptr<TDataTriggerRep>> reps;
  return reps;
}

constexpr char CR = '\r';
}  // namespace

std::uint8_t TDataTriggerRep::CodeByte(TTrigger trigger) {
  if (trigger >= ai0 && trigger <= ai15) return static_cast<std::uint8_t>(0x87 + (trigger - ai0));
  if (trigger >= setAO0 && trigger <= setAO3) return static_cast<std::uint8_t>(0x80 + (trigger - setAO0));
  switch (trigger) {
    case eol: return 0x0B;
    case diS: return 0x85;
    case diS_3: return 0x9F;
    case aiS: return 0x86;
    case setDOs: return 0x84;
    case setDOs_1: return 0xA0;
    case setIM: return 0x97;
    case rFrqX: return 0x98;
    case setFilterVal: return 0x99;
    case HS_run: return 0x9A;
    case HS_stop: return 0x9B;
    case PWM: return 0x9C;
    case ARM: return 0x9D;
    case IMO: return 0x9E;
    default: return 0;
  }
}

TDataTriggerRep::TDataTriggerRep(TApdComPortEx* port) : FPort(port) {}

TDataTriggerRep& TDataTriggerRep::ForPort(TApdComPortEx& port) {
  std::unique_ptr<TDataTriggerRep>& rep = Reps()[&port];
  if (!rep) rep.reset(new TDataTriggerRep(&port));
  return *rep;
}

TDataTriggerRep* TDataTriggerRep::Find(const TApdComPortEx* port) {
  const auto it = Reps().find(port);
  return it == Reps().end() ? nullptr : it->second.get();
}

void TDataTriggerRep::Forget(const TApdComPortEx* port) { Reps().erase(port); }

void TDataTriggerRep::Fail(const QString& text) {
  TServices::Prompts().MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::OK);
}

bool TDataTriggerRep::regTriggers() {
  if (!unregTriggers()) return false;
  if (!FPort) {
    Fail(QStringLiteral("Calling regTriggers on invalid TDataTriggerRep!"));
    return false;
  }
  for (int t = 0; t < TriggerCount; ++t) {
    const char sequence[2] = {static_cast<char>(CodeByte(static_cast<TTrigger>(t))), CR};
    FtrHNDL[t] = FPort->AddDataTrigger(QByteArray(sequence, 2));
    ++FRegisteredTriggers;
  }
  FValidTriggersSet = true;
  return true;
}

bool TDataTriggerRep::unregTriggers() {
  if (!FValidTriggersSet) return true;
  FValidTriggersSet = false;
  for (int t = 0; t < TriggerCount; ++t) {
    if (FPort) FPort->RemoveTrigger(FtrHNDL[t]);
    FtrHNDL[t] = 0;
    --FRegisteredTriggers;
  }
  if (FRegisteredTriggers != 0) {
    FRegisteredTriggers = 0;  // start the next registration from a clean count
    Fail(QStringLiteral("Unbalanced Registered/Unregistered DataTriggers"));
    return false;
  }
  return true;
}

void TDataTriggerRep::SetCollectorSize(TIFDInputMode mode) {
  const int f = mode == TIFDInputMode::SE ? 2 : mode == TIFDInputMode::DIFF ? 1 : 0;
  // A partial answer gathered under the old size would be cut wrongly: start afresh (a request
  // already sent still waits for its answer).
  for (TAnswer* answer : {&FMain, &FAux}) {
    const bool requested = answer->Requested;
    *answer = TAnswer();
    answer->Size = 8 * f;
    answer->Requested = requested;
  }
}

void TDataTriggerRep::Emit(TAnswer& answer) {
  QString text;
  for (const QString& value : answer.Values) text += QLatin1Char(' ') + value;
  ProcessReply(Code(aiS), text);
}

bool TDataTriggerRep::Judge(TAnswer& answer, bool whole) {
  const bool begun = answer.Requested || answer.Closed;
  const qsizetype n = answer.Values.size();
  const bool taken = begun && whole && n == answer.Size && !answer.Mismatch;
  if (taken) {
    Emit(answer);
  } else if (begun) {
    ++FDiscarded;
    if (OnAnswerLost) OnAnswerLost(Auxiliary(answer));
  }
  answer.Values.clear();
  answer.Requested = answer.Closed = false;
  answer.Followers = 0;
  return taken;
}

void TDataTriggerRep::RequestAnswer(bool auxiliary, int followers) {
  TAnswer& answer = auxiliary ? FAux : FMain;
  if (answer.Size == 0) {
    answer.Requested = true;
    return;
  }
  // Ended by the next request: whole only when nothing else was to follow it.
  Judge(answer, answer.Expected == 0);
  answer.Emitted = false;
  answer.Requested = true;
  answer.Expected = followers;
}

void TDataTriggerRep::OtherReplyArrived(int trigger) {
  const bool digitalInputs = trigger == diS || trigger == diS_3;
  for (TAnswer* answer : {&FMain, &FAux}) {
    answer->Emitted = false;
    if (answer->Size == 0) continue;
    // Only an answer already begun has ended; a request may still be waiting behind replies to
    // earlier commands.
    if (answer->Requested && !answer->Values.isEmpty()) {
      answer->Requested = false;
      answer->Closed = true;
    } else if (!answer->Closed) {
      continue;
    }
    if (digitalInputs) ++answer->Followers;
    if (answer->Followers >= answer->Expected) Judge(*answer, true);
  }
}

void TDataTriggerRep::SetMismatch(TAnswer& answer) {
  if (answer.Mismatch) return;
  answer.Mismatch = true;
  if (OnModeMismatch) OnModeMismatch(Auxiliary(answer), static_cast<int>(MaxAnswer));
}

int TDataTriggerRep::TriggerOf(std::uint16_t handle) const {
  if (handle == 0) return -1;
  for (int t = 0; t < TriggerCount; ++t)
    if (FtrHNDL[t] == handle) return t;
  return -1;
}

void TDataTriggerRep::ProcessReply(int code, const QString& text) {
  if (FPort) TAvailablePorts::LogDataIn(*FPort, QString::number(code) + text);
}

void TDataTriggerRep::ProcessAIsMain(const QString& value) { Collect(FMain, value); }

void TDataTriggerRep::ProcessAIsAux(const QString& value) { Collect(FAux, value); }

void TDataTriggerRep::Collect(TAnswer& answer, const QString& value) {
  // Without a mode each value is an answer of its own.
  if (answer.Size == 0) {
    if (answer.Requested) ProcessReply(Code(aiS), QLatin1Char(' ') + value);
    return;
  }
  if (!answer.Requested || answer.Values.size() >= MaxAnswer) {
    // Straight after an answer taken whole: the card sends more values than the mode reads.
    if (answer.Emitted) SetMismatch(answer);
    ++FDiscarded;
    return;
  }
  answer.Values << value;
  // More values than the mode reads: the card answers in the other mode, and no answer of it can be
  // placed on the rig's channels.
  if (answer.Values.size() > answer.Size) SetMismatch(answer);
  // Nothing follows it to show it whole: taken at its length.
  if (answer.Expected == 0 && answer.Values.size() == answer.Size) answer.Emitted = Judge(answer, true);
}
