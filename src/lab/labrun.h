#pragma once
// One run as the lab network carries it: its columns and every recorded row, each cell empty, a
// number (exactly as recorded), a text or a spreadsheet error.

#include <variant>
#include <vector>

#include <QString>

struct TLabError {
  QString Code;  // "#DIV/0!", ...
  bool operator==(const TLabError& o) const { return Code == o.Code; }
};
using TLabCell = std::variant<std::monostate, double, QString, TLabError>;

struct TLabColumn {
  QString Title, Units;
  bool operator==(const TLabColumn& o) const { return Title == o.Title && Units == o.Units; }
};

struct TLabRun {
  QString Id;        // unique over every station and time; the class view keeps one copy per id
  int Revision = 1;  // a run published again after more samples carries a higher revision
  QString Station, Rig, Exercise, Name;
  QString Ended;  // ISO 8601 UTC
  std::vector<TLabColumn> Columns;
  std::vector<std::vector<TLabCell>> Rows;
};
