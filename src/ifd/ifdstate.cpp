#include "ifd/ifdstate.h"

#include <algorithm>
#include <cstdint>

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

void TIFDState::TakeReading(bool expansion, int i, int reading) {
  if (i < 0 || i >= ReadableInputs) return;
  const auto k = static_cast<size_t>(i);
  std::int16_t& value = expansion ? ExpnChannelValue[k] : MainChannelValue[k];
  bool& seeded = expansion ? FExpnSeeded[k] : FMainSeeded[k];
  // Smoothing from a value nobody read (0 at start-up, or a card's value from before it was lost)
  // would record a transient that never happened: the first reading is taken as it is.
  const std::int64_t v = seeded ? Smoothed(value, reading, FilterWeight) : reading;
  value = static_cast<std::int16_t>(std::clamp<std::int64_t>(v, INT16_MIN, INT16_MAX));
  seeded = true;
  (expansion ? FExpnArrived : FMainArrived)[k] = true;
}

void TIFDState::EndSampleWindow() {
  FMainAvailable = FMainArrived;
  FExpnAvailable = FExpnArrived;
  FMainArrived.fill(false);
  FExpnArrived.fill(false);
  FDigitalAvailable = FDigitalArrived;
  FDigitalArrived.fill(false);
}

bool TIFDState::ReadingAvailable(int channel) const {
  if (channel >= 0 && channel < ReadableInputs) return FMainAvailable[static_cast<size_t>(channel)];
  if (channel >= 100 && channel <= 124) return FExpnAvailable[static_cast<size_t>(channel - 100)];
  if (channel == 32 || channel == 33) return FFrequencyHeld[static_cast<size_t>(channel - 32)];
  return false;
}

void TIFDState::ForgetReadings(bool expansion) {
  // Readings already taken for the sample being gathered are real and stay.
  (expansion ? FExpnSeeded : FMainSeeded).fill(false);
  if (!expansion) FFrequencyHeld.fill(false);
}

bool TIFDState::ReadingsArrived(bool digital) const {
  const auto any = [](const auto& flags) { return std::find(flags.begin(), flags.end(), true) != flags.end(); };
  return any(FMainArrived) || any(FExpnArrived) || (digital && any(FDigitalArrived));
}

void TIFDState::TakeDigitalInput(int line, int state) {
  if (line < 0 || line >= DigitalLines) return;
  DigitalInputs[static_cast<size_t>(line)] = state;
  FDigitalArrived[static_cast<size_t>(line)] = true;
}

bool TIFDState::DigitalInputAvailable(int line) const {
  return line >= 0 && line < DigitalLines && FDigitalAvailable[static_cast<size_t>(line)];
}

void TIFDState::NoteFrequency(int channel, bool arrived) {
  if (channel == 32 || channel == 33) FFrequencyHeld[static_cast<size_t>(channel - 32)] = arrived;
}

int TIFDState::MissingReadings(bool expansion) const {
  const auto& inUse = expansion ? ExpnChannelInUse : MainChannelInUse;
  const auto& available = expansion ? FExpnAvailable : FMainAvailable;
  int missing = 0;
  for (size_t i = 0; i < 16; ++i) missing += inUse[i] && !available[i];
  return missing;
}

int TIFDState::RegisteredInputs(bool expansion) const {
  const auto& inUse = expansion ? ExpnChannelInUse : MainChannelInUse;
  return static_cast<int>(std::count(inUse.begin(), inUse.begin() + 16, true));
}
