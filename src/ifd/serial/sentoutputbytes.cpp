#include "ifd/serial/sentoutputbytes.h"

namespace {
size_t Index(TSentOutputBytes::TByte which) { return static_cast<size_t>(which); }
}  // namespace

bool TSentOutputBytes::Due(TByte which, std::uint8_t value) const {
  const std::optional<std::uint8_t>& held = FHeld[Index(which)];
  return !held || *held != value;
}

void TSentOutputBytes::Sent(TByte which, std::uint8_t value) { FHeld[Index(which)] = value; }

void TSentOutputBytes::Forget(bool slave) {
  if (slave) {
    FHeld[Index(TByte::Slave)].reset();
  } else {
    FHeld[Index(TByte::MasterLow)].reset();
    FHeld[Index(TByte::MasterHigh)].reset();
  }
}
