#pragma once
// An in-process legacy driver for tests: devices by name, each with 256 byte registers, four ports
// and a scan, a log of every call, and a switch that makes every call fail (the device vanished).

#include <map>
#include <vector>

#include "ifd/legacy/ilegacydriver.h"

struct TFakeDevice {
  std::uint8_t Kind = legacy::KindVelUSB;
  bool Expansion = false;  // port 3 bit 4
  std::array<std::uint8_t, 256> Registers{};
  std::array<int, 4> Ports{};
  std::array<int, 16> Scan{};  // unsigned counts returned by GetSCAN and by registers 0x50 + 2i
  int FrequencyBusyReads = 0;  // reads of 0x74 that still report a running measurement
  int FrequencyCount = 0;
  int CaptureReadsLeft = -1;   // reads of the capture memory (0xBE) that succeed before all fail; -1: all succeed
};

struct TFakeCall {
  QString Device;
  std::uint32_t Code;
  int Address;  // register or port
  int Value;    // written value, or -1
};

class TFakeLegacyCard : public ILegacyDriver {
 public:
  TFakeDevice& Add(const QString& name, std::uint8_t kind, bool expansion = false);
  void Remove(const QString& name) { FDevices.erase(name); }
  TFakeDevice& Device(const QString& name) { return FDevices.at(name); }

  THandle CreateFile(const QString& name) override;
  bool DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                       QByteArray& out) override;
  void CloseHandle(THandle handle) override;

  bool Vanished = false;       // every call fails
  std::vector<TFakeCall> Calls;
  int OpenHandles() const { return static_cast<int>(FHandles.size()); }
  // The calls of one kind on one device, in order.
  std::vector<TFakeCall> CallsOf(const QString& device, std::uint32_t code) const;

 private:
  std::map<QString, TFakeDevice> FDevices;
  std::map<THandle, QString> FHandles;
  THandle FNext = 100;
};
