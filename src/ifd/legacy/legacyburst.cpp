#include "ifd/legacy/legacyburst.h"

#include <cmath>
#include <cstdint>

#include <QCoreApplication>

#include "ifd/ifdstate.h"
#include "ifd/legacy/legacyaccess.h"
#include "platform/iclock.h"
#include "platform/services.h"

namespace {
constexpr int kPanel = 3;
constexpr int kChannel1 = 0x3E, kChannel2 = 0x3F, kFrequency = 0x74, kFrequencyCount = 0x75, kTrigger = 0xBD,
              kControl = 0xAC;
constexpr int kStart = 0xC0;
}  // namespace

void TLegacyBurst::SetBurstChannel(int channel1, int channel2) {
  if (!S.PortsOpen) return;
  for (const auto& [reg, channel] : {std::pair{kChannel1, channel1}, std::pair{kChannel2, channel2}}) {
    if (FAccess.SetMainRAM(reg, channel)) continue;
    FAccess.Status(kPanel, QStringLiteral("IFD: Error (RAM)"));
    FAccess.ClosePorts();
    return;
  }
}

int TLegacyBurst::FrequencyBefore(const TPause& pause) {
  IClock& clock = TServices::Clock();
  const std::int64_t start = clock.TickCountMs();
  while (clock.TickCountMs() - start < 2000) {
    int status = 0;
    if (!FAccess.GetMainRAM(kFrequency, status)) {
      FAccess.ClosePorts();
      return 0;
    }
    if ((status & 0xFF) == 0) {
      int count = 0;
      if (!FAccess.GetMainRAM(kFrequencyCount, count)) return 0;
      S.MainChannelValue[32] = static_cast<std::int16_t>(count);
      return count;
    }
    pause(10);
  }
  return 0;
}

bool TLegacyBurst::ReadBlocks() {
  constexpr int pairs = TLegacyAccess::CapturePairs;
  S.Ch1Vals.fill(0);
  S.Ch2Vals.fill(0);
  for (int i = 0; i < Blocks; ++i) {
    TLegacyAccess::TCaptureBlock counts;
    if (!FAccess.GetCaptureBlock(counts)) {
      S.Ch1Vals.fill(0);
      S.Ch2Vals.fill(0);
      return false;
    }
    for (int j = 0; j < pairs; ++j) {
      S.Ch1Vals[static_cast<size_t>(pairs * i + j)] = static_cast<std::int16_t>(counts[static_cast<size_t>(2 * j)]);
      S.Ch2Vals[static_cast<size_t>(pairs * i + j)] = static_cast<std::int16_t>(counts[static_cast<size_t>(2 * j + 1)]);
    }
  }
  return true;
}

bool TLegacyBurst::GetBurst(int trigger, const TPause& pause) {
  S.GettingBurst = true;
  bool captured = false;
  FAccess.OpenWhenNeeded();
  int before = 0, after = 0;
  if (S.PortsOpen && S.MainPortIsOpen && S.MainDevice == legacy::KindVelUSB) {
    before = FrequencyBefore(pause);
    pause(1000);
    bool armed = FAccess.SetMainRAM(kTrigger, trigger);
    if (!armed) {
      FAccess.ClosePorts();
      FAccess.Status(kPanel, QStringLiteral("IFD: H/S Error 1"));
    } else if (!(armed = FAccess.SetMainRAM(kControl, kStart))) {
      FAccess.ClosePorts();
      FAccess.Status(kPanel, QStringLiteral("IFD: H/S Error 2"));
    }
    if (armed) {
      if (trigger != 0) pause(2000);
      S.GettingBurst = false;
      QCoreApplication::processEvents();
      pause(2000);
      IClock& clock = TServices::Clock();
      FAccess.GetFrequency(1);
      const std::int64_t measured = clock.TickCountMs();
      captured = ReadBlocks();
      const std::int64_t left = 1000 - (clock.TickCountMs() - measured);
      if (left > 0) pause(static_cast<int>(left));
      after = FAccess.GetFrequency(1);
    }
  }
  S.GettingBurst = false;
  S.MainChannelValue[32] = static_cast<std::int16_t>(std::lround((after + before) / 2.0));
  FAccess.ClosePorts();
  FAccess.OpenPorts();
  return captured;
}
