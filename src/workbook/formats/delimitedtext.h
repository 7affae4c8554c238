#pragma once
// Tab-delimited text and comma-separated values: one row per line, fields quoted with "" when they
// hold the separator, a quote or a line break. Writing takes the active sheet: numbers in General
// format in their shortest exact form, other cells as they are displayed. Reading makes numbers of
// fields that read as numbers and text of the rest.

#include <cstdint>

#include <QByteArray>
#include <QString>

class TWorkbook;

class TDelimitedText {
 public:
  // ',' when the first line has a comma outside quotes and no tab, else '\t'.
  static char GuessSeparator(const QByteArray& data);
  // Throws EWorkbookError naming path and line.
  static TWorkbook Read(const QString& path, const QByteArray& data, char separator);
  // The active sheet; lastRow > 0 stops after that row. Throws EWorkbookError when the rows times
  // columns written would pass MaxFields.
  static QByteArray Write(const TWorkbook& book, char separator, int lastRow = 0);
  static constexpr std::int64_t MaxFields = 64'000'000;
};
