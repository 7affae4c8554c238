#pragma once
// The reply terminators of one card port: the 34 data triggers (code byte + CR) with their handles,
// and the collectors that gather the one-value replies of "IA" into one message. One object per
// port, kept in a program-wide list: found by port, created on first use, dropped with its port.

#include <array>
#include <cstdint>
#include <functional>

#include <QPointer>
#include <QString>
#include <QStringList>

#include "ifd/serial/ifdinputmode.h"

class TApdComPortEx;

class TDataTriggerRep {
 public:
  // Registration order; the trigger handler identifies a trigger by this position.
  enum TTrigger : int {
    eol, diS, diS_3, aiS,
    ai0, ai15 = ai0 + 15,
    setAO0, setAO3 = setAO0 + 3,
    setDOs, setDOs_1, setIM, rFrqX, setFilterVal, HS_run, HS_stop, PWM, ARM, IMO,
    TriggerCount
  };
  static_assert(TriggerCount == 34);

  // The reply code byte of a trigger (0x0B for eol, 0x80..0xA0 for the others).
  static std::uint8_t CodeByte(TTrigger trigger);
  // The code of its messages: the code byte as a number.
  static int Code(TTrigger trigger) { return CodeByte(trigger); }

  static TDataTriggerRep& ForPort(TApdComPortEx& port);
  static TDataTriggerRep* Find(const TApdComPortEx* port);
  // Drops the object of a port that is going away.
  static void Forget(const TApdComPortEx* port);

  // Registers the 34 triggers afresh; a failure is shown in an error box and leaves the set invalid.
  bool regTriggers();
  bool unregTriggers();
  // "IA" answer sizes: 16 values single-ended, 8 differential, each alone without a mode.
  void SetCollectorSize(TIFDInputMode mode);
  // An "IA" request has gone to the port, and `followers` digital-input requests after it: the
  // values that follow make a new answer. It is taken only when it holds exactly as many values
  // as the rig's mode reads and every digital-input reply behind it arrived too: the values carry
  // no channel, so an answer that lost one (or a card answering in another mode, whose answer a
  // loss can shorten to the right length) cannot be placed. An answer still open is judged now.
  // `auxiliary`: for the second port's (auxiliary) collector.
  void RequestAnswer(bool auxiliary, int followers = 0);
  // Another reply has arrived (`trigger`: its kind): an answer begun has ended, and a
  // digital-input reply counts towards the replies it waits for.
  void OtherReplyArrived(int trigger = -1);
  // An "IA" request is waiting for (the rest of) its answer or the replies behind it.
  bool AnswerPending(bool auxiliary) const {
    const TAnswer& answer = auxiliary ? FAux : FMain;
    return answer.Requested || answer.Closed;
  }
  // Answers dropped short or refused, and values dropped unasked, since the port was created.
  int DiscardedAnswers() const { return FDiscarded; }
  // A reply whose code was garbled was dropped.
  void ReplyGarbled() { ++FDiscarded; }
  // An answer was dropped (`auxiliary`: the second port's): its inputs can be asked one by one.
  std::function<void(bool auxiliary)> OnAnswerLost;
  // The card sent more values than the rig's mode reads: it answers in the other mode. Told once
  // per collector size; its answers are refused from then on.
  std::function<void(bool auxiliary, int values)> OnModeMismatch;
  bool ModeMismatch(bool auxiliary) const { return (auxiliary ? FAux : FMain).Mismatch; }

  bool ValidTriggersSet() const { return FValidTriggersSet; }
  int RegisteredTriggers() const { return FRegisteredTriggers; }
  std::uint16_t Handle(TTrigger trigger) const { return FtrHNDL[trigger]; }
  // The trigger of a handle, -1 when it is not one of this port's triggers.
  int TriggerOf(std::uint16_t handle) const;

  // Puts code + text into the incoming queue as a message of the port.
  void ProcessReply(int code, const QString& text);
  // Collects one "IA" value for the first (main) or second (auxiliary) port's collector.
  void ProcessAIsMain(const QString& value);
  void ProcessAIsAux(const QString& value);

  int AIxMainArraySize() const { return FMain.Size; }
  int AIxAuxArraySize() const { return FAux.Size; }
  int AIsTrCallsMain() const { return static_cast<int>(FMain.Values.size()); }
  int AIsTrCallsAux() const { return static_cast<int>(FAux.Values.size()); }

 private:
  // A card has at most 16 inputs to answer with.
  static constexpr qsizetype MaxAnswer = 16;

  // One collector: the values of the answer being gathered.
  struct TAnswer {
    int Size = 0;            // values the rig's mode reads
    QStringList Values;
    bool Requested = false;  // values arriving now belong to the answer
    bool Closed = false;     // ended, waiting for the digital-input replies behind it
    int Expected = 0, Followers = 0;
    bool Mismatch = false;   // the card answers with more values than Size
    bool Emitted = false;    // taken at its length with nothing to follow, and nothing else since
  };

  explicit TDataTriggerRep(TApdComPortEx* port);
  void Fail(const QString& text);
  void Collect(TAnswer& answer, const QString& value);
  // The first Size values out as one message.
  void Emit(TAnswer& answer);
  // The answer is over: taken (true) when `whole` and of the right length, else dropped.
  bool Judge(TAnswer& answer, bool whole);
  bool Auxiliary(const TAnswer& answer) const { return &answer == &FAux; }
  void SetMismatch(TAnswer& answer);

  QPointer<TApdComPortEx> FPort;
  bool FValidTriggersSet = false;
  int FRegisteredTriggers = 0;
  std::array<std::uint16_t, TriggerCount> FtrHNDL{};
  TAnswer FMain;
  TAnswer FAux;
  int FDiscarded = 0;
};
