#include "rigbuilder.h"

#include <QDir>
#include <QFileInfo>

#include "workbook/model/workbook.h"

QString TRigBuilder::Sheet(const QString& relative, const std::vector<TSheetRow>& rows, int maxRow) const {
  TWorkbook book;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const TSheetCell& cell = rows[r][c];
      const int row = static_cast<int>(r) + 1, col = static_cast<int>(c) + 1;
      if (const double* d = std::get_if<double>(&cell)) book.SetNumberRC(row, col, *d);
      if (const QString* s = std::get_if<QString>(&cell)) book.SetTextRC(row, col, *s);
    }
  if (maxRow > 0) book.SetMaxRow(maxRow);
  const QString path = FFolder.File(relative);
  QDir().mkpath(QFileInfo(path).path());
  book.Write(path, TWorkbook::ftNative3);
  return path;
}

QString TRigBuilder::General(double version, const char* title, int captureType, int duration, int interval) const {
  return Sheet("config/general.vts", {{N(version)},
                                      {S(title), N(captureType), N(duration), E, N(0), N(0), N(500), N(4), N(0), S("standalone")},
                                      {S("n"), N(0), N(interval)}});
}
