#pragma once
// One high-speed capture configuration of a serial card and the command text that sets the card
// up for it ("HS" + trigger kind and input mode digits + channels, delay, count, trigger).

#include <QByteArray>

#include "ifd/serial/ifdinputmode.h"

enum class TypeTrigger { Software = 0, OnDI = 1, OnAI = 2 };

class TScopeCnfg {
 public:
  // What the command holds instead of a configuration when a channel or trigger input is out of
  // range, and when differential mode is asked for an input above 7.
  static constexpr const char* OutOfRangeText = "ERRSCMDOUT";
  static constexpr const char* ExceedsDiffText = "ERRSCMDEXC";

  TScopeCnfg() = default;
  void set_vexamode() { f_is_vexamode = true; }
  // The defaults a capture starts from: 2048 samples, delay 666.
  void SetQXDef();
  // The command text with its CR; sets ErrorFlag when the configuration cannot be sent.
  QByteArray ScopeCmd();

  bool f_is_vexamode = false;
  TIFDInputMode InputMode = TIFDInputMode::SE;
  TypeTrigger TrType = TypeTrigger::Software;
  int TrLevel = 0;
  int PSC = 4096;
  int TrChl = 0;
  int CH1 = -1, CH2 = -1;
  int NOS = 0;
  int ISD = 0;
  int SM = 0;
  bool ErrorFlag = false;
};
