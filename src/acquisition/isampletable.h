#pragma once
// Where a sample goes when it is taken, and who is told: the results table and the graph, as the
// data list and the logger see them.

class TWorkbook;
struct TCapturedRun;

class ISampleTable {
 public:
  virtual ~ISampleTable() = default;
  // Copies row `sourceRow` of `source` into the newest run as the row of sample `sample` (1-based).
  virtual void WriteRow(TWorkbook& source, int sample, int sourceRow) = 0;
  // The newest run now holds `count` samples (the graph appends them).
  virtual void DataChanged(int count) = 0;
  // Draw the graph again from the table.
  virtual void RedrawGraph() = 0;
  // Pours a burst capture into the newest run (rows 2 on) and plots it.
  virtual void WriteCaptureRun(const TCapturedRun& run) = 0;
};
