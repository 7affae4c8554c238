#pragma once
// The results table as a journal describes it: its runs in sheet order, each with its name, rows
// and unsaved flag, the run counter and the file name. Records are applied in the order written;
// one that does not fit the table so far (a sheet that does not exist) is refused.

#include <map>
#include <vector>

#include <QString>

#include "results/journalcell.h"
#include "results/journalrecord.h"

class TJournalState {
 public:
  struct TRun {
    QString Name;
    std::map<int, std::vector<TJournalCell>> Rows;  // by table row (sample n in row n + 1)
    bool Unsaved = false;
  };

  // False, changing nothing, when the record is malformed or does not fit.
  bool Apply(const char* body, std::uint32_t size);

  std::vector<TRun> Runs;
  int RunNo = 0;
  QString FileName;
  int FileType = 1;
  int RowsApplied = 0;  // row records, the snapshot's included

  bool AnyUnsaved() const;
  int UnsavedRows() const;  // rows held by unsaved runs
  int UnsavedRuns() const;
};
