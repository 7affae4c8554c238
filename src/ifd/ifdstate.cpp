#include "ifd/ifdstate.h"

#include <algorithm>

#include "platform/numbers.h"

namespace {
std::uint16_t WithExitValues(std::uint16_t image, const std::uint8_t* exitValues) {
  auto result = static_cast<std::uint16_t>(image & 0xFF00);
  for (int b = 0; b < 8; ++b)
    if (exitValues[b]) result |= static_cast<std::uint16_t>(1u << b);
  return result;
}
}  // namespace

void TIFDState::SetBits(std::uint16_t& image, std::uint16_t mask, bool on) {
  image = on ? static_cast<std::uint16_t>(image | mask) : static_cast<std::uint16_t>(image & ~mask);
}

std::uint16_t TIFDState::MainShadowFromExitValues() const {
  return WithExitValues(DigitalOutputShadow, DigitalExitValues.data());
}

std::uint16_t TIFDState::ExpansionShadowFromExitValues() const {
  return WithExitValues(ExpansionOutputShadow, DigitalExitValues.data() + 8);
}

std::int64_t TIFDState::Smoothed(int current, int reading, int weight) {
  // The step is taken in 64 bits: a garbled reading far from the value must not overflow.
  const std::int64_t step = static_cast<std::int64_t>(reading) - current;
  return numbers::RoundHalfEven(current + step / static_cast<double>(std::max(weight, 1)));
}
