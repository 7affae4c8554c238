#pragma once
// The reply terminators of one card port: the 34 data triggers (code byte + CR) with their handles,
// and the collectors that gather the one-value replies of "IA" into one message. One object per
// port, kept in a program-wide list: found by port, created on first use, dropped with its port.

#include <array>
#include <cstdint>

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
  // An "IA" request has gone to the port: the values that follow make a new answer, and one still
  // short is dropped. Values no request asked for are dropped too, so neither a lost value nor a
  // card answering in another mode than the rig's shifts values onto the wrong channels: of a card
  // sending 16 values to a rig reading 8 the first 8 are taken.
  // `auxiliary`: for the second port's (auxiliary) collector.
  void RequestAnswer(bool auxiliary);
  // Another reply has arrived: an answer begun and still short never completes.
  void OtherReplyArrived();
  // An "IA" request is waiting for (the rest of) its answer.
  bool AnswerPending(bool auxiliary) const { return (auxiliary ? FAux : FMain).Requested; }
  // Answers dropped short and values dropped unasked since the port was created.
  int DiscardedAnswers() const { return FDiscarded; }

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
    int Size = 0;        // values the rig's mode needs
    int CardLength = 0;  // values the card sends per answer; 0 until its first whole answer
    QStringList Values;
    bool Requested = false;
  };

  explicit TDataTriggerRep(TApdComPortEx* port);
  void Fail(const QString& text);
  void Collect(TAnswer& answer, const QString& value);
  // The first Size values out as one message.
  void Emit(TAnswer& answer);
  // Another reply or request marks the end of the answer: taken when it is whole, else dropped.
  void EndAnswer(TAnswer& answer);

  QPointer<TApdComPortEx> FPort;
  bool FValidTriggersSet = false;
  int FRegisteredTriggers = 0;
  std::array<std::uint16_t, TriggerCount> FtrHNDL{};
  TAnswer FMain;
  TAnswer FAux;
  int FDiscarded = 0;
};
