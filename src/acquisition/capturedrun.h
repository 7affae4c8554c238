#pragma once
// A finished two-channel capture in engineering units, as the results table takes it as a whole
// run: row k + 2 holds sample k + 1, its time and the two values in their columns.

#include <vector>

struct TCapturedRun {
  double SecondsPerSample = 0;
  int ColumnOne = 2, ColumnTwo = 3;
  std::vector<double> One, Two;
};
