#pragma once
// One cell of a journalled row: what the results table held, exactly (a number by its bits, a
// text or a formula by its text, an error by its code).

#include <bit>
#include <cstdint>

#include <QString>

struct TJournalCell {
  enum class TKind : std::uint8_t { Empty = 0, Number = 1, Text = 2, Formula = 3, Error = 4 };
  TKind Kind = TKind::Empty;
  double Num = 0;        // Number: the value; Error: the error code
  QString Text;          // Text: the text; Formula: "=..." as shown in that row

  // Bit for bit: a NaN equals itself, 0 and -0 differ.
  bool operator==(const TJournalCell& o) const {
    return Kind == o.Kind && std::bit_cast<std::uint64_t>(Num) == std::bit_cast<std::uint64_t>(o.Num) && Text == o.Text;
  }
};
