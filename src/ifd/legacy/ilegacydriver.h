#pragma once
// The legacy kernel driver: devices opened by name, driven by device control calls.

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace legacy {
// Control codes: device type 0x8000, buffered, any access, functions 0x800 and 0x802-0x805.
inline constexpr std::uint32_t GetSCAN = 0x80002000;
inline constexpr std::uint32_t GetRAM = 0x80002008;
inline constexpr std::uint32_t SetRAM = 0x8000200C;
inline constexpr std::uint32_t GetPort = 0x80002010;
inline constexpr std::uint32_t SetPort = 0x80002014;

// Device names and their kinds.
inline constexpr const char* DoruzOVA0 = "\\\\.\\DoruzOVA0";
inline constexpr const char* DoruzOVA1 = "\\\\.\\DoruzOVA1";
inline constexpr const char* VelUSB0 = "\\\\.\\VelUSB0";
inline constexpr const char* VelUSB1 = "\\\\.\\VelUSB1";
inline constexpr std::uint8_t KindVelUSB = 0;
inline constexpr std::uint8_t KindDoruzOVA = 1;
inline constexpr std::uint8_t KindNone = 2;
}  // namespace legacy

using THandle = std::intptr_t;  // 0 or less: no device

class ILegacyDriver {
 public:
  virtual ~ILegacyDriver() = default;
  // Opens a device by its name ("\\.\VelUSB0"); 0 or less when it is absent.
  virtual THandle CreateFile(const QString& name) = 0;
  // One synchronous control call; false on failure. `out` receives up to `outSize` bytes.
  virtual bool DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                               QByteArray& out) = 0;
  virtual void CloseHandle(THandle handle) = 0;
  // The name of a device that recently did not answer a call in time ("VelUSB0"), or "" when all
  // answered: it is taken for absent for a while, and the status names it.
  virtual QString SilentDevice() const { return {}; }
};
