#pragma once
// A value as formulas see it: empty, number, text, boolean, error, or (only while a formula runs)
// a range of cells. An array result (TRANSPOSE's) is a range too, on a sheet id from ArraySheets
// up that the running evaluator serves (see TArrayCells): whatever takes a range takes an array. Formula results are kept in this form; constant cells are stored more
// compactly by the sheet and turned into this form when read.

#include <cstdint>

#include <QString>

enum class TValueKind : std::uint8_t { Empty, Number, Text, Bool, Error, Range };

// Spreadsheet error values. Circular is ours: a formula that depends on itself shows "#CIRC!".
// Null ("#NULL!", an empty intersection of ranges) comes only from files; it is last so stored
// error numbers keep their meaning.
enum class TCellError : std::uint8_t { None, Div0, Value, Ref, Name, Num, NA, Circular, Null };

struct TRangeRef {
  static constexpr std::int32_t ArraySheets = 0x40000000;
  std::int32_t SheetId = -1;
  std::int32_t Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0;
  bool IsArray() const { return SheetId >= ArraySheets; }
};

struct TCellValue {
  TValueKind Kind = TValueKind::Empty;
  TCellError Err = TCellError::None;
  bool FromRef = false;  // read from a cell: functions such as SUM skip text met this way
  double Num = 0;
  QString Str;
  TRangeRef Range;

  static TCellValue Number(double v) { TCellValue r; r.Kind = TValueKind::Number; r.Num = v; return r; }
  static TCellValue Text(const QString& s) { TCellValue r; r.Kind = TValueKind::Text; r.Str = s; return r; }
  static TCellValue Boolean(bool b) { TCellValue r; r.Kind = TValueKind::Bool; r.Num = b ? 1 : 0; return r; }
  static TCellValue Error(TCellError e) { TCellValue r; r.Kind = TValueKind::Error; r.Err = e; return r; }

  bool IsError() const { return Kind == TValueKind::Error; }
  bool operator==(const TCellValue& o) const;

  // Display text without a number format: numbers in General, TRUE/FALSE, error names.
  QString ToText() const;

  static QString ErrorText(TCellError e);
  // The error named by text such as "#DIV/0!" (case-insensitive); None when it is not one.
  static TCellError ParseError(const QString& text);
};
