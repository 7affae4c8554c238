#pragma once
// An oscilloscope capture on a legacy card's capture registers: set up the trigger, the two inputs,
// the sample delay and count (or the pre-trigger count and level), arm, wait the capture's
// duration, check the card has finished, then read the samples back 16 pairs at a time. Every step
// runs only when the ones before it succeeded; a failing step names itself in ErrorMessage().

#include <functional>
#include <vector>

#include <QString>

class TLegacyAccess;
class TScopeSettings;

class TLegacyScopeCapture {
 public:
  using TPause = std::function<void(int ms)>;  // waits, keeping the window alive
  static constexpr int ArmAnalogue = 208, ArmOther = 192, BusyBit = 0x80;

  TLegacyScopeCapture(TLegacyAccess& access, const TScopeSettings& settings) : FAccess(access), FSettings(settings) {}

  // Runs the set-up, arming and wait; true when the card finished a capture.
  bool GetScopeScan(const TPause& pause);
  // Stops an armed capture that has not triggered.
  void DisarmCapture();
  // Reads the samples: the count rounded down to whole blocks; false when a block failed (its
  // samples read 0).
  bool ReadCaptureBlocks(std::vector<int>& ch1, std::vector<int>& ch2);

  bool ErrorScan() const { return FErrorScan; }
  const QString& ErrorMessage() const { return FErrorScanMsg; }

 private:
  bool Write(int reg, int value, const QString& status);
  bool WriteWord(int lowReg, int value, const QString& status);
  bool Fail(const QString& message);

  TLegacyAccess& FAccess;
  const TScopeSettings& FSettings;
  bool FErrorScan = false;
  QString FErrorScanMsg;
};
