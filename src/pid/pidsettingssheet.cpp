#include "pid/pidsettingssheet.h"

#include "platform/numbers.h"
#include "workbook/model/workbookerror.h"

namespace {
int Rounded(double v) { return static_cast<int>(numbers::RoundHalfEven(v)); }
}  // namespace

bool TPIDSettingsSheet::Read(QString* error) {
  try {
    FBook.Read(FPath);
    FBook.SetSheet(1);
    return true;
  } catch (const EWorkbookError& e) {
    if (error) *error = QString::fromUtf8(e.what());
    return false;
  }
}

TPIDRow TPIDSettingsSheet::Row(int index) const {
  auto n = [&](int col) { return FBook.NumberRC(index, col); };
  TPIDRow r;
  r.MeasuredChannel = Rounded(n(1));
  r.ControlledChannel = Rounded(n(2));
  r.Direction = Rounded(n(3));
  r.CycleTime = Rounded(n(4));
  r.Defaults = {n(5), n(6), n(7), n(8)};
  r.Saved = {n(10), n(11), n(12), n(13)};
  const QString external = FBook.TextRC(index, 15).trimmed();
  // A column that is not one of the sample row's is no cascade.
  if (!external.isEmpty() && Rounded(n(15)) >= 1) r.ExternalSetPointColumn = Rounded(n(15));
  r.DiagramName = FBook.TextRC(index, 16).trimmed();
  r.Reflux = n(17) == 1;
  r.Configurable = n(18) == 1;
  return r;
}

bool TPIDSettingsSheet::Save(int index, const TPIDTerms& terms, QString* error) {
  if (!Read(error)) return false;
  FBook.SetNumberRC(index, 10, terms.SetPoint);
  FBook.SetNumberRC(index, 11, terms.ProportionalBand);
  FBook.SetNumberRC(index, 12, terms.IntegralTime);
  FBook.SetNumberRC(index, 13, terms.DerivativeTime);
  try {
    FBook.Write(FPath, TWorkbook::ftNative2);
    return true;
  } catch (const EWorkbookError& e) {
    if (error) *error = QString::fromUtf8(e.what());
    return false;
  }
}
