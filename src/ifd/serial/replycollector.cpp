#include "ifd/serial/replycollector.h"

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/datatriggerrep.h"

namespace {
constexpr unsigned char CR = 0x0D;
// Above the last reply code: a byte like this before CR ends a reply nobody knows.
constexpr unsigned char LastKnownCode = 0xA0;

void KeepNewest(QByteArray& buffer) {
  if (buffer.size() > TReplyCollector::MaxPendingBytes)
    buffer.remove(0, buffer.size() - TReplyCollector::MaxPendingBytes);
}
}  // namespace

bool TReplyCollector::Keeps(unsigned char byte) const {
  if (byte < 0x2B || byte > 0x7A) return false;
  // The other cards' acknowledgements carry an "OK" that is not part of any value.
  return FVexaMode || (byte != 'K' && byte != 'O');
}

void TReplyCollector::Consume() {
  FConsumed = true;
  FText.clear();
  FRaw.clear();
}

void TReplyCollector::BytesReceived(TApdComPortEx&, const QByteArray& bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (FConsumed) {
      FConsumed = false;
      FText.clear();
      FRaw.clear();
    }
    if (Keeps(byte)) FText.append(c);
    if (FVexaMode) FRaw.append(c);
    // An unknown code ends its reply like any terminator: drop the reply rather than prefix the
    // next one with it.
    if (byte == CR && FPrevious > LastKnownCode) Consume();
    FPrevious = byte;
  }
  KeepNewest(FText);
  KeepNewest(FRaw);
}

void TReplyCollector::TriggerMatched(TApdComPortEx& port, std::uint16_t handle) {
  TDataTriggerRep* rep = TDataTriggerRep::Find(&port);
  if (!rep || !rep->ValidTriggersSet()) return;
  const int trigger = rep->TriggerOf(handle);
  if (trigger == TDataTriggerRep::eol) return;  // the text so far stays for the next reply
  const QString text = QString::fromLatin1(FConsumed ? QByteArray() : FText);
  // The card answers in order: a reply of another kind means the "IA" answer before it has ended.
  if (trigger != TDataTriggerRep::aiS && trigger >= 0) rep->OtherReplyArrived();
  switch (trigger) {
    case TDataTriggerRep::aiS:
      if (FAuxiliary) rep->ProcessAIsAux(text);
      else rep->ProcessAIsMain(text);
      break;
    case TDataTriggerRep::IMO:
      if (FVexaMode) rep->ProcessReply(TDataTriggerRep::Code(TDataTriggerRep::IMO), QString::fromLatin1(FRaw));
      break;
    case TDataTriggerRep::diS_3:
    case TDataTriggerRep::setDOs_1:
      if (FVexaMode) rep->ProcessReply(TDataTriggerRep::Code(static_cast<TDataTriggerRep::TTrigger>(trigger)), text);
      break;
    case -1:
      break;
    default:
      rep->ProcessReply(TDataTriggerRep::Code(static_cast<TDataTriggerRep::TTrigger>(trigger)), text);
      break;
  }
  Consume();
}
