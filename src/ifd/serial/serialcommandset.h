#pragma once
// The command texts of the serial cards. The tables are built once and shared; every text ends with
// CR except the inverter pass-through, whose frame carries its own end byte.

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QList>

#include "ifd/serial/ifdinputmode.h"
#include "ifd/serial/sentoutputbytes.h"

// One output byte's command, with the byte it sets.
struct TOutputByteCommand {
  TSentOutputBytes::TByte Byte;
  std::uint8_t Value;
  QByteArray Text;
};

class TSerialCommandSet {
 public:
  static constexpr char CR = '\r';
  static constexpr int OutputValueMin = -2048;
  static constexpr int OutputValueMax = 2048;

  static const TSerialCommandSet& Instance();

  // "I" + k + CR, k = 0..15; empty outside.
  QByteArray InputRequest(int k) const;
  // Value text with CR for a count v: "-" + |v|, "0", "+" + v. Above +2047 the text of +2047; below
  // -2048 nothing (such a value is not sent).
  std::optional<QByteArray> OutputValueText(int v) const;
  // k + CR, k = 0..255.
  QByteArray ByteText(std::uint8_t k) const;
  // "F" + k + CR for k = 0..255, nothing otherwise.
  std::optional<QByteArray> FilterCommand(int k) const;
  // "C" + k + CR for inputs 0..7; the cards measure no other input, so nothing otherwise.
  std::optional<QByteArray> FrequencyCommand(int k) const;

  // A value in counts as the outputs take it: rounded, halves to even, and held to one count beyond
  // OutputValueMin..OutputValueMax; nothing for a value that is not a number.
  static std::optional<int> RoundedCounts(double value);
  // "O" + output (0..3) + value text; nothing when the output or the value cannot be sent.
  std::optional<QByteArray> AnalogueOutputCommand(int output, double value) const;
  // The commands for a 16-bit output image: a Vexa master takes "DO0," + low byte then "DO1," +
  // high byte; any other master "DO" + low byte; a slave "DO" + high byte.
  QList<TOutputByteCommand> DigitalOutputCommands(bool vexa, bool slave, std::uint16_t image) const;
  // "DO1," + the upper output byte + CR: a watchdog phase (line 15 set or clear, with the rest of
  // the byte as the caller keeps it).
  QByteArray WatchdogCommand(std::uint8_t upperByte) const;
  // "IM2" for single-ended, "IM1" for differential; nothing for NONE.
  static std::optional<QByteArray> ModeCommand(TIFDInputMode mode);
  // "IMO," + frame, no CR.
  static QByteArray InverterCommand(const QByteArray& frame);
  // "T" + start + "," + count + CR.
  static QByteArray TransferCommand(int start, int count);

  static QByteArray ReadAllInputs() { return QByteArrayLiteral("IA\r"); }
  static QByteArray ReadDigitalInputs() { return QByteArrayLiteral("DI\r"); }
  static QByteArray ReadLowerDigitalInputs() { return QByteArrayLiteral("DI1\r"); }
  static QByteArray ReadUpperDigitalInputs() { return QByteArrayLiteral("DI3\r"); }
  static QByteArray Identify() { return QByteArrayLiteral("ARM\r"); }

 private:
  TSerialCommandSet();

  std::array<QByteArray, 16> FInputRequests;
  std::array<QByteArray, 4097> FOutputValues;
  std::array<QByteArray, 256> FByteTexts;
  std::array<QByteArray, 256> FFilterCommands;
  std::array<QByteArray, 8> FFrequencyCommands;
};
