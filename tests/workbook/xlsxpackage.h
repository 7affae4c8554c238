#pragma once
// Builds .xlsx packages from their parts' text, for reader tests.

#include <map>
#include <string>

#include <QBuffer>
#include <QByteArray>

#include "workbook/zip/zipwriter.h"

using TParts = std::map<std::string, std::string>;

inline QByteArray Package(const TParts& parts) {
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  TZipWriter zip(device, 6);
  for (const auto& [name, text] : parts) {
    zip.BeginEntry(name);
    zip.Write(text);
    zip.EndEntry();
  }
  zip.Finish();
  return bytes;
}
