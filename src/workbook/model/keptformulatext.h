#pragma once
// Edits of formula texts kept as written because the engine does not compute them (3-D and table
// references, array constants, links to other workbooks...). Such text may not lex as ours does,
// so it is scanned for sheet prefixes only: strings and everything else pass through untouched.

#include <QString>

class TKeptFormulaText {
 public:
  // The text with every sheet prefix naming oldName (any case) naming newName instead:
  // Old!A1, 'Old name'!A1 and either end of a 3-D span (Old:Other!A1). Prefixes of another
  // workbook's sheets ([1]Old!A1) stay as they are.
  static QString RenameSheet(const QString& text, const QString& oldName, const QString& newName);
};
