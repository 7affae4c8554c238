#pragma once
// Builds .xlsx and .ods packages from their parts' text, for reader tests.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QByteArray>

#include "workbook/zip/zipwriter.h"

using TParts = std::map<std::string, std::string>;

// The entries in the order given, each compressed (as some writers leave even an .ods's type).
inline QByteArray PackageInOrder(const std::vector<std::pair<std::string, std::string>>& entries) {
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  TZipWriter zip(device, 6);
  for (const auto& [name, text] : entries) {
    zip.BeginEntry(name);
    zip.Write(text);
    zip.EndEntry();
  }
  zip.Finish();
  return bytes;
}

inline QByteArray Package(const TParts& parts) { return PackageInOrder({parts.begin(), parts.end()}); }

// An .ods holding `tables` (table:table elements) in its spreadsheet body.
inline QByteArray Ods(const std::string& tables) {
  return PackageInOrder(
      {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
       {"content.xml",
        "<?xml version=\"1.0\"?>\n<office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">\n"
        "<office:body><office:spreadsheet>" +
            tables + "</office:spreadsheet></office:body></office:document-content>"}});
}
