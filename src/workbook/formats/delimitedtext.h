#pragma once
// Tab-delimited text and comma-separated values: one row per line, fields quoted with "" when they
// hold the separator, a quote or a line break. Writing takes the active sheet: numbers in General
// format in their shortest exact form, other cells as they are displayed. Reading makes numbers of
// fields that read as numbers and text of the rest.

#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

class TWorkbook;

class TDelimitedText {
 public:
  // ',' when the first line has a comma outside quotes and no tab, else '\t'.
  static char GuessSeparator(const QByteArray& data);
  // Throws EWorkbookError naming path and line. UTF-8 (or UTF-16 behind a byte-order mark); text
  // that is not UTF-8 is read as Windows-1252 and a line saying so is added to notes.
  static TWorkbook Read(const QString& path, const QByteArray& data, char separator, QStringList* notes = nullptr);
  // The active sheet; lastRow > 0 stops after that row. Throws EWorkbookError when the rows times
  // columns written would pass MaxFields. What had to change so that Read takes the file back (NUL
  // characters left out, an empty sheet written as one blank line) is added to changes.
  static QByteArray Write(const TWorkbook& book, char separator, int lastRow = 0, QStringList* changes = nullptr);
  // The same handed to put in pieces of about a megabyte, so a large sheet's file is never whole
  // in memory.
  static void Write(const TWorkbook& book, char separator, const std::function<void(const QByteArray&)>& put, int lastRow = 0,
                    QStringList* changes = nullptr);
  static constexpr std::int64_t MaxFields = 64'000'000;
};
