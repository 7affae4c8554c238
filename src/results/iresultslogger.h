#pragma once
// What the results table asks of the logger panel: whether a run is being recorded, stopping it,
// and resetting its sample counters when the table's runs change under it. The logger panel
// implements it; a table without one skips these calls.

class IResultsLogger {
 public:
  virtual ~IResultsLogger() = default;
  // True while an automatic run is recording (the logger's sample state 0).
  virtual bool IsSampling() const = 0;
  // The GO / STOP / Sample Now command: used here to stop a running run.
  virtual void SampleNow() = 0;
  virtual void Reset_Sample_Status() = 0;
  virtual void SetSampleTransferCount(int count) = 0;
  // Sample count and both running totals back to 0 (after a results file was opened).
  virtual void ResetSampleCounts() = 0;
};
