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
  // A partial answer gathered under the old size would be cut wrongly: start afresh, and learn
  // again how long the card's answers are.
  for (TAnswer* answer : {&FMain, &FAux}) {
    answer->Size = 8 * f;
    answer->CardLength = 0;
    answer->Values.clear();
  }
}

void TDataTriggerRep::Emit(TAnswer& answer) {
  QString text;
  for (qsizetype i = 0; i < answer.Size && i < answer.Values.size(); ++i) text += QLatin1Char(' ') + answer.Values[i];
  ProcessReply(Code(aiS), text);
  answer.Values.clear();
  answer.Requested = false;
}

void TDataTriggerRep::EndAnswer(TAnswer& answer) {
  if (answer.Values.isEmpty()) return;
  // The first answers tell how many values the card sends (8 or 16, whatever the rig expects): an
  // answer that ends at a possible length is taken, any other one lost a value on the line.
  const qsizetype n = answer.Values.size();
  if (answer.CardLength == 0 && n >= answer.Size && (n == MaxAnswer / 2 || n == MaxAnswer)) {
    answer.CardLength = static_cast<int>(n);
    Emit(answer);
    return;
  }
  ++FDiscarded;
  answer.Values.clear();
}

void TDataTriggerRep::RequestAnswer(bool auxiliary) {
  TAnswer& answer = auxiliary ? FAux : FMain;
  EndAnswer(answer);
  answer.Requested = true;
}

void TDataTriggerRep::OtherReplyArrived() {
  // Only an answer already begun has ended; a request may still be waiting behind replies to
  // earlier commands.
  for (TAnswer* answer : {&FMain, &FAux}) {
    if (answer->Values.isEmpty()) continue;
    EndAnswer(*answer);
    answer->Requested = false;
  }
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
    ++FDiscarded;
    return;
  }
  answer.Values << value;
  const qsizetype n = answer.Values.size();
  // Complete once it is as long as the card's answers are (the first value to the last input when
  // that is not known yet); only the inputs of the rig's mode are passed on.
  if (n == answer.CardLength || (answer.CardLength == 0 && n == MaxAnswer)) {
    answer.CardLength = static_cast<int>(n);
    Emit(answer);
  }
}
