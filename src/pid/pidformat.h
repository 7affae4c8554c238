#pragma once
// Number texts of the controller window.

#include <QString>

namespace pidformat {

// Fixed notation: the number rounded to `precision` significant digits and shown with `digits`
// decimals; scientific when its integer part has more than `precision` digits.
QString Fixed(double value, int precision, int digits);

}  // namespace pidformat
