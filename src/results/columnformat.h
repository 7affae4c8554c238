#pragma once
// The number format a column's values take outside the sheet (the graph's axis, the edit box of a
// manual input): the format of the column's cell in row 2 of the run template, with the general
// format as one decimal.

#include <QString>

class TWorkbook;

namespace columnformat {

// `runTemplate`'s active sheet; `column` from 1.
QString Of(const TWorkbook& runTemplate, int column);

// A format that shows a number as a clock or a date ("h:mm:ss", "[h]:mm", "dd/mm/yy"): its value is
// taken as days.
bool IsClock(const QString& format);

}  // namespace columnformat
