#pragma once
// The one QApplication of a benchmark program lives on the stack of the shared main()
// (main/benchmain.cpp), so it is gone before Qt's own global state is torn down at exit. A
// benchmark that keeps windows beyond its own run hands their cleanup to AtBenchEnd(), which main()
// calls while the application still exists.

#include <functional>

#include <QApplication>

// Kept for the benchmarks that ask for the application by name: main() has made it already.
inline void EnsureApplication() { Q_ASSERT(QApplication::instance()); }

// Cleanups main() runs after the last benchmark, in reverse order, before the application goes.
void AtBenchEnd(std::function<void()> cleanup);

// True in the short mode of the test suite (QUORLEX_BENCH_SHORT=1): each benchmark runs once on a
// small size, to show it does not crash and still meets the bounds it checks itself.
bool BenchShort();
