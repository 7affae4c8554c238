#include "results/journalstate.h"

#include <algorithm>

#include <sys/mman.h>
#include <unistd.h>

#include <QFile>

bool TJournalState::Apply(const char* body, std::uint32_t size) {
  if (size < 1) return false;
  using T = TJournalRecord::TType;
  const auto type = static_cast<T>(static_cast<unsigned char>(body[0]));
  TJournalRecord::TReader in(body + 1, size - 1);
  auto sheetOk = [this](int sheet) { return sheet >= 1 && sheet <= static_cast<int>(Runs.size()); };
  switch (type) {
    case T::RunAdded: {
      TRun run;
      run.Name = in.Text();
      const int runNo = in.Int();
      if (!in.Ok() || !in.AtEnd()) return false;
      Runs.push_back(std::move(run));
      RunNo = runNo;
      return true;
    }
    case T::Row: {
      const int sheet = in.Int();
      const int row = in.Int();
      // The cells are checked whole now and read when the table is rebuilt.
      const std::size_t cellsAt = in.Position();
      in.SkipCells();
      // Row 1 is a capture run's own titles; a logger run's come from its template.
      if (!in.Ok() || !in.AtEnd() || !sheetOk(sheet) || row < 1) return false;
      TRun& run = Runs[sheet - 1];
      const TRow entry{row, body + 1 + cellsAt, static_cast<std::uint32_t>(size - 1 - cellsAt)};
      // Rows come in order but for a row written again.
      if (run.Rows.empty() || run.Rows.back().Row < row) {
        run.Rows.push_back(entry);
      } else {
        const auto at = std::lower_bound(run.Rows.begin(), run.Rows.end(), row,
                                         [](const TRow& r, int n) { return r.Row < n; });
        if (at != run.Rows.end() && at->Row == row) *at = entry;
        else run.Rows.insert(at, entry);
      }
      if (row == 1) return true;  // titles are no sample
      run.Unsaved = true;
      ++RowsApplied;
      return true;
    }
    case T::RunsDeleted: {
      const int first = in.Int();
      const int count = in.Int();
      if (!in.Ok() || !in.AtEnd() || !sheetOk(first) || count < 1 || first - 1 + count > static_cast<int>(Runs.size()))
        return false;
      Runs.erase(Runs.begin() + (first - 1), Runs.begin() + (first - 1 + count));
      return true;
    }
    case T::RunRenamed: {
      const int sheet = in.Int();
      const QString name = in.Text();
      if (!in.Ok() || !in.AtEnd() || !sheetOk(sheet)) return false;
      Runs[sheet - 1].Name = name;
      return true;
    }
    case T::RunFlag: {
      const int sheet = in.Int();
      const int flag = in.Int();
      if (!in.Ok() || !in.AtEnd() || !sheetOk(sheet) || flag > 1) return false;
      Runs[sheet - 1].Unsaved = flag == 1;
      return true;
    }
    case T::FileNamed: {
      const QString name = in.Text();
      const int fileType = in.Int();
      if (!in.Ok() || !in.AtEnd()) return false;
      FileName = name;
      FileType = fileType;
      return true;
    }
    case T::Header: break;  // only ever first, and read there
  }
  return false;
}

void TJournalState::TRow::CellsInto(std::vector<TJournalCell>& out) const {
  TJournalRecord::TReader in(Data, Size);
  in.CellsInto(out);
}

std::vector<TJournalCell> TJournalState::TRow::Cells() const {
  std::vector<TJournalCell> cells;
  CellsInto(cells);
  return cells;
}

const TJournalState::TRow* TJournalState::TRun::Find(int row) const {
  const auto at = std::lower_bound(Rows.begin(), Rows.end(), row, [](const TRow& r, int n) { return r.Row < n; });
  return at != Rows.end() && at->Row == row ? &*at : nullptr;
}

namespace {
// Samples only: a capture run's title row is no sample.
int Samples(const TJournalState::TRun& r) { return static_cast<int>(r.Rows.size()) - (r.Find(1) ? 1 : 0); }
}  // namespace

bool TJournalState::AnyUnsaved() const {
  return std::any_of(Runs.begin(), Runs.end(), [](const TRun& r) { return r.Unsaved && Samples(r) > 0; });
}

int TJournalState::UnsavedRows() const {
  int rows = 0;
  for (const TRun& r : Runs)
    if (r.Unsaved) rows += Samples(r);
  return rows;
}

int TJournalState::UnsavedRuns() const {
  return static_cast<int>(std::count_if(Runs.begin(), Runs.end(), [](const TRun& r) { return r.Unsaved && Samples(r) > 0; }));
}

void TJournalState::LetGo(const char* upTo) const {
  if (!FMapping) return;
  const char* start = FJournal.constData();
  const char* end = start + FJournal.size();
  if (upTo && (upTo < start || upTo > end)) return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t length = static_cast<std::size_t>((upTo ? upTo : end) - start) / page * page;
  // Only a hint: the bytes stay readable whatever it does.
  if (length > 0) ::madvise(const_cast<char*>(start), length, MADV_DONTNEED);
}
