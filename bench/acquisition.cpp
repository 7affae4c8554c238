// One logger tick on a 100-source rig with the display off: the facade's sampling step and
// Update_All_Sources writing every source into the sample row with its formulas following.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include "benchapplication.h"
#include "acquisition/isampletable.h"
#include "acquisition/qxdatalist.h"
#include "hundredsourcerig.h"
#include "ifd/qxifd.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
class TNoTable : public ISampleTable {
 public:
  void WriteRow(TWorkbook&, int, int) override {}
  void DataChanged(int) override {}
  void RedrawGraph() override {}
  void WriteCaptureRun(const TCapturedRun&) override {}
};
}  // namespace

static void BM_LoggerTick100Sources(benchmark::State& state) {
  EnsureApplication();
  THundredSourceRig rig;
  TQXIFD ifd(nullptr, nullptr, &rig.Driver);
  QWidget panel;
  TNoTable table;
  TQXDataList list(&panel);
  list.Initialise(rig.Rig, &table);
  if (list.Sources().size() != 100) state.SkipWithError("the rig did not build 100 sources");
  for (auto _ : state) {
    ifd.SampleNow();
    list.Update_All_Sources(false, 1, 0);
  }
  state.counters["sources"] = static_cast<double>(list.Sources().size());
}
BENCHMARK(BM_LoggerTick100Sources)->Unit(benchmark::kMicrosecond);
