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

static void BM_LoggerTick100Sources(benchmark::State& state) {
  EnsureApplication();
  THundredSourceTick tick;
  if (tick.List.Sources().size() != 100) state.SkipWithError("the rig did not build 100 sources");
  for (auto _ : state) tick.Tick();
  state.counters["sources"] = static_cast<double>(tick.List.Sources().size());
}
BENCHMARK(BM_LoggerTick100Sources)->Unit(benchmark::kMicrosecond);
