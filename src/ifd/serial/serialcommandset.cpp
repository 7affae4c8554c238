#include "ifd/serial/serialcommandset.h"

#include <algorithm>
#include <cmath>

#include "platform/numbers.h"

namespace {
QByteArray WithCR(QByteArray text) {
  text.append(TSerialCommandSet::CR);
  return text;
}
}  // namespace

const TSerialCommandSet& TSerialCommandSet::Instance() {
  static const TSerialCommandSet tables;
  return tables;
}

TSerialCommandSet::TSerialCommandSet() {
  for (int k = 0; k < 16; ++k) FInputRequests[k] = WithCR("I" + QByteArray::number(k));
  for (int k = 0; k < 4096; ++k) {
    const int v = k + OutputValueMin;
    QByteArray text = v < 0 ? "-" + QByteArray::number(-v) : v == 0 ? QByteArray("0") : "+" + QByteArray::number(v);
    FOutputValues[k] = WithCR(text);
  }
  // The cards take +2047 at most: +2048 goes out as +2047.
  FOutputValues[4096] = FOutputValues[4095];
  for (int k = 0; k < 256; ++k) {
    FByteTexts[k] = WithCR(QByteArray::number(k));
    FFilterCommands[k] = WithCR("F" + QByteArray::number(k));
  }
  for (int k = 0; k < 8; ++k) FFrequencyCommands[k] = WithCR("C" + QByteArray::number(k));
}

QByteArray TSerialCommandSet::InputRequest(int k) const {
  return k >= 0 && k < 16 ? FInputRequests[k] : QByteArray();
}

std::optional<QByteArray> TSerialCommandSet::OutputValueText(int v) const {
  if (v < OutputValueMin) return std::nullopt;
  if (v > OutputValueMax) v = OutputValueMax;
  return FOutputValues[v - OutputValueMin];
}

QByteArray TSerialCommandSet::ByteText(std::uint8_t k) const { return FByteTexts[k]; }

std::optional<QByteArray> TSerialCommandSet::FilterCommand(int k) const {
  if (k < 0 || k > 255) return std::nullopt;
  return FFilterCommands[k];
}

std::optional<QByteArray> TSerialCommandSet::FrequencyCommand(int k) const {
  if (k < 0 || k > 7) return std::nullopt;
  return FFrequencyCommands[k];
}

std::optional<int> TSerialCommandSet::RoundedCounts(double value) {
  if (std::isnan(value)) return std::nullopt;
  // One step beyond the range on either side is enough for the value text to clip it or leave it
  // unsent.
  return static_cast<int>(
      std::clamp<std::int64_t>(numbers::RoundHalfEven(value), OutputValueMin - 1, OutputValueMax + 1));
}

std::optional<QByteArray> TSerialCommandSet::AnalogueOutputCommand(int output, double value) const {
  if (output < 0 || output > 3) return std::nullopt;
  const std::optional<int> counts = RoundedCounts(value);
  if (!counts) return std::nullopt;
  const std::optional<QByteArray> text = OutputValueText(*counts);
  if (!text) return std::nullopt;
  return "O" + QByteArray::number(output) + *text;
}

QList<TOutputByteCommand> TSerialCommandSet::DigitalOutputCommands(bool vexa, bool slave, std::uint16_t image) const {
  using B = TSentOutputBytes::TByte;
  const auto low = static_cast<std::uint8_t>(image & 0xFF);
  const auto high = static_cast<std::uint8_t>(image >> 8);
  if (slave) return {{B::Slave, high, "DO" + ByteText(high)}};
  if (vexa) return {{B::MasterLow, low, "DO0," + ByteText(low)}, {B::MasterHigh, high, "DO1," + ByteText(high)}};
  return {{B::MasterLow, low, "DO" + ByteText(low)}};
}

QByteArray TSerialCommandSet::WatchdogCommand(std::uint8_t upperByte) const { return "DO1," + ByteText(upperByte); }

std::optional<QByteArray> TSerialCommandSet::ModeCommand(TIFDInputMode mode) {
  switch (mode) {
    case TIFDInputMode::SE: return QByteArrayLiteral("IM2\r");
    case TIFDInputMode::DIFF: return QByteArrayLiteral("IM1\r");
    case TIFDInputMode::NONE: break;
  }
  return std::nullopt;
}

QByteArray TSerialCommandSet::InverterCommand(const QByteArray& frame) { return "IMO," + frame; }

QByteArray TSerialCommandSet::TransferCommand(int start, int count) {
  return WithCR("T" + QByteArray::number(start) + "," + QByteArray::number(count));
}
