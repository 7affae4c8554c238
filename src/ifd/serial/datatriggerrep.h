#pragma once
// The reply terminators of one card port: the 34 data triggers (code byte + CR) with their handles,
// and the collectors that gather the one-value replies of "IA" into one message. One object per
// port, kept in a program-wide list: found by port, created on first use, dropped with its port.

#include <array>
#include <cstdint>

#include <QPointer>
#include <QString>

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

  int AIxMainArraySize() const { return FAIxMainArraySize; }
  int AIxAuxArraySize() const { return FAIxAuxArraySize; }
  int AIsTrCallsMain() const { return FAIsTrCallsMain; }
  int AIsTrCallsAux() const { return FAIsTrCallsAux; }

 private:
  explicit TDataTriggerRep(TApdComPortEx* port);
  void Fail(const QString& text);
  void Collect(int size, int& calls, QString& collected, const QString& value);

  QPointer<TApdComPortEx> FPort;
  bool FValidTriggersSet = false;
  int FRegisteredTriggers = 0;
  std::array<std::uint16_t, TriggerCount> FtrHNDL{};
  int FAIxMainArraySize = 0;
  int FAIxAuxArraySize = 0;
  int FAIsTrCallsMain = 0;
  int FAIsTrCallsAux = 0;
  QString MainCardAIs;
  QString AuxCardAIs;
};
