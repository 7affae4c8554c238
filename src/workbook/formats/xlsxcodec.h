#pragma once
// How values take form inside an .xlsx package, shared by its writer and reader: the package's
// XML heading and namespaces, text escapes, numbers in XML, and column widths in file units.

#include <cstdint>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QString>

class TXlsxCodec {
 public:
  static constexpr const char* XmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  static constexpr const char* MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  static constexpr const char* RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  static constexpr const char* PackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

  // Text as XML content or attribute value. Control characters XML cannot carry are written as
  // _xHHHH_, which spreadsheet programs decode; an underscore that would read as such an escape
  // is itself escaped.
  static void AppendEscaped(QByteArray& out, const QByteArray& utf8);
  static void AppendEscaped(QByteArray& out, const QString& text) { AppendEscaped(out, text.toUtf8()); }
  // The reverse of the _xHHHH_ escapes (XML's own entities are the parser's business).
  static std::string Unescape(std::string text);

  // A leading U+FEFF is content here, though QString::fromUtf8 would take it for a byte-order mark.
  static QString ToQString(std::string_view utf8) {
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
      return QChar(0xFEFF) + QString::fromUtf8(utf8.data() + 3, static_cast<qsizetype>(utf8.size() - 3));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  }
  // A whole number as an attribute holds it; fallback for anything else.
  static long long ToInteger(std::string_view text, long long fallback);
  // A number as XML carries it: blanks around it and a leading "+" are allowed.
  static bool ToDouble(std::string_view text, double& value);

  // Functions newer than the file format's first edition are stored with the "_xlfn." prefix, or
  // other programs show #NAME?; the reader drops it again.
  static QString AddFunctionPrefixes(const QString& formula);

  // Column widths: ours in 1/256 of a character, the file's in characters plus the cell padding of
  // the default font (5 pixels at 7 pixels per digit), kept to 1/256 of a character.
  static double FileColumnWidth(std::uint16_t width);
  static std::uint16_t ColumnWidthFromFile(double fileWidth);
};
