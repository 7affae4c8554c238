#include "pid/pidformat.h"

#include <cmath>

namespace pidformat {

QString Fixed(double value, int precision, int digits) {
  if (!std::isfinite(value)) return QString::number(value);
  if (value != 0 && std::floor(std::log10(std::fabs(value))) + 1 > precision)
    return QString::number(value, 'E', precision - 1);
  const double rounded = QString::number(value, 'g', precision).toDouble();
  QString text = QString::number(rounded, 'f', digits);
  if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0) text.remove(0, 1);  // no "-0.0"
  return text;
}

}  // namespace pidformat
