#pragma once
// What the results table tells its sample journal: every change that decides what the table holds
// (runs added, deleted and renamed, rows written, runs saved, the file name) in the order it
// happens, so the journal can rebuild the table after a crash. The table works the same without one.

#include <vector>

#include <QString>

#include "results/journalcell.h"

class ISampleJournal {
 public:
  virtual ~ISampleJournal() = default;
  // True while a journal file is open; false before the first sample of a session, after the
  // table was saved whole or discarded, and when journalling failed.
  virtual bool Recording() const = 0;
  // A fresh journal: the table then reports its whole content through the calls below and ends
  // with EndSnapshot, which puts the journal in place of any older one in a single step.
  virtual void BeginSnapshot() = 0;
  virtual void EndSnapshot() = 0;
  // A run appended as the new last sheet; `runNo` is the table's run counter after it.
  virtual void RunAdded(const QString& name, int runNo) = 0;
  // Row `row` of run `sheet` (1-based) now holds `cells` (column 1 first); the run becomes unsaved.
  virtual void RowWritten(int sheet, int row, const std::vector<TJournalCell>& cells) = 0;
  virtual void RunsDeleted(int first, int count) = 0;
  virtual void RunRenamed(int sheet, const QString& name) = 0;
  virtual void RunFlag(int sheet, bool unsaved) = 0;
  virtual void FileNamed(const QString& name, int fileType) = 0;
  // The table was just rebuilt from the journal file `path`, read whole up to `bytes`: this journal
  // goes on in that file (cut there) instead of being written afresh. False, changing nothing, when
  // `path` is not this journal's file or it cannot be reopened; the table then journals itself whole.
  virtual bool Resume(const QString& path, qint64 bytes) = 0;
  // Nothing left to protect (the whole table was saved, or its data discarded): the journal goes.
  virtual void Retire() = 0;
};
