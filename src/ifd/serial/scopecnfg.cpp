#include "ifd/serial/scopecnfg.h"

void TScopeCnfg::SetQXDef() {
  NOS = 2048;
  ISD = 666;
  SM = 1000;
}

QByteArray TScopeCnfg::ScopeCmd() {
  ErrorFlag = false;
  const bool se = InputMode == TIFDInputMode::SE;
  QByteArray t = "HS";
  switch (TrType) {
    case TypeTrigger::Software: t += se ? "33" : "32"; break;
    case TypeTrigger::OnDI: t += se ? "65" : "64"; break;
    case TypeTrigger::OnAI: t += se ? "17" : "16"; break;
  }
  const auto outside = [](int v, int hi) { return v < 0 || v > hi; };
  if (outside(CH1, 15) || outside(CH2, 15) || (TrType == TypeTrigger::OnDI && outside(TrChl, 7))) {
    t = OutOfRangeText;
    ErrorFlag = true;
  } else if (InputMode == TIFDInputMode::DIFF && (CH1 > 7 || CH2 > 7)) {
    t = ExceedsDiffText;
    ErrorFlag = true;
  } else {
    t += ',' + QByteArray::number(CH1) + ',' + QByteArray::number(CH2) + ',' + QByteArray::number(ISD) + ',' +
         QByteArray::number(TrType == TypeTrigger::OnAI ? PSC : NOS);
    if (TrType == TypeTrigger::OnDI) t += ',' + QByteArray::number(TrChl);
    if (TrType == TypeTrigger::OnAI) t += ',' + QByteArray::number(TrLevel);
  }
  t += '\r';
  // A Vexa counts its mode digit one higher; an error text shifts likewise and stays an error.
  if (f_is_vexamode && t.size() > 3) t[3] = char(t[3] + 1);
  return t;
}
