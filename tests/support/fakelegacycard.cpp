#include "support/fakelegacycard.h"

#include <QtEndian>

TFakeDevice& TFakeLegacyCard::Add(const QString& name, std::uint8_t kind, bool expansion) {
  TFakeDevice& d = FDevices[name];
  d.Kind = kind;
  d.Expansion = expansion;
  d.Ports[3] = expansion ? 0x10 : 0;
  d.Scan.fill(2048);
  return d;
}

THandle TFakeLegacyCard::CreateFile(const QString& name) {
  if (Vanished || !FDevices.count(name)) return 0;
  FHandles[FNext] = name;
  return FNext++;
}

void TFakeLegacyCard::CloseHandle(THandle handle) { FHandles.erase(handle); }

std::vector<TFakeCall> TFakeLegacyCard::CallsOf(const QString& device, std::uint32_t code) const {
  std::vector<TFakeCall> out;
  for (const auto& c : Calls)
    if (c.Device == device && c.Code == code) out.push_back(c);
  return out;
}

bool TFakeLegacyCard::DeviceIoControl(THandle handle, std::uint32_t code, const QByteArray& in, int outSize,
                                      QByteArray& out) {
  out.clear();
  const auto h = FHandles.find(handle);
  if (Vanished || h == FHandles.end() || !FDevices.count(h->second) || in.size() < 2) return false;
  TFakeDevice& d = FDevices.at(h->second);
  const int address = qFromLittleEndian<quint16>(in.constData());
  const int value = in.size() >= 4 ? qFromLittleEndian<quint16>(in.constData() + 2) : -1;
  Calls.push_back({h->second, code, address, value});
  auto word = [&](int v) {
    QByteArray b(2, 0);
    qToLittleEndian<quint16>(static_cast<quint16>(v), b.data());
    return b;
  };
  switch (code) {
    case legacy::GetSCAN:
      if (d.Kind != legacy::KindVelUSB || outSize < 64) return false;
      for (int i = 0; i < 16; ++i) out += word(d.Scan[static_cast<size_t>(i)]);
      out += QByteArray(32, 0);
      return true;
    case legacy::GetRAM: {
      if (address >= 256) return false;
      if (address == 0xBE && d.CaptureReadsLeft >= 0 && d.CaptureReadsLeft-- == 0) {
        d.CaptureReadsLeft = 0;
        return false;
      }
      int v = d.Registers[static_cast<size_t>(address)] |
              (address < 255 ? d.Registers[static_cast<size_t>(address + 1)] << 8 : 0);
      if (address >= 0x50 && address < 0x70 && address % 2 == 0) v = d.Scan[static_cast<size_t>((address - 0x50) / 2)];
      if (address == 0x74) v = d.FrequencyBusyReads-- > 0 ? d.Registers[0x74] : 0;
      if (address == 0x75) v = d.FrequencyCount;
      out = word(v);
      if (d.Kind == legacy::KindVelUSB) out += QByteArray(std::max(0, outSize - 2), 0);
      return true;
    }
    case legacy::SetRAM:
      if (value < 0 || address >= 256) return false;
      d.Registers[static_cast<size_t>(address)] = static_cast<std::uint8_t>(value);
      return true;
    case legacy::GetPort:
      if (address > 3) return false;
      out = QByteArray(1, static_cast<char>(d.Ports[static_cast<size_t>(address)]));
      return true;
    case legacy::SetPort:
      if (value < 0 || address > 3) return false;
      if (address != 1) d.Ports[static_cast<size_t>(address)] = value;
      return true;
    default:
      return false;
  }
}
