#pragma once
// The number formats of an .ods file: its data styles (number, percentage, currency, date, time,
// text) as format codes ("0.000", "0.0%", "dd/mm/yyyy", "#,##0.00;-#,##0.00"), and its cell
// styles, each naming a data style directly or through its parent. Fed the elements of the
// styles part and then of the content part, whose automatic styles come first and win.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "workbook/formats/xmlpartparser.h"

class TOdsNumberStyles {
 public:
  // An element of a styles section; true when its character data is wanted until it ends.
  bool Start(std::string_view name, const TXmlPartParser::TAttributes& attrs);
  // The end of an element, with the character data gathered since its start.
  void End(std::string_view name, const std::string& text);

  // The format code a cell style shows its numbers in; "" for none we can name.
  QString CellFormat(std::string_view cellStyle) const;
  // The format code of a data style, with the sections its conditions pick.
  QString DataFormat(std::string_view dataStyle) const;

 private:
  enum class TKind { None, Number, Percentage, Currency, Date, Time, Text, Other };
  struct TDataStyle {
    QString Code;
    std::string Positive, Negative;  // styles that conditions apply to values above / below zero
    bool Plain = true;               // only a number without its decimals stated: "General"
  };
  struct TCellStyle {
    std::string DataStyle, Parent;
  };

  QString Literal(const std::string& text) const;
  QString DataFormat(std::string_view dataStyle, int depth) const;

  std::map<std::string, TDataStyle, std::less<>> FData;
  std::map<std::string, TCellStyle, std::less<>> FCells;
  TKind FKind = TKind::None;  // the data style being read
  std::string FName;
  TDataStyle FStyle;
  bool FElapsedHours = false;
};
