#pragma once
// A controller data-table address such as "N7:22" (file type letter, file number, element) and
// the Modbus holding register it lives in: file number x 256 + element. The type letter only says
// how the word is used (B bits, N integers); file numbers are unique across types, as in the
// controller's own data table.

#include <QString>
#include <optional>

class TPlcAddress {
 public:
  static constexpr int ElementsPerFile = 256;
  static constexpr int MaxFile = 255;

  // The register of `text`, or nothing when it is not a B or N address with a file of 0-255 and
  // an element of 0-255 (spaces around the parts are not allowed).
  static std::optional<quint16> Register(const QString& text);
  // The address text of a register in the given file type: (N, 5654) -> "N22:22".
  static QString Text(QChar type, quint16 reg);
};
