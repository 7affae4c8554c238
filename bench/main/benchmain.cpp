// The main() of every benchmark program. It owns the application, so no benchmark keeps one in a
// static: a static QApplication was destroyed among the exit handlers, after Qt's global state,
// and crashed the program at exit. It also exits 1 when a benchmark reported an error (a bound it
// checks, a simulator that did not come up), so the test suite fails on it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "benchapplication.h"
#include "platform/largepages.h"

namespace {
std::vector<std::function<void()>>& Cleanups() {
  static std::vector<std::function<void()>> cleanups;
  return cleanups;
}

// The usual console output, and a count of the runs that ended in an error.
class TErrorCountingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.error_occurred) {
        ++Errors;
        std::fprintf(stderr, "benchmark failed: %s: %s\n", run.benchmark_name().c_str(), run.error_message.c_str());
      }
    ConsoleReporter::ReportRuns(runs);
  }
  int Errors = 0;
};
}  // namespace

void AtBenchEnd(std::function<void()> cleanup) { Cleanups().push_back(std::move(cleanup)); }

bool BenchShort() { return qEnvironmentVariableIntValue("QUORLEX_BENCH_SHORT") == 1; }

int main(int argc, char** argv) {
  TLargePages::Adopt(argv);  // as the programs whose code it measures
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TErrorCountingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (auto it = Cleanups().rbegin(); it != Cleanups().rend(); ++it) (*it)();
  Cleanups().clear();
  std::fflush(stdout);
  return reporter.Errors == 0 ? 0 : 1;
}
