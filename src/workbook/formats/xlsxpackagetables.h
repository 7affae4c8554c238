#pragma once
// The parts of an .xlsx package that every sheet feeds while it is written: the shared texts and
// the cell styles (one per number format used). Their XML is complete once every sheet is through.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>

class TWorkbook;

class TXlsxPackageTables {
 public:
  explicit TXlsxPackageTables(const TWorkbook& book) : FBook(book) {}

  std::uint32_t StringIndex(const QString& text);
  // The style index for one of the workbook's formats; 0 for General.
  int StyleIndex(std::uint16_t format);

  QByteArray SharedStringsXml() const;
  QByteArray StylesXml() const;

 private:
  static constexpr int FirstCustomFormat = 164;  // lower numbers are the built-in formats

  const TWorkbook& FBook;
  QHash<QString, std::uint32_t> FStrings;
  std::vector<QString> FStringOrder;
  long long FStringUses = 0;
  std::vector<int> FStyles;  // by workbook format index; -1 while unused
  std::vector<std::uint16_t> FStyleFormats;
};
