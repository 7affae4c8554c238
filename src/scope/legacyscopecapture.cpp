#include "scope/legacyscopecapture.h"

#include <QCoreApplication>

#include "ifd/legacy/legacyaccess.h"
#include "scope/scopesettings.h"

namespace {
constexpr int kPanel = 3;
constexpr int kControl = 0xAC;
}  // namespace

bool TLegacyScopeCapture::Write(int reg, int value, const QString& status) {
  if (FAccess.SetMainRAM(reg, value)) return true;
  FAccess.ClosePorts();
  FAccess.Status(kPanel, status);
  return false;
}

// Low byte to the first register, high byte to the next; the card takes the word on the second.
bool TLegacyScopeCapture::WriteWord(int lowReg, int value, const QString& status) {
  FAccess.SetMainRAM(lowReg, value & 0xFF);
  return Write(lowReg + 1, (value >> 8) & 0xFF, status);
}

bool TLegacyScopeCapture::Fail(const QString& message) {
  FErrorScan = true;
  FErrorScanMsg = message;
  return false;
}

bool TLegacyScopeCapture::GetScopeScan(const TPause& pause) {
  FErrorScan = false;
  FErrorScanMsg.clear();
  const TScopeSettings& s = FSettings;
  FAccess.OpenWhenNeeded();
  if (!FAccess.CheckIfPortsOpen()) return Fail(QStringLiteral("failed step 1: set data packet count"));
  if (!FAccess.CheckIfSetInputModeSucceded()) return Fail(QStringLiteral("failed step 2: set input mode"));
  const int mask = s.FtrgValMsk > 0 ? 1 << (s.FtrgValMsk - 1) : s.FtrgValMsk;
  if (!Write(0xBD, mask, QStringLiteral("IFD: H/S Error 1")))
    return Fail(QStringLiteral("failed step 3: failed set trigger mask"));
  if (!Write(0x3E, s.FAIChannelOne, QStringLiteral("IFD: Error @ SetAI %1").arg(s.FAIChannelOne)) ||
      !Write(0x3F, s.FAIChannelTwo, QStringLiteral("IFD: Error @ SetAI %1").arg(s.FAIChannelTwo)))
    return Fail(QStringLiteral("failed step 4: failed set input channels"));
  if (!WriteWord(0xAD, s.FSampleInterval, QStringLiteral("IFD: Error @ Set SD")))
    return Fail(QStringLiteral("failed step 5: failed set scan delay"));
  const bool analogue = s.TriggerMode == TScopeSettings::Analogue;
  if (analogue) {
    if (!WriteWord(0x50, s.FPreTriggerCount, QStringLiteral("IFD: Error @ Set PSC")))
      return Fail(QStringLiteral("failed step 6': failed set post scan count"));
    if (!WriteWord(0x52, s.FTrgLevel, QStringLiteral("IFD: Error @ Set TRL")))
      return Fail(QStringLiteral("failed step 6': failed set trigger level"));
  } else if (!WriteWord(0xBB, s.FNumberOfSamples, QStringLiteral("IFD: Error @ Set SC"))) {
    return Fail(QStringLiteral("failed step 6': failed set scan count"));
  }
  QCoreApplication::processEvents();
  const int arm = analogue ? ArmAnalogue : ArmOther;
  if (!Write(kControl, arm, QStringLiteral("IFD: Error @ Set ATR")))
    return Fail(QStringLiteral("failed step 7: failed arm trigger with %1 bit mask").arg(arm));
  pause(s.Duration());
  int flags = 0;
  if (!FAccess.GetMainRAM(kControl, flags)) {
    FAccess.ClosePorts();
    FAccess.Status(kPanel, QStringLiteral("IFD: Error @ BitTest: %1").arg(BusyBit));
    return Fail(QStringLiteral("failed step 8: failed read the trigger flag"));
  }
  if (flags & BusyBit) {
    DisarmCapture();
    return Fail(QStringLiteral("Error: the trigger flag is SET after the scan"));
  }
  return true;
}

void TLegacyScopeCapture::DisarmCapture() {
  if (FSettings.FtrgValMsk > 0) FAccess.SetMainRAM(kControl, 0);
  if (FSettings.TriggerMode == TScopeSettings::Analogue) FAccess.SetMainRAM(kControl, 32);
}

bool TLegacyScopeCapture::ReadCaptureBlocks(std::vector<int>& ch1, std::vector<int>& ch2) {
  constexpr int pairs = TLegacyAccess::CapturePairs;
  const int n = FSettings.FNumberOfSamples / pairs * pairs;
  ch1.assign(static_cast<size_t>(n), 0);
  ch2.assign(static_cast<size_t>(n), 0);
  bool whole = true;
  for (int i = 0; i < n / pairs; ++i) {
    TLegacyAccess::TCaptureBlock counts;
    if (!FAccess.GetCaptureBlock(counts)) {
      whole = false;
      continue;
    }
    for (int j = 0; j < pairs; ++j) {
      ch1[static_cast<size_t>(pairs * i + j)] = counts[static_cast<size_t>(2 * j)];
      ch2[static_cast<size_t>(pairs * i + j)] = counts[static_cast<size_t>(2 * j + 1)];
    }
  }
  return whole;
}
