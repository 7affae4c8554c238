#pragma once
// The results table as a journal describes it: its runs in sheet order, each with its name, rows
// and unsaved flag, the run counter and the file name. Records are applied in the order written;
// one that does not fit the table so far (a sheet that does not exist) is refused.
//
// A journal of a long session holds hundreds of thousands of rows: a row is kept as the place of
// its cells in the journal's bytes, which the state holds, and read out when the table is rebuilt.
// A journal file mapped into memory is read in place, and the rows rebuilt can be let go of.

class QFile;

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "results/journalcell.h"
#include "results/journalrecord.h"

class TJournalState {
 public:
  // One journalled row: its cells as the journal encodes them.
  struct TRow {
    int Row = 0;  // table row (sample n in row n + 1)
    const char* Data = nullptr;
    std::uint32_t Size = 0;
    // The cells, column 1 first; into `out` keeping its room.
    void CellsInto(std::vector<TJournalCell>& out) const;
    std::vector<TJournalCell> Cells() const;
  };
  struct TRun {
    QString Name;
    std::vector<TRow> Rows;  // by row, ascending
    bool Unsaved = false;
    // The row written last as `row`, nullptr when none was.
    const TRow* Find(int row) const;
    int LastRow() const { return Rows.empty() ? 0 : Rows.back().Row; }
  };

  TJournalState() = default;
  // Records applied later lie in `journal`, which the state keeps; with `mapping`, the bytes are
  // that file's, mapped, and kept mapped as long as the state.
  explicit TJournalState(QByteArray journal, std::shared_ptr<const QFile> mapping = {})
      : FJournal(std::move(journal)), FMapping(std::move(mapping)) {}

  // False, changing nothing, when the record is malformed or does not fit. `body` lies in the
  // journal the state was made with (or in memory outliving the state).
  bool Apply(const char* body, std::uint32_t size);

  std::vector<TRun> Runs;
  int RunNo = 0;
  QString FileName;
  int FileType = 1;
  int RowsApplied = 0;  // row records, the snapshot's included
  // The journal file read, and its length up to its last whole record, when every record before
  // was read in this program's format; 0 otherwise.
  QString Source;
  qint64 WholeBytes = 0;

  bool AnyUnsaved() const;
  int UnsavedRows() const;  // rows held by unsaved runs
  int UnsavedRuns() const;

  // The mapped journal's pages before `upTo` (a place in it; its end when nullptr) leave the
  // program's memory: they are read from the file again should they be needed. A journal read
  // into memory stays as it is.
  void LetGo(const char* upTo = nullptr) const;

 private:
  QByteArray FJournal;
  std::shared_ptr<const QFile> FMapping;
};
