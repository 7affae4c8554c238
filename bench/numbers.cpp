// Cost of reading a typed number and of the shortest exact text of a double.
#include <benchmark/benchmark.h>

#include "platform/numbers.h"

static void BM_ParseTypedNumber(benchmark::State& state) {
  const QString text = QStringLiteral(" -1234.5678e-3 ");
  for (auto _ : state) benchmark::DoNotOptimize(numbers::ParseTypedNumber(text));
}
BENCHMARK(BM_ParseTypedNumber);

static void BM_FloatToShortest(benchmark::State& state) {
  double v = 0.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(numbers::FloatToShortest(v));
    v += 1e-7;
  }
}
BENCHMARK(BM_FloatToShortest);
