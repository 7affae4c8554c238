#pragma once
// The graph over the demo rig's results table, and samples fed to both as the logger feeds them.

#include <vector>

#include <QPointF>

#include <gtest/gtest.h>

#include "../resultsfixture.h"
#include "results/graphform.h"
#include "results/tableform.h"

namespace results_test {

class TGraphFixture : public ::testing::Test {
 protected:
  TGraphFixture() : Table(SampleRow), Graph(&Table) {}

  // Call once the rig is as the test wants it.
  void Start() {
    Table.Initialise();
    Graph.Initialise();
  }
  // Sample n of the recording run, 10 s apart: T1 = 20 + n, T2 = 10 + n.
  void Sample(int n) {
    FillSample(SampleRow, {{colSample, double(n)}, {colElapsed, n * 10 / 86400.0}, {colT1, 20.0 + n}, {colT2, 10.0 + n}, {colFlow, 2}});
    Table.WriteRow(SampleRow, n, 2);
    Graph.DataHasChanged(n);
  }
  void Samples(int count) {
    for (int n = 1; n <= count; ++n) Sample(n);
  }
  std::vector<QPointF> Points(int index) const { return Graph.ShownPoints(index); }

  TTempFolder Tmp;
  TScriptedPrompts Prompts;
  TResultsRig Rig;
  TWorkbook SampleRow;
  TTableForm Table;
  TGraphForm Graph;
};

}  // namespace results_test
