#include "ifd/serial/hs_data_serialconnector.h"

#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/services.h"

THS_data_SerialConnector& THS_data_SerialConnector::Instance() {
  static THS_data_SerialConnector connector;
  return connector;
}

void THS_data_SerialConnector::ClearHSdata() {
  FGLnp = 0;
  FGLB.clear();
  FHasValidDataCount = false;
  FHasValidData = false;
  FErrorReport = QString::fromLatin1(NoDataReport);
  FLastWasCR = false;
  LastByteMs = -1;
  fStrippedDataCh1.clear();
  fStrippedDataCh2.clear();
}

void THS_data_SerialConnector::SetScopeConfig(const TScopeCnfg& cnfg) {
  fLastScopeCnf = cnfg;
  fTargetNOSby4m1 = 4 * cnfg.NOS - 1;
}

bool THS_data_SerialConnector::ReceiveHS(const QByteArray& bytes) {
  if (TransferComplete) return false;
  LastByteMs = TServices::Clock().TickCountMs();
  QString s;
  s.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x21 && b <= 0x7F) {
      s += QLatin1Char(ch);
    } else if (b < 14) {
      s += QLatin1Char(ch);
      s += QLatin1Char(Quot);
      ++FGLnp;
    } else {
      s += QLatin1Char(Eq);
      s += QString::number(b);
      s += QLatin1Char(Quot);
      ++FGLnp;
    }
    FLastWasCR = b == Del;
  }
  FGLB += s;
  // Complete with the last CR: every marked byte in, or all but one when the line lost one on
  // the way (the count then tells that the data is not whole). Ending one byte early otherwise
  // would leave the final CR on the line and call a whole transfer broken.
  const int whole = fTargetNOSby4m1 + 1;
  if (whole <= 0 || !(FGLnp >= whole || (FGLnp == whole - 1 && FLastWasCR))) return false;
  EndCapture();
  FGLB = QLatin1Char(Quot) + FGLB.left(FGLB.size() - 2);
  return true;
}

int THS_data_SerialConnector::nosCollected() {
  FHasValidDataCount = FGLnp > 0 && FGLnp % 4 == 0;
  return FHasValidDataCount ? FGLnp / 4 : 0;
}

bool THS_data_SerialConnector::BuildData(bool warn) {
  FHasValidData = false;
  fStrippedDataCh1.clear();
  fStrippedDataCh2.clear();
  QString report = QStringLiteral("Build Data has failed @: ");
  QStringList items = FGLB.split(QLatin1Char(Del));
  for (QString& item : items)
    if (item.size() >= 2 && item.startsWith(QLatin1Char(Quot)) && item.endsWith(QLatin1Char(Quot)))
      item = item.mid(1, item.size() - 2);
  const int n = nosCollected();
  if (FGLB.isEmpty()) items.clear();
  if (items.size() != 2 * n || n == 0) {
    if (warn)
      TServices::Prompts().MessageDlg(
          QStringLiteral("%1samples recovered: %2 expected.").arg(items.size()).arg(n), TMsgDlgType::mtWarning,
          TMsgDlgButtons::OK);
    FErrorReport = report + QStringLiteral(" Data Count <> Number of Samples ");
    return false;
  }
  if (!fLastScopeCnf) {
    FErrorReport = report + QStringLiteral("Attempted to process data with no related Scope Configuration! ");
    return false;
  }
  const TScopeCnfg& cfg = *fLastScopeCnf;
  if (cfg.CH1 < 0 || cfg.CH1 > 15) {
    FErrorReport = report + QStringLiteral("Scope Configuration holds an invalid channel one number: %1").arg(cfg.CH1);
    return false;
  }
  if (cfg.CH2 < 0 || cfg.CH2 > 15) {
    FErrorReport = report + QStringLiteral("Scope Configuration holds an invalid channel two number: %1").arg(cfg.CH2);
    return false;
  }
  const QString code1 = QString::number(135 + cfg.CH1);
  const QString code2 = QString::number(135 + cfg.CH2);
  QString wrong;
  fStrippedDataCh1.reserve(n);
  fStrippedDataCh2.reserve(n);
  for (int k = 0; k < items.size(); ++k) {
    const QString& item = items[k];
    const qsizetype eq = item.indexOf(QLatin1Char(Eq));
    const QString reading = eq < 0 ? item : item.left(eq);
    const QString code = eq < 0 ? QString() : item.mid(eq + 1);
    // A reading is a whole number of counts; anything else is line noise inside the item. The
    // item's position decides its channel, so a stray item cannot swap the two lists.
    bool number = false;
    const int value = reading.toInt(&number);
    const bool plausible = number && value >= -4096 && value <= 4096;
    const QString& expected = k % 2 == 0 ? code1 : code2;
    if (plausible && code == expected) {
      (k % 2 == 0 ? fStrippedDataCh1 : fStrippedDataCh2).append(reading);
    } else {
      wrong += QStringLiteral("%1:%2 ").arg(k).arg(item);
    }
  }
  if (!wrong.isEmpty()) {
    FErrorReport = report + QStringLiteral("The following wrong data points have been found: \r\n") + wrong;
    return false;
  }
  FHasValidData = true;
  return true;
}
