// The libFuzzer program of one entry of TFuzzEntries, chosen when it is built.
#include <QCoreApplication>

#include "fuzzentries.h"

#ifndef QUORLEX_FUZZ_TARGET
#error "QUORLEX_FUZZ_TARGET names the entry"
#endif

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzEntries::QUORLEX_FUZZ_TARGET(data, size);
  return 0;
}
