#pragma once
// One interlock condition: a command and the digital or analogue channel it observes, read from a
// "COMMAND=SOURCE" line. Names are compared with case; an unknown command or source makes the
// condition invalid (the user is warned once, when it is created).

#include <QString>

class TConditions;
class TQXSource;

enum TLogicOps { lonone, tNOT, tOR, tAND, tXOR, tWARNIFSETHIGH, tWARNIFSETLOW, tSWITCHOFF, tSWITCHOFFALLDO };
enum TTypeObserved { tonone, tDI, tDO, tAI, tAO };

class TCondition {
 public:
  // What a command/source pair means, without telling anyone: false when either name is unknown.
  struct TParsed {
    TLogicOps Op = lonone;
    TTypeObserved Type = tonone;
    int Channel = 0;
  };
  static bool Parse(const QString& command, const QString& source, TParsed& parsed);
  static QString InvalidText(const QString& command, const QString& source);
  // "DI3" and the like, for messages and rig checks.
  static QString SourceName(TTypeObserved type, int channel);

  TCondition(const QString& ACmd, TConditions* aContainer);

  QString FLine;
  TLogicOps FLogicOp = lonone;
  int FObservedChn = 0;
  TTypeObserved FTypeObserved = tonone;
  TConditions* FContainer = nullptr;
  bool FValid = false;
  TQXSource* FObserved = nullptr;
};
