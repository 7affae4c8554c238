#pragma once
// The table's view of the graph: the per-run row counts it keeps up to date and the redraw it asks
// for when runs appear, vanish or change name. TGraphForm implements it.

class IResultsGraph {
 public:
  static constexpr int MaxRuns = 20;

  virtual ~IResultsGraph() = default;
  // Number of data rows of run 1..MaxRuns to plot.
  virtual int RunRows(int run) const = 0;
  virtual void SetRunRows(int run, int rows) = 0;
  // Rebuilds every series from the table.
  virtual void DrawGraph() = 0;
  // A capture became run `run`, a sheet of its own: its value columns (columnOne, columnTwo) are
  // plotted against its own time column; `xFactor` is milliseconds per sample.
  virtual void ScopeInvokeDrawGraph(int run, int columnOne, double xFactor, int columnTwo) = 0;
};
