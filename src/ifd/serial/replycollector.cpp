#include "ifd/serial/replycollector.h"

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/datatriggerrep.h"

namespace {
constexpr unsigned char CR = 0x0D;
constexpr unsigned char EndOfLine = 0x0B;
constexpr unsigned char FirstCode = 0x80;
constexpr unsigned char LastCode = 0xA0;

// A byte that may stand before CR as a reply's code (the end-of-line mark included).
bool IsCode(unsigned char byte) { return byte == EndOfLine || (byte >= FirstCode && byte <= LastCode); }

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

void TReplyCollector::BytesReceived(TApdComPortEx& port, const QByteArray& bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (FConsumed) {
      FConsumed = false;
      FText.clear();
      FRaw.clear();
    }
    if (Keeps(byte)) FText.append(c);
    if (FVexaMode) FRaw.append(c);
    // A CR behind anything but a code ends a reply whose code was garbled: drop that reply rather
    // than prefix the next one with it (or take a digit of it for the code).
    if (byte == CR && !IsCode(FPrevious)) {
      if (!FText.isEmpty())
        if (TDataTriggerRep* rep = TDataTriggerRep::Find(&port)) rep->ReplyGarbled();
      Consume();
    }
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
  if (trigger != TDataTriggerRep::aiS && trigger >= 0) rep->OtherReplyArrived(trigger);
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
