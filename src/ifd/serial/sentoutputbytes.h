#pragma once
// The digital output bytes each card was last sent. A card keeps its outputs until told otherwise,
// so a byte equal to what the card already holds is not sent again: the line carries readings,
// not repeats. What a card holds is unknown again after it is (re)activated or lost, and a byte
// that could not be written (closed port or transmit gate) stays due until it goes out.

#include <array>
#include <cstdint>
#include <optional>

class TSentOutputBytes {
 public:
  // The master's lines 0-7 ("DO" or a Vexa's "DO0,"), a Vexa's lines 8-15 ("DO1,") and the
  // slave's lines 8-15 ("DO").
  enum class TByte { MasterLow, MasterHigh, Slave };

  // True when the card may hold something else than `value` in `which`.
  bool Due(TByte which, std::uint8_t value) const;
  // `value` reached the card.
  void Sent(TByte which, std::uint8_t value);
  // The master's bytes (slave false) or the slave's are unknown: the next output goes out whole.
  void Forget(bool slave);

 private:
  std::array<std::optional<std::uint8_t>, 3> FHeld;
};
